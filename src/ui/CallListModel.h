#pragma once

#include <QAbstractItemModel>
#include <string>
#include <vector>

#include "session/ProjectSession.h"

namespace tarnel {

// The items of a report list (lsYCall, lsICall): one procedure record per row, in the order added,
// with the six columns Name, Scope, Module, File, start line and body lines.
class CallListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 6;

  // The list shows the session's rows of side.
  CallListModel(const ProjectSession& session, CallSide side, QObject* parent = nullptr);

  // Removes every item.
  void Clear();
  // Shows the session's rows as they are now.
  void Refresh();
  // The lines at which the row's call is made, in source order; empty without call sites.
  const std::vector<int>& SiteLines(int row) const;

  int Count() const { return static_cast<int>(items_.size()); }
  const TPassRec* RecordAt(int row) const;
  // The text of a cell, as the list shows it, decoded from the records' encoding.
  QString Text(int row, int column) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const ProjectSession& session_;
  CallSide side_;
  // The rows shown, held apart so that the session may change its rows before the views hear.
  std::vector<CallRow> items_;
  bool sites_ = false;                           // a seventh column with the call-site lines
  TextEncoding encoding_ = TextEncoding::Cp932;  // of the records that items_ point to
  // The procedure whose rows were last shown; its count is in the first header.
  const TPassRec* counted_ = nullptr;
};

}  // namespace tarnel
