#include "ui/ProcedureTableModel.h"

#include "platform/CodePage.h"
#include "ui/Cp932Text.h"

namespace tarnel {

namespace {

bool IsNumber(int column) {
  return column >= ProcedureTable::Line && column <= ProcedureTable::Callees;
}

}  // namespace

ProcedureTableModel::ProcedureTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProcedureTableModel::Fill(const AnalysisContext& ctx) {
  beginResetModel();
  table_ = std::make_unique<ProcedureTable>(ctx.Result.SymbolList, ctx.Result.Precise.get(),
                                            !ctx.Result.Decoder.KeepsBytes());
  total_ = table_->RowCount();
  table_->Filter(FilterBytes());
  if (sortColumn_ >= 0 && sortColumn_ < table_->Columns()) {
    table_->Sort(static_cast<ProcedureTable::Column>(sortColumn_),
                 sortOrder_ == Qt::AscendingOrder);
  }
  endResetModel();
}

void ProcedureTableModel::Clear() {
  beginResetModel();
  table_.reset();
  total_ = 0;
  endResetModel();
}

std::string ProcedureTableModel::FilterBytes() const {
  // The filter is matched against the records' own text.
  return table_->TextIsUtf8() ? filter_.toStdString() : Utf8ToCp932(filter_.toStdString());
}

void ProcedureTableModel::SetFilter(const QString& text) {
  if (text == filter_) return;
  filter_ = text;
  if (table_ == nullptr) return;
  beginResetModel();
  table_->Filter(FilterBytes());
  // The filter starts again from the analysis's order; the chosen order is put back.
  if (sortColumn_ >= 0 && sortColumn_ < table_->Columns()) {
    table_->Sort(static_cast<ProcedureTable::Column>(sortColumn_),
                 sortOrder_ == Qt::AscendingOrder);
  }
  endResetModel();
}

const TPassRec* ProcedureTableModel::RecordAt(int row) const {
  if (table_ == nullptr || row < 0 || row >= table_->RowCount()) return nullptr;
  return &table_->Record(row);
}

int ProcedureTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || table_ == nullptr ? 0 : table_->RowCount();
}

int ProcedureTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return table_ != nullptr ? table_->Columns() : ProcedureTable::Mark;
}

QVariant ProcedureTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || table_ == nullptr || index.row() >= table_->RowCount()) return {};
  const auto column = static_cast<ProcedureTable::Column>(index.column());
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(table_->Utf8Cell(index.row(), column));
  }
  if (role == Qt::TextAlignmentRole && IsNumber(column)) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant ProcedureTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= ProcedureTable::ColumnCount) {
    return {};
  }
  return QString::fromLatin1(ProcedureTable::Header(static_cast<ProcedureTable::Column>(section)));
}

void ProcedureTableModel::sort(int column, Qt::SortOrder order) {
  sortColumn_ = column;
  sortOrder_ = order;
  if (table_ == nullptr) return;
  // A reset rather than a layout change: the rows move wholesale and no selection should follow.
  beginResetModel();
  if (column >= 0 && column < table_->Columns()) {
    table_->Sort(static_cast<ProcedureTable::Column>(column), order == Qt::AscendingOrder);
  } else {
    table_->Filter(FilterBytes());  // back to the analysis's order
  }
  endResetModel();
}

}  // namespace tarnel
