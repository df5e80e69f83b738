#include "platform/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

namespace tarnel {

bool PathExists(const std::string& nativePath) {
  struct stat info {};
  return ::lstat(nativePath.c_str(), &info) == 0;
}

bool IsFolder(const std::string& nativePath) {
  struct stat info {};
  return ::stat(nativePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<FolderEntry> ListFolder(const std::string& nativeFolder) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(nativeFolder.empty() ? "." : nativeFolder.c_str());
  if (dir == nullptr) return entries;
  std::string prefix = nativeFolder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({name, IsFolder(prefix + name)});
  }
  ::closedir(dir);
  return entries;
}

std::string ParentFolder(std::string_view nativeFolder) {
  std::string_view path = nativeFolder;
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(nativeFolder);
  return std::string(path.substr(0, slash + 1));
}

}  // namespace tarnel
