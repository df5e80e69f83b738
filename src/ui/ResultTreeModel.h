#pragma once

#include <QAbstractItemModel>
#include <span>
#include <vector>

#include "analysis/ResultTree.h"
#include "session/ProjectSession.h"
#include "session/TreeFilter.h"

namespace tarnel {

// The result tree as an item model: one row per node, the node's position in the tree's vector
// as the index's internal id, so that a tree of any size is shown without copying it.
class ResultTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit ResultTreeModel(QObject* parent = nullptr);

  // Shows tree (which must outlive its use here), its captions in encoding; nullptr empties the
  // model.
  void SetTree(const ResultTree* tree, TextEncoding encoding = TextEncoding::Cp932);
  // Shows only the nodes that filter shows (nullptr: every node). filter must belong to the tree
  // shown and outlive its use here; the model is reset.
  void SetFilter(const TreeFilter* filter);
  bool Filtered() const { return filter_ != nullptr; }
  const ResultTree* Tree() const { return tree_; }

  // The node behind an index, or -1 for the invisible top.
  int NodeOf(const QModelIndex& index) const;
  // An invalid index for a node that the filter hides.
  QModelIndex IndexOf(int node) const;
  // The record behind an index; nullptr for the root and the invisible top.
  const TPassRec* RecordOf(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // Another tree (or none) is shown: what pointed into the old one must go.
  void TreeChanged();

 private:
  std::span<const int> ChildrenOf(int node) const;
  void IndexRows();

  const ResultTree* tree_ = nullptr;
  TextEncoding encoding_ = TextEncoding::Cp932;
  std::vector<int> rowInParent_;  // -1 for a node the filter hides
  const TreeFilter* filter_ = nullptr;
  std::vector<std::vector<int>> shownChildren_;  // per node, while a filter is set
};

}  // namespace tarnel
