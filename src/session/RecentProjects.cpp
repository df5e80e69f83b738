#include "session/RecentProjects.h"

#include <algorithm>

namespace tarnel {

namespace {

constexpr std::string_view kSection = "Recent";
constexpr std::string_view kFolderSuffix = "Folder";

std::string FileKey(std::size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

void RecentProjects::Load(const ProfileFile& settings) {
  paths_.clear();
  folders_.clear();
  for (std::size_t i = 0; i < kLimit; ++i) {
    const std::string path = settings.GetString(kSection, FileKey(i));
    if (!path.empty() && std::find(paths_.begin(), paths_.end(), path) == paths_.end()) {
      paths_.push_back(path);
    }
  }
  for (const std::string& key : settings.GetKeys(kSection)) {
    if (key.size() <= kFolderSuffix.size() ||
        key.compare(key.size() - kFolderSuffix.size(), kFolderSuffix.size(), kFolderSuffix) != 0)
      continue;
    const std::string folder = settings.GetString(kSection, key);
    if (!folder.empty()) folders_[key.substr(0, key.size() - kFolderSuffix.size())] = folder;
  }
}

void RecentProjects::Save(std::string_view settingsFile) const {
  std::vector<ProfileEntry> entries;
  for (std::size_t i = 0; i < kLimit; ++i) {
    entries.push_back(
        {FileKey(i), i < paths_.size() ? std::optional<std::string>(paths_[i]) : std::nullopt});
  }
  for (const auto& [purpose, folder] : folders_) {
    entries.push_back({purpose + std::string(kFolderSuffix), folder});
  }
  WriteProfileStrings(settingsFile, kSection, entries);
}

void RecentProjects::Add(const std::string& path) {
  if (path.empty()) return;
  Remove(path);
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kLimit) paths_.resize(kLimit);
}

void RecentProjects::Remove(const std::string& path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

std::string RecentProjects::Folder(const std::string& purpose) const {
  auto it = folders_.find(purpose);
  return it == folders_.end() ? std::string() : it->second;
}

void RecentProjects::SetFolder(const std::string& purpose, const std::string& folder) {
  if (!purpose.empty() && !folder.empty()) folders_[purpose] = folder;
}

}  // namespace tarnel
