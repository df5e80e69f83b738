#include "session/TreeFilter.h"

#include "platform/ByteText.h"

namespace tarnel {

bool ContainsWholeCharacters(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  // A needle that ends in a lone lead byte would cut a character in two wherever it matched.
  for (std::size_t j = 0; j < needle.size(); ++j) {
    if (IsLeadByte(static_cast<unsigned char>(needle[j])) && ++j >= needle.size()) return false;
  }
  std::size_t hit = haystack.find(needle);
  if (hit == std::string_view::npos) return false;  // the common case, without walking
  for (std::size_t i = 0; i + needle.size() <= haystack.size();) {
    if (i >= hit) {
      if (haystack.compare(i, needle.size(), needle) == 0) return true;
      hit = haystack.find(needle, i + 1);
      if (hit == std::string_view::npos) return false;
    }
    i += IsLeadByte(static_cast<unsigned char>(haystack[i])) ? 2 : 1;
  }
  return false;
}

TreeFilter::TreeFilter(const ResultTree& tree) : tree_(tree) {
  folded_.resize(static_cast<std::size_t>(tree.Count()));
  for (int i = 0; i < tree.Count(); ++i) {
    const TreeNode& node = tree.Node(i);
    if (node.Record == nullptr) continue;
    if (IsProcedureKind(node.Record->Kind)) {
      folded_[static_cast<std::size_t>(i)] = FoldCase(node.Caption());
    } else if (IsModuleKind(node.Record->Kind)) {
      folded_[static_cast<std::size_t>(i)] =
          FoldCase(node.Caption()) + "\n" + FoldCase(node.Record->FullName);
    }
  }
}

int TreeFilter::Apply(std::string_view text) {
  matches_.clear();
  active_ = !text.empty();
  if (!active_) {
    shown_.clear();
    return 0;
  }
  const std::string needle = FoldCase(text);
  shown_.assign(folded_.size(), 0);
  // Nodes come in tree order, so a module is decided before its procedures.
  for (int i = 0; i < tree_.Count(); ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const TreeNode& node = tree_.Node(i);
    const bool matches = !folded_[at].empty() && ContainsWholeCharacters(folded_[at], needle);
    if (matches) matches_.push_back(i);
    const bool insideMatchedModule =
        node.Parent >= 0 && node.Depth == 3 && shown_[static_cast<std::size_t>(node.Parent)] == 2;
    if (!matches && !insideMatchedModule) continue;
    shown_[at] = matches && node.Record != nullptr && IsModuleKind(node.Record->Kind) ? 2 : 1;
    for (int up = node.Parent; up >= 0 && shown_[static_cast<std::size_t>(up)] == 0;
         up = tree_.Node(up).Parent) {
      shown_[static_cast<std::size_t>(up)] = 1;
    }
  }
  return static_cast<int>(matches_.size());
}

}  // namespace tarnel
