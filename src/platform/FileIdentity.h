#pragma once

#include <optional>
#include <string>

namespace tarnel {

// A file's device and inode: the same file under any of its names, links or spellings.
struct FileIdentity {
  unsigned long long Device = 0;
  unsigned long long Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a native path names, following symbolic links; nullopt when nothing is
// there.
std::optional<FileIdentity> IdentityOf(const std::string& nativePath);

}  // namespace tarnel
