#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace tarnel {

std::optional<FileIdentity> IdentityOf(const std::string& nativePath) {
  struct stat st;
  if (nativePath.empty() || ::stat(nativePath.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino)};
}

}  // namespace tarnel
