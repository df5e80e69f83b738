#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "session/ProcedureTable.h"

namespace tarnel {

// Every procedure of an analysis as a table the views can sort and narrow down; the rows are
// the session's ProcedureTable, shown as the windows show engine text.
class ProcedureTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ProcedureTableModel(QObject* parent = nullptr);

  // Shows the procedures of ctx (with the precise marks when it has them), narrowed by the
  // current filter and in the current order. The records must stay until the next Fill or Clear.
  void Fill(const AnalysisContext& ctx);
  void Clear();
  // Keeps only the procedures whose name contains text (as the search matches names).
  void SetFilter(const QString& text);
  const QString& FilterText() const { return filter_; }

  const ProcedureTable* Table() const { return table_.get(); }
  const TPassRec* RecordAt(int row) const;
  // All procedures, before the filter.
  int TotalCount() const { return total_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  std::string FilterBytes() const;
  std::unique_ptr<ProcedureTable> table_;
  QString filter_;
  int total_ = 0;
  int sortColumn_ = -1;  // -1: the analysis's order
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace tarnel
