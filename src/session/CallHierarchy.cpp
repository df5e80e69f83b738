#include "session/CallHierarchy.h"

namespace tarnel {

CallHierarchy::CallHierarchy(const SymbolList& symbols, const TPassRec& root, Direction direction)
    : symbols_(symbols), direction_(direction) {
  nodes_.push_back({&root, -1, false, false, {}});
}

bool CallHierarchy::CanExpand(int index) const {
  const Node& node = At(index);
  if (node.Recursive) return false;
  if (node.Expanded) return !node.Children.empty();
  const auto& links = direction_ == Direction::Callers ? node.Record->CalledBy : node.Record->Calls;
  return !links.empty();
}

bool CallHierarchy::OnPath(int index, const TPassRec* record) const {
  for (int i = index; i >= 0; i = At(i).Parent) {
    if (At(i).Record == record) return true;
  }
  return false;
}

const std::vector<int>& CallHierarchy::Expand(int index) {
  if (nodes_[static_cast<std::size_t>(index)].Expanded || At(index).Recursive)
    return At(index).Children;
  const TPassRec& record = *At(index).Record;
  const auto& links = direction_ == Direction::Callers ? record.CalledBy : record.Calls;
  std::vector<int> children;
  for (const std::string key : links) {
    const TPassRec* linked = symbols_.TryFind(key);
    if (linked == nullptr) continue;
    children.push_back(Count());
    nodes_.push_back({linked, index, OnPath(index, linked), false, {}});
  }
  Node& node = nodes_[static_cast<std::size_t>(index)];
  node.Children = std::move(children);
  node.Expanded = true;
  return node.Children;
}

}  // namespace tarnel
