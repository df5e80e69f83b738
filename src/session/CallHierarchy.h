#pragma once

#include <string>
#include <vector>

#include "analysis/SymbolList.h"

namespace tarnel {

// The callers of a procedure, their callers and so on (or the callees, and theirs), as a tree
// that grows only where the user opens it. A procedure that already stands on the path from the
// root is shown once more, marked as recursion, and never opened again, so that cycles end.
class CallHierarchy {
 public:
  enum class Direction { Callers, Callees };

  struct Node {
    const TPassRec* Record = nullptr;
    int Parent = -1;
    bool Recursive = false;     // the record is already on the path from the root
    bool Expanded = false;      // children have been looked up
    std::vector<int> Children;  // node indexes, in the record's Calls or CalledBy order
  };

  // The root is the procedure itself. symbols must outlive the hierarchy.
  CallHierarchy(const SymbolList& symbols, const TPassRec& root, Direction direction);

  Direction Which() const { return direction_; }
  const Node& At(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
  int Count() const { return static_cast<int>(nodes_.size()); }
  // Whether opening the node can show anything (a recursive node has nothing to open).
  bool CanExpand(int index) const;
  // Looks the node's children up (once) and returns them.
  const std::vector<int>& Expand(int index);

 private:
  bool OnPath(int index, const TPassRec* record) const;

  const SymbolList& symbols_;
  Direction direction_;
  std::vector<Node> nodes_;
};

}  // namespace tarnel
