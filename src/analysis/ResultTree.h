#pragma once

#include <deque>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/SymbolList.h"

namespace tarnel {

// One node of the result tree. Nodes are stored in tree order (the root, then depth first).
struct TreeNode {
  const TPassRec* Record = nullptr;  // nullptr for the root
  std::span<const int> Children;     // indexes of the children, in order; held by the tree
  int Depth = 0;                     // root 0, groups 1, modules 2, procedures 3
  int Image = 0;                     // root 0, else the record's Kind
  int Parent = -1;                   // index of the parent node, -1 for the root

  // "Vbp", a group caption, a module file reference, a name.
  std::string_view Caption() const { return Record ? std::string_view(Record->Name) : "Vbp"; }
};

// The tree that the main window shows and the reports walk: root "Vbp" without a record, then
// every record under its parent in ascending key order.
class ResultTree {
 public:
  ResultTree() = default;
  // Nodes point into the tree's own child list, which a move keeps and a copy would not.
  ResultTree(ResultTree&&) = default;
  ResultTree& operator=(ResultTree&&) = default;
  ResultTree(const ResultTree&) = delete;
  ResultTree& operator=(const ResultTree&) = delete;

  // Switches the list to key order and builds the tree from it. A record whose parent is not in
  // the tree is left out.
  static ResultTree Build(SymbolList& list);

  bool Empty() const { return nodes_.empty(); }
  int Count() const { return static_cast<int>(nodes_.size()); }
  const TreeNode& Node(int index) const { return nodes_[index]; }
  const std::deque<TreeNode>& Nodes() const { return nodes_; }
  void Clear() {
    nodes_.clear();
    children_.clear();
  }

 private:
  // In blocks rather than one array: the tree is made at the end of a run, when the room that the
  // pass gave back lies in pieces, none large enough for a node per record in one piece.
  std::deque<TreeNode> nodes_;
  std::vector<int> children_;  // every node's children, one run per node in node order
};

}  // namespace tarnel
