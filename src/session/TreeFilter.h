#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/ResultTree.h"

namespace tarnel {

// Which nodes of the result tree stay in view while the user searches it by name: the procedures
// and modules whose names contain the text (letter case folded as procedure names are matched,
// whole double-byte characters only), with the root and groups above them. A module that matches
// keeps all its procedures. Texts are engine text (code page 932).
class TreeFilter {
 public:
  // tree must outlive the filter.
  explicit TreeFilter(const ResultTree& tree);

  // Marks what to show for text and returns the number of matching nodes; an empty text shows
  // every node again.
  int Apply(std::string_view text);

  bool Active() const { return active_; }
  bool Shown(int node) const { return !active_ || shown_[static_cast<std::size_t>(node)] != 0; }
  // The matching nodes in tree order (empty while no text is applied).
  const std::vector<int>& Matches() const { return matches_; }

 private:
  const ResultTree& tree_;
  // Per node, the folded names it is found by ("Module1.bas" and "Module1" for a module), joined
  // by a line end, which no name holds; empty for the root and groups.
  std::vector<std::string> folded_;
  std::vector<unsigned char> shown_;
  std::vector<int> matches_;
  bool active_ = false;
};

// True when folded needle occurs in folded haystack starting and ending on whole characters of
// code page 932.
bool ContainsWholeCharacters(std::string_view haystack, std::string_view needle);

}  // namespace tarnel
