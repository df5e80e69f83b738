#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Profile.h"

namespace tarnel {

// A rectangle in screen pixels: the window's client area, or a screen's usable area.
struct ScreenRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// How the user left the main window, as tarnel.ini's [Window] section keeps it. What was never
// remembered is empty (or 0), and the window keeps its designed value for it.
struct WindowLayout {
  std::optional<ScreenRect> Geometry;  // the size and place when not maximised
  bool Maximized = false;
  int TreeWidth = 0;       // the tree pane beside the lists, in pixels
  int CallerShare = 0;     // the upper list's share of the lists' height, in 1/10000
  std::string SourceFont;  // "face,pt,size" or "face,px,size" (engine text); empty: designed
  std::vector<int> CallerColumns;
  std::vector<int> CalleeColumns;
};

inline constexpr std::string_view kWindowSection = "Window";

// Reads the [Window] section; values that are not well-formed numbers are left out.
WindowLayout LoadWindowLayout(const ProfileFile& settings);
// Writes every key of the [Window] section in one rewrite; other sections and keys stay.
// Throws FileWriteError.
void SaveWindowLayout(std::string_view settingsFile, const WindowLayout& layout);

// Whether a remembered window can be shown as it was: large enough to use, and wholly inside
// the usable area of one of the screens there are now.
bool FitsAnyScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens);

}  // namespace tarnel
