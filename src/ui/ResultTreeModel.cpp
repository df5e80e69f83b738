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
  rowInParent_.assign(tree_ ? static_cast<std::size_t>(tree_->Count()) : 0, 0);
  if (tree_) {
    for (const TreeNode& node : tree_->Nodes()) {
      for (std::size_t row = 0; row < node.Children.size(); ++row) {
        rowInParent_[static_cast<std::size_t>(node.Children[row])] = static_cast<int>(row);
      }
    }
  }
  endResetModel();
}

int ResultTreeModel::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || tree_ == nullptr) return -1;
  return static_cast<int>(index.internalId());
}

QModelIndex ResultTreeModel::IndexOf(int node) const {
  if (tree_ == nullptr || node < 0 || node >= tree_->Count()) return {};
  return createIndex(rowInParent_[static_cast<std::size_t>(node)], 0, static_cast<quintptr>(node));
}

const TPassRec* ResultTreeModel::RecordOf(const QModelIndex& index) const {
  int node = NodeOf(index);
  return node < 0 ? nullptr : tree_->Node(node).Record;
}

QModelIndex ResultTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (tree_ == nullptr || column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? IndexOf(0) : QModelIndex();
  const TreeNode& node = tree_->Node(NodeOf(parent));
  if (row >= static_cast<int>(node.Children.size())) return {};
  return createIndex(row, 0, static_cast<quintptr>(node.Children[static_cast<std::size_t>(row)]));
}

QModelIndex ResultTreeModel::parent(const QModelIndex& child) const {
  int node = NodeOf(child);
  if (node <= 0) return {};
  return IndexOf(tree_->Node(node).Parent);
}

int ResultTreeModel::rowCount(const QModelIndex& parent) const {
  if (tree_ == nullptr) return 0;
  if (!parent.isValid()) return 1;
  if (parent.column() != 0) return 0;
  return static_cast<int>(tree_->Node(NodeOf(parent)).Children.size());
}

int ResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ResultTreeModel::data(const QModelIndex& index, int role) const {
  int node = NodeOf(index);
  if (node < 0) return {};
  const TreeNode& n = tree_->Node(node);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return FromRecordText(n.Caption, encoding_);
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
