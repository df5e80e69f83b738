#pragma once

#include <string>
#include <string_view>
#include <vector>

// The entries of a folder by the bytes of their names, whatever encoding those bytes are in.
namespace tarnel {

struct FolderEntry {
  std::string Name;  // native bytes
  bool IsFolder = false;
};

// The entries of nativeFolder without "." and ".."; a link counts as what it points to. Empty
// when the folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& nativeFolder);

// True when something is at nativePath, exactly as given.
bool PathExists(const std::string& nativePath);

// True when nativePath names a folder (following links).
bool IsFolder(const std::string& nativePath);

// The parent of a native folder path ending in "/" ("/a/b/" gives "/a/"; "/" stays "/").
std::string ParentFolder(std::string_view nativeFolder);

}  // namespace tarnel
