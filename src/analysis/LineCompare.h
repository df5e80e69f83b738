#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <string_view>

namespace tarnel {

// LeftCut(line, prefix.size()) == prefix, without building the blank-filled copy: a line shorter
// than the prefix matches when it is the prefix with trailing blanks removed.
inline bool StartsLikeLeftCut(std::string_view line, std::string_view prefix) {
  if (line.size() >= prefix.size()) return line.substr(0, prefix.size()) == prefix;
  if (prefix.substr(0, line.size()) != line) return false;
  for (char c : prefix.substr(line.size())) {
    if (c != ' ') return false;
  }
  return true;
}

// True for a line whose first four characters, blank-filled, are "End ".
inline bool IsEndLine(std::string_view line) { return StartsLikeLeftCut(line, "End "); }

}  // namespace tarnel
