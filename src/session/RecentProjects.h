#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Profile.h"

namespace tarnel {

// The projects opened last, most recent first, and the folder each file dialog was last left
// in, as tarnel.ini's [Recent] section keeps them (File1..File8, then one key per dialog).
// Paths are engine text.
class RecentProjects {
 public:
  static constexpr std::size_t kLimit = 8;

  // Reads the [Recent] section: empty entries are skipped, duplicates kept once.
  void Load(const ProfileFile& settings);
  // Writes the whole [Recent] section in one rewrite; other sections and keys stay. Throws
  // FileWriteError.
  void Save(std::string_view settingsFile) const;

  // Puts path first; an entry already there moves up rather than appearing twice; the oldest
  // beyond the limit goes.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  const std::vector<std::string>& Paths() const { return paths_; }

  // The folder a dialog of this purpose was last left in; empty when none.
  std::string Folder(const std::string& purpose) const;
  void SetFolder(const std::string& purpose, const std::string& folder);

 private:
  std::vector<std::string> paths_;
  std::map<std::string, std::string> folders_;  // purpose -> folder
};

}  // namespace tarnel
