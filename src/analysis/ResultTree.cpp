#include "analysis/ResultTree.h"

#include <span>

#include "analysis/GroupedByBucket.h"

namespace tarnel {

ResultTree ResultTree::Build(SymbolList& list) {
  list.SwitchToKeyOrder();

  // The records that enter the tree, each with its parent's place in this list (0: the root),
  // in ascending key order; a parent always comes before its children in the list.
  std::vector<const TPassRec*> records{nullptr};
  std::vector<int> parents{-1};
  records.reserve(static_cast<std::size_t>(list.Count()) + 1);
  parents.reserve(records.capacity());
  // The place of the first record entered under a key (letter case ignored), by where the list
  // keeps that key.
  std::vector<int> placeOfKey(static_cast<std::size_t>(list.Count()), -1);
  for (int i = 0; i < list.Count(); ++i) {
    const TPassRec& record = list.At(i);
    int parent = 0;
    if (record.ParentKey != "1") {
      const int parentKey = list.RecordedIndexOf(record.ParentKey);
      parent = parentKey < 0 ? -1 : placeOfKey[static_cast<std::size_t>(parentKey)];
      if (parent < 0) continue;
    }
    const int index = static_cast<int>(records.size());
    records.push_back(&record);
    parents.push_back(parent);
    int& place = placeOfKey[static_cast<std::size_t>(list.RecordedIndexOf(record.Key))];
    if (place < 0) place = index;
  }

  // Children in the order they were added, grouped by their parent's place.
  const GroupedByBucket<int> children(records.size(), [&](auto emit) {
    for (std::size_t i = 1; i < records.size(); ++i) {
      emit(static_cast<std::size_t>(parents[i]), static_cast<int>(i));
    }
  });

  // Depth-first walk with an explicit stack of (place, parent node, depth). The child lists are
  // written after the walk, once every place has its node.
  ResultTree tree;
  std::vector<int> nodeOfPlace(records.size(), -1);
  std::vector<int> placeOfNode;
  placeOfNode.reserve(records.size());
  struct Step {
    int Place;
    int Parent;
    int Depth;
  };
  std::vector<Step> stack{{0, -1, 0}};
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    const auto place = static_cast<std::size_t>(step.Place);
    const TPassRec* record = records[place];
    const int index = static_cast<int>(tree.nodes_.size());
    nodeOfPlace[place] = index;
    placeOfNode.push_back(step.Place);
    TreeNode& node = tree.nodes_.emplace_back();
    node.Record = record;
    node.Depth = step.Depth;
    node.Image = record ? record->Kind : 0;
    node.Parent = step.Parent;
    const std::span<const int> below = children.Group(place);
    for (auto child = below.rbegin(); child != below.rend(); ++child) {
      stack.push_back({*child, index, step.Depth + 1});
    }
  }

  // Every record but the root is some node's child; reserving the exact size keeps the spans
  // valid while the list fills.
  tree.children_.reserve(records.size() - 1);
  for (std::size_t index = 0; index < tree.nodes_.size(); ++index) {
    const std::size_t first = tree.children_.size();
    for (const int child : children.Group(static_cast<std::size_t>(placeOfNode[index]))) {
      tree.children_.push_back(nodeOfPlace[static_cast<std::size_t>(child)]);
    }
    tree.nodes_[index].Children = {tree.children_.data() + first, tree.children_.size() - first};
  }
  return tree;
}

}  // namespace tarnel
