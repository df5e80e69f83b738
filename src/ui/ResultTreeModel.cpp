#include "ui/ResultTreeModel.h"

#include "platform/CodePage.h"
#include "ui/Cp932Text.h"
#include "ui/ImageList.h"

namespace tarnel {

ResultTreeModel::ResultTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void ResultTreeModel::SetTree(const ResultTree* tree, TextEncoding encoding) {
  beginResetModel();
  encoding_ = encoding;
  tree_ = (tree != nullptr && !tree->Empty()) ? tree : nullptr;
  filter_ = nullptr;
  IndexRows();
  endResetModel();
  emit TreeChanged();
}

void ResultTreeModel::SetFilter(const TreeFilter* filter) {
  beginResetModel();
  filter_ = (filter != nullptr && filter->Active()) ? filter : nullptr;
  IndexRows();
  endResetModel();
}

void ResultTreeModel::IndexRows() {
  shownChildren_.clear();
  rowInParent_.assign(tree_ ? static_cast<std::size_t>(tree_->Count()) : 0, filter_ ? -1 : 0);
  if (tree_ == nullptr) return;
  if (filter_ != nullptr) {
    shownChildren_.resize(static_cast<std::size_t>(tree_->Count()));
    for (int i = 0; i < tree_->Count(); ++i) {
      if (!filter_->Shown(i)) continue;
      const int parent = tree_->Node(i).Parent;
      if (parent < 0) {
        rowInParent_[static_cast<std::size_t>(i)] = 0;
        continue;
      }
      std::vector<int>& siblings = shownChildren_[static_cast<std::size_t>(parent)];
      rowInParent_[static_cast<std::size_t>(i)] = static_cast<int>(siblings.size());
      siblings.push_back(i);
    }
    return;
  }
  for (const TreeNode& node : tree_->Nodes()) {
    for (std::size_t row = 0; row < node.Children.size(); ++row) {
      rowInParent_[static_cast<std::size_t>(node.Children[row])] = static_cast<int>(row);
    }
  }
}

std::span<const int> ResultTreeModel::ChildrenOf(int node) const {
  if (filter_ != nullptr) return shownChildren_[static_cast<std::size_t>(node)];
  return tree_->Node(node).Children;
}

int ResultTreeModel::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || tree_ == nullptr) return -1;
  return static_cast<int>(index.internalId());
}

QModelIndex ResultTreeModel::IndexOf(int node) const {
  if (tree_ == nullptr || node < 0 || node >= tree_->Count()) return {};
  const int row = rowInParent_[static_cast<std::size_t>(node)];
  if (row < 0) return {};
  return createIndex(row, 0, static_cast<quintptr>(node));
}

const TPassRec* ResultTreeModel::RecordOf(const QModelIndex& index) const {
  int node = NodeOf(index);
  return node < 0 ? nullptr : tree_->Node(node).Record;
}

QModelIndex ResultTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (tree_ == nullptr || column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? IndexOf(0) : QModelIndex();
  const std::span<const int> children = ChildrenOf(NodeOf(parent));
  if (row >= static_cast<int>(children.size())) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex ResultTreeModel::parent(const QModelIndex& child) const {
  int node = NodeOf(child);
  if (node <= 0) return {};
  return IndexOf(tree_->Node(node).Parent);
}

int ResultTreeModel::rowCount(const QModelIndex& parent) const {
  if (tree_ == nullptr) return 0;
  if (!parent.isValid()) return filter_ != nullptr && !filter_->Shown(0) ? 0 : 1;
  if (parent.column() != 0) return 0;
  return static_cast<int>(ChildrenOf(NodeOf(parent)).size());
}

int ResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ResultTreeModel::data(const QModelIndex& index, int role) const {
  int node = NodeOf(index);
  if (node < 0) return {};
  const TreeNode& n = tree_->Node(node);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return FromRecordText(n.Caption(), encoding_);
    case Qt::DecorationRole:
      return ImageList1().Icon(n.Image);
    default:
      return {};
  }
}

Qt::ItemFlags ResultTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnel
