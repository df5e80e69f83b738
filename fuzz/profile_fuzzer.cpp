// The profile-file layer on an arbitrary settings file. The input is the file, then optionally
// "\n%%\n" and three LF-separated lines: a section, a key and a value to write into it.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace {

using namespace tarnel;
using namespace tarnel::fuzz;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

// The value that reading gives for a written one: trimmed, one pair of enclosing quotes gone,
// cut at the value limit.
std::string ValueAsRead(std::string_view written) {
  std::string_view v = Trim(written);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v.substr(0, kProfileValueLimit));
}

// The section names of the file's "[name]" lines, at most a few.
std::vector<std::string> SectionsOf(std::string_view file) {
  std::vector<std::string> sections;
  for (const std::string& line : PhysicalLines(std::string(file))) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') continue;
    sections.emplace_back(Trim(t.substr(
        1, t.find(']') == std::string_view::npos ? std::string_view::npos : t.find(']') - 1)));
    if (sections.size() == 4) break;
  }
  sections.push_back("Exec");
  return sections;
}

// Checks every key of section and returns each key's value.
std::vector<std::pair<std::string, std::string>> CheckSection(const std::string& file,
                                                              const std::string& section) {
  const std::vector<std::string> keys = GetProfileKeys(file, section);
  std::size_t listBytes = 1;
  std::vector<std::pair<std::string, std::string>> values;
  for (const std::string& key : keys) {
    listBytes += key.size() + 1;
    FUZZ_CHECK(key.find('=') == std::string::npos);
    FUZZ_CHECK(key.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(Trim(key).size() == key.size());
    std::string value = GetProfileString(file, section, key, "\x01");
    FUZZ_CHECK(value.size() <= kProfileValueLimit);
    FUZZ_CHECK(value.find_first_of("\r\n") == std::string::npos);
    if (values.size() < 16) values.emplace_back(key, value);
  }
  FUZZ_CHECK(listBytes <= kProfileKeyListLimit);
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find(FuzzProject::kSeparator);
  const std::string_view content = input.substr(0, cut);

  const ScratchFolder& folder = ScratchFolder::Get();
  folder.Clear();
  folder.Write("tarnel.ini", content);
  const std::string file = NativeToEngine(folder.Path() + "tarnel.ini");

  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> before;
  for (const std::string& section : SectionsOf(content)) {
    before.emplace_back(section, CheckSection(file, section));
  }
  FUZZ_CHECK(GetProfileString(file, "\x01no such section", "Last", "dflt") == "dflt");
  if (cut == std::string_view::npos) return 0;

  // Writing a value and reading it back gives it (trimmed, unquoted, cut), and leaves every
  // other key's value as it was.
  std::string_view rest = input.substr(cut + FuzzProject::kSeparator.size());
  std::string_view section = rest.substr(0, rest.find('\n'));
  rest = rest.substr(std::min(rest.size(), section.size() + 1));
  std::string_view key = rest.substr(0, rest.find('\n'));
  std::string_view value = rest.substr(std::min(rest.size(), key.size() + 1));
  // Line ends would make new lines, "=" in a key would move the key's end, "[" would turn the
  // key's line into a section, and "]" would end the section name early.
  if (section.find_first_of("\r\n]") != std::string_view::npos) return 0;
  if (key.find_first_of("\r\n=") != std::string_view::npos) return 0;
  if (!Trim(key).empty() && Trim(key).front() == '[') return 0;
  if (value.find_first_of("\r\n") != std::string_view::npos) return 0;

  try {
    WriteProfileString(file, section, key, value);
  } catch (const TarnelError&) {
    FUZZ_CHECK(false);  // the scratch file is always writable
  }
  FUZZ_CHECK(GetProfileString(file, section, key, "\x01") == ValueAsRead(value));
  for (const auto& [otherSection, values] : before) {
    for (const auto& [otherKey, otherValue] : values) {
      if (SameTextIgnoreCase(Trim(otherSection), Trim(section)) &&
          SameTextIgnoreCase(otherKey, Trim(key))) {
        continue;
      }
      FUZZ_CHECK(GetProfileString(file, otherSection, otherKey, "\x01") == otherValue);
    }
  }
  return 0;
}
