#include "platform/Profile.h"

#include <optional>

#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace tarnel {

namespace {

std::vector<std::string> SplitProfileLines(const std::string& content);

// The file's lines without their ends (CR, LF or CR LF); empty when it cannot be read.
std::vector<std::string> ReadProfileLines(std::string_view fileName) {
  try {
    if (!FileExists(fileName)) return {};
    return SplitProfileLines(ReadWholeFile(fileName));
  } catch (const TarnelError&) {
    return {};  // an unreadable file reads like a missing one
  }
}

// The lines of a file about to be rewritten. A file that is there but cannot be read is not
// rewritten: that would replace whatever it holds with the one value being written.
std::vector<std::string> ReadProfileLinesToRewrite(std::string_view fileName) {
  if (!FileExists(fileName)) return {};
  try {
    return SplitProfileLines(ReadWholeFile(fileName));
  } catch (const TarnelError&) {
    throw FileWriteError(fileName);
  }
}

std::vector<std::string> SplitProfileLines(const std::string& content) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(content)) lines.emplace_back(line);
  return lines;
}

// The section name of a "[name]" line, trimmed; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view trimmed = TrimControls(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  std::size_t close = trimmed.find(']');
  std::string_view name =
      close == std::string_view::npos ? trimmed.substr(1) : trimmed.substr(1, close - 1);
  return TrimControls(name);
}

struct KeyLine {
  std::string_view Key;
  std::string_view Value;
};

// The trimmed key and value of a "key=value" line; nullopt when the line has no "=".
std::optional<KeyLine> SplitKeyLine(std::string_view line) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{TrimControls(line.substr(0, eq)), TrimControls(line.substr(eq + 1))};
}

// Index range [first, last) of the key lines of section; first == npos when it is missing.
struct SectionRange {
  std::size_t First = std::string::npos;
  std::size_t Last = std::string::npos;
};

SectionRange FindSection(const std::vector<std::string>& lines, std::string_view section) {
  SectionRange range;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines[i]);
    if (!name) continue;
    if (range.First != std::string::npos) {
      range.Last = i;
      return range;
    }
    if (SameTextIgnoreCase(*name, TrimControls(section))) range.First = i + 1;
  }
  if (range.First != std::string::npos) range.Last = lines.size();
  return range;
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

std::string GetProfileString(std::string_view fileName, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
  std::vector<std::string> lines = ReadProfileLines(fileName);
  SectionRange range = FindSection(lines, section);
  std::string value(defaultValue);
  if (range.First != std::string::npos) {
    for (std::size_t i = range.First; i < range.Last; ++i) {
      std::optional<KeyLine> kv = SplitKeyLine(lines[i]);
      if (kv && SameTextIgnoreCase(kv->Key, TrimControls(key))) {
        value = Unquoted(kv->Value);
        break;
      }
    }
  }
  if (value.size() > kProfileValueLimit) value.resize(kProfileValueLimit);
  return value;
}

std::vector<std::string> GetProfileKeys(std::string_view fileName, std::string_view section) {
  std::vector<std::string> lines = ReadProfileLines(fileName);
  SectionRange range = FindSection(lines, section);
  std::vector<std::string> keys;
  if (range.First == std::string::npos) return keys;
  // Each name takes its length plus a zero byte; one more zero byte closes the list.
  std::size_t used = 1;
  for (std::size_t i = range.First; i < range.Last; ++i) {
    std::optional<KeyLine> kv = SplitKeyLine(lines[i]);
    if (!kv) continue;
    if (used + kv->Key.size() + 1 > kProfileKeyListLimit) break;
    used += kv->Key.size() + 1;
    keys.emplace_back(kv->Key);
  }
  return keys;
}

namespace {

// Applies one key's change to the lines as WriteProfileString describes it.
void ApplyProfileEntry(std::vector<std::string>& lines, std::string_view section,
                       std::string_view key, const std::optional<std::string>& value) {
  SectionRange range = FindSection(lines, section);
  if (range.First == std::string::npos) {
    if (!value) return;
    lines.push_back("[" + std::string(TrimControls(section)) + "]");
    lines.push_back(std::string(TrimControls(key)) + "=" + *value);
    return;
  }
  std::size_t lastKeyLine = range.First;  // insert after the section's last key line
  for (std::size_t i = range.First; i < range.Last; ++i) {
    std::optional<KeyLine> kv = SplitKeyLine(lines[i]);
    if (!kv) continue;
    lastKeyLine = i + 1;
    if (SameTextIgnoreCase(kv->Key, TrimControls(key))) {
      if (value) {
        lines[i] = std::string(TrimControls(key)) + "=" + *value;
      } else {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      }
      return;
    }
  }
  if (value) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKeyLine),
                 std::string(TrimControls(key)) + "=" + *value);
  }
}

}  // namespace

void WriteProfileString(std::string_view fileName, std::string_view section, std::string_view key,
                        std::string_view value) {
  WriteProfileStrings(fileName, section, {{std::string(key), std::string(value)}});
}

void WriteProfileStrings(std::string_view fileName, std::string_view section,
                         const std::vector<ProfileEntry>& entries) {
  std::vector<std::string> lines = ReadProfileLinesToRewrite(fileName);
  const std::vector<std::string> original = lines;
  for (const ProfileEntry& entry : entries)
    ApplyProfileEntry(lines, section, entry.Key, entry.Value);

  std::optional<std::string> existing = ResolvePath(fileName);
  if (existing && lines == original) return;
  try {
    TextWriter file(existing ? WritePath::FromNative(*existing) : WritePath(fileName));
    for (const std::string& line : lines) file.WriteLine(line);
    file.Close();
  } catch (const TarnelError&) {
    throw FileWriteError(fileName);
  }
}

ProfileFile::ProfileFile(std::string_view fileName) {
  std::vector<std::string> lines = ReadProfileLines(fileName);
  Section* current = nullptr;
  for (const std::string& line : lines) {
    if (std::optional<std::string_view> name = SectionName(line)) {
      // A section named twice: the look-ups above only ever see its first part.
      auto [it, added] = sections_.try_emplace(FoldCase(*name));
      current = added ? &it->second : nullptr;
      continue;
    }
    std::optional<KeyLine> kv = current != nullptr ? SplitKeyLine(line) : std::nullopt;
    if (!kv) continue;
    current->Values.try_emplace(FoldCase(kv->Key), Unquoted(kv->Value));
    if (current->Keys.size() < kProfileKeyListLimit) current->Keys.emplace_back(kv->Key);
  }
  // The key list of each section, cut as GetProfileKeys cuts it.
  for (auto& [name, section] : sections_) {
    std::size_t used = 1;
    std::size_t fit = 0;
    while (fit < section.Keys.size() &&
           used + section.Keys[fit].size() + 1 <= kProfileKeyListLimit) {
      used += section.Keys[fit].size() + 1;
      ++fit;
    }
    section.Keys.resize(fit);
  }
}

const ProfileFile::Section* ProfileFile::Find(std::string_view section) const {
  auto it = sections_.find(FoldCase(TrimControls(section)));
  return it == sections_.end() ? nullptr : &it->second;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
  std::string value(defaultValue);
  if (const Section* found = Find(section)) {
    auto it = found->Values.find(FoldCase(TrimControls(key)));
    if (it != found->Values.end()) value = it->second;
  }
  if (value.size() > kProfileValueLimit) value.resize(kProfileValueLimit);
  return value;
}

std::vector<std::string> ProfileFile::GetKeys(std::string_view section) const {
  const Section* found = Find(section);
  return found != nullptr ? found->Keys : std::vector<std::string>();
}

}  // namespace tarnel
