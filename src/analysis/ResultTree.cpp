#include "analysis/ResultTree.h"

#include <unordered_map>

#include "platform/ByteText.h"

namespace tarnel {

ResultTree ResultTree::Build(SymbolList& list) {
  list.SwitchToKeyOrder();

  // Children in the order they are added (ascending keys), then laid out depth first.
  struct Pending {
    const TPassRec* Record;
    std::vector<int> Children;
  };
  std::vector<Pending> pending;
  pending.push_back({nullptr, {}});
  std::unordered_map<std::string, int> byKey;
  for (int i = 0; i < list.Count(); ++i) {
    const TPassRec& record = list.At(i);
    int parent = 0;
    if (record.ParentKey != "1") {
      auto it = byKey.find(FoldCase(record.ParentKey));
      if (it == byKey.end()) continue;
      parent = it->second;
    }
    int index = static_cast<int>(pending.size());
    pending.push_back({&record, {}});
    pending[static_cast<std::size_t>(parent)].Children.push_back(index);
    byKey.emplace(FoldCase(record.Key), index);
  }

  ResultTree tree;
  tree.nodes_.reserve(pending.size());
  // Depth-first walk with an explicit stack of (pending index, parent node, depth).
  struct Step {
    int Pending;
    int Parent;
    int Depth;
  };
  std::vector<Step> stack{{0, -1, 0}};
  while (!stack.empty()) {
    Step step = stack.back();
    stack.pop_back();
    const Pending& source = pending[static_cast<std::size_t>(step.Pending)];
    int index = static_cast<int>(tree.nodes_.size());
    TreeNode node;
    node.Record = source.Record;
    node.Caption = source.Record ? source.Record->Name : "Vbp";
    node.Depth = step.Depth;
    node.Image = source.Record ? source.Record->Kind : 0;
    node.Parent = step.Parent;
    tree.nodes_.push_back(std::move(node));
    if (step.Parent >= 0)
      tree.nodes_[static_cast<std::size_t>(step.Parent)].Children.push_back(index);
    for (auto it = source.Children.rbegin(); it != source.Children.rend(); ++it) {
      stack.push_back({*it, index, step.Depth + 1});
    }
  }
  return tree;
}

}  // namespace tarnel
