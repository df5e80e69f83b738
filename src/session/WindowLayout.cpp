#include "session/WindowLayout.h"

#include <charconv>

namespace tarnel {

namespace {

// The smallest window worth restoring; anything less is a broken setting, not a choice.
constexpr int kMinimumWidth = 120;
constexpr int kMinimumHeight = 80;
// Larger than any screen: a value past this is garbage.
constexpr int kLargest = 100000;

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < -kLargest || value > kLargest) return std::nullopt;
  return value;
}

std::vector<int> NumberList(std::string_view text) {
  std::vector<int> values;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::optional<int> value = Number(text.substr(0, comma));
    if (!value || *value < 0) return {};  // one bad width spoils the list
    values.push_back(*value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return values;
}

std::string JoinNumbers(const std::vector<int>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(values[i]);
  }
  return text;
}

// A key that holds nothing worth keeping is removed rather than left empty.
std::optional<std::string> Kept(std::string value) {
  if (value.empty()) return std::nullopt;
  return value;
}

}  // namespace

WindowLayout LoadWindowLayout(const ProfileFile& settings) {
  WindowLayout layout;
  const auto get = [&](std::string_view key) { return settings.GetString(kWindowSection, key); };
  const std::optional<int> left = Number(get("Left"));
  const std::optional<int> top = Number(get("Top"));
  const std::optional<int> width = Number(get("Width"));
  const std::optional<int> height = Number(get("Height"));
  if (left && top && width && height && *width > 0 && *height > 0) {
    layout.Geometry = ScreenRect{*left, *top, *width, *height};
  }
  layout.Maximized = get("Maximized") == "1";
  if (const std::optional<int> tree = Number(get("TreeWidth")); tree && *tree > 0) {
    layout.TreeWidth = *tree;
  }
  if (const std::optional<int> share = Number(get("CallerShare"));
      share && *share > 0 && *share < 10000) {
    layout.CallerShare = *share;
  }
  layout.SourceFont = get("SourceFont");
  layout.CallerColumns = NumberList(get("CallerColumns"));
  layout.CalleeColumns = NumberList(get("CalleeColumns"));
  return layout;
}

void SaveWindowLayout(std::string_view settingsFile, const WindowLayout& layout) {
  std::vector<ProfileEntry> entries;
  if (layout.Geometry) {
    entries.push_back({"Left", std::to_string(layout.Geometry->X)});
    entries.push_back({"Top", std::to_string(layout.Geometry->Y)});
    entries.push_back({"Width", std::to_string(layout.Geometry->Width)});
    entries.push_back({"Height", std::to_string(layout.Geometry->Height)});
  }
  entries.push_back({"Maximized", layout.Maximized ? "1" : "0"});
  entries.push_back({"TreeWidth", layout.TreeWidth > 0
                                      ? std::optional<std::string>(std::to_string(layout.TreeWidth))
                                      : std::nullopt});
  entries.push_back({"CallerShare", layout.CallerShare > 0 ? std::optional<std::string>(
                                                                 std::to_string(layout.CallerShare))
                                                           : std::nullopt});
  entries.push_back({"SourceFont", Kept(layout.SourceFont)});
  entries.push_back({"CallerColumns", Kept(JoinNumbers(layout.CallerColumns))});
  entries.push_back({"CalleeColumns", Kept(JoinNumbers(layout.CalleeColumns))});
  WriteProfileStrings(settingsFile, kWindowSection, entries);
}

bool FitsAnyScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens) {
  if (window.Width < kMinimumWidth || window.Height < kMinimumHeight) return false;
  for (const ScreenRect& screen : screens) {
    // In 64 bits: garbage coordinates must not overflow into a fit.
    const long long right = static_cast<long long>(window.X) + window.Width;
    const long long bottom = static_cast<long long>(window.Y) + window.Height;
    if (window.X >= screen.X && window.Y >= screen.Y &&
        right <= static_cast<long long>(screen.X) + screen.Width &&
        bottom <= static_cast<long long>(screen.Y) + screen.Height) {
      return true;
    }
  }
  return false;
}

}  // namespace tarnel
