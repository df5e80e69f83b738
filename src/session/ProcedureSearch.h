#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/SymbolList.h"

namespace tarnel {

// How well a procedure's name matches what the user typed; lower is better.
enum class MatchRank { NamePrefix = 0, WordStart = 1, Substring = 2, None = 3 };

// Finds procedures by part of their name, for the tree's filter and the "Go to procedure" list.
// Names are matched without regard to letter case as procedure names are (FoldCase), and a match
// never starts or ends inside a double-byte character.
class ProcedureSearch {
 public:
  // Takes the procedures of the list in its current order. Records must outlive the search.
  explicit ProcedureSearch(const SymbolList& symbols);

  struct Match {
    const TPassRec* Record;
    MatchRank Rank;
  };

  // Every procedure whose Name or FullName ("Module.Name") contains text, best first: the name
  // starts with text, then text starts a word (after "_" or ".", or a capital after a small
  // letter), then anywhere; within a rank shorter names first, then list order. At most limit
  // matches; an empty text matches nothing.
  std::vector<Match> Find(std::string_view text, std::size_t limit) const;

  // The rank of one name for a folded text (for the tree filter, which asks node by node).
  static MatchRank Rank(std::string_view name, std::string_view fullName,
                        std::string_view foldedText);

  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    const TPassRec* Record;
    std::string FoldedFullName;  // the folded name is its tail
  };
  std::vector<Entry> entries_;
};

}  // namespace tarnel
