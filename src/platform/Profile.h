#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Profile (ini) files: "[section]" lines, then "key=value" lines. Texts and paths are engine text
// (code page 932). Section and key names are matched without regard to letter case; names and
// values are trimmed of blanks and control bytes.
namespace tarnel {

// A value is read into room for 1023 bytes; the rest of a longer value is lost.
inline constexpr std::size_t kProfileValueLimit = 1023;
// The key names of a section come in one piece of at most this many bytes, each name followed by
// a zero byte and the piece by one more; names that do not fit whole are left out.
inline constexpr std::size_t kProfileKeyListLimit = 8192;

// The value of key in section, or defaultValue when the file, the section or the key is missing.
// One pair of enclosing quotes (both " or both ') is removed after trimming; the result is cut at
// kProfileValueLimit bytes. A key that occurs twice gives its first value.
std::string GetProfileString(std::string_view fileName, std::string_view section,
                             std::string_view key, std::string_view defaultValue = {});

// The key names of section in file order (the lines with "="), as many as fit in the key list.
std::vector<std::string> GetProfileKeys(std::string_view fileName, std::string_view section);

// Sets key in section to value: replaces the key's first line, or appends the key to its section,
// or appends the section at the end. Creates the file when it is missing. Other lines stay as
// they were, and a file that would not change is not written. The new text replaces the old
// only once all of it is written. Throws FileWriteError with the file's path when the file cannot
// be written.
void WriteProfileString(std::string_view fileName, std::string_view section, std::string_view key,
                        std::string_view value);

// One key of a batch write: a value to set, or none to remove the key's first line.
struct ProfileEntry {
  std::string Key;
  std::optional<std::string> Value;
};

// Sets (or removes) several keys of one section in a single rewrite, each as WriteProfileString
// would, in order. Removing a key that is not there changes nothing. Throws as WriteProfileString.
void WriteProfileStrings(std::string_view fileName, std::string_view section,
                         const std::vector<ProfileEntry>& entries);

// A profile file read once, for many look-ups with the same answers as the functions above.
class ProfileFile {
 public:
  explicit ProfileFile(std::string_view fileName);
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {}) const;
  std::vector<std::string> GetKeys(std::string_view section) const;

 private:
  struct Section {
    std::vector<std::string> Keys;                        // as many as fit in the key list
    std::unordered_map<std::string, std::string> Values;  // folded key -> its first value
  };
  const Section* Find(std::string_view section) const;

  std::unordered_map<std::string, Section> sections_;  // folded name -> its first section
};

}  // namespace tarnel
