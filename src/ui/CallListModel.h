#pragma once

#include <QAbstractItemModel>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"

namespace tarnel {

// The items of a report list (lsYCall, lsICall): one procedure record per row, in the order added,
// with the six columns Name, Scope, Module, File, start line and body lines.
class CallListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 6;

  explicit CallListModel(QObject* parent = nullptr);

  // Removes every item.
  void Clear();
  // Replaces the items with the procedures of keys, in key order: FillCallList's work. After a
  // precise analysis, with the selected procedure given, a seventh column shows the first line
  // at which the call is made (and how many there are): itemsCallSelected for the callers' list.
  void Fill(const AnalysisContext& ctx, const std::vector<std::string>& keys,
            const TPassRec* selected = nullptr, bool itemsCallSelected = false);
  // The lines at which the row's call is made, in source order; empty without call sites.
  const std::vector<int>& SiteLines(int row) const;

  int Count() const { return static_cast<int>(items_.size()); }
  const TPassRec* RecordAt(int row) const;
  // The text of a cell, as the list shows it (UTF-8 converted from the record's bytes).
  QString Text(int row, int column) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Item {
    const TPassRec* Proc;
    const TPassRec* Module;
    std::vector<int> Sites;
  };
  std::vector<Item> items_;
  bool sites_ = false;
};

}  // namespace tarnel
