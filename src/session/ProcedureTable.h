#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/SymbolList.h"

namespace tarnel {

// Every procedure of the project as one row of a table that the user can rank by any column,
// narrow down by part of a name, and save as CSV.
class ProcedureTable {
 public:
  enum Column { Module, Name, Kind, Scope, Line, Lines, Callers, Callees, ColumnCount };

  // The procedures of the list in its current order.
  explicit ProcedureTable(const SymbolList& symbols);

  static const char* Header(Column column);
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const TPassRec& Record(int row) const { return *rows_[static_cast<std::size_t>(row)].Record; }
  // The cell as engine text (numbers in decimal).
  std::string Cell(int row, Column column) const;

  // Orders the rows by column (numbers by value, texts without regard to letter case); rows that
  // compare equal keep their order, so sorting by one column and then another ranks by both.
  void Sort(Column column, bool ascending);
  // Keeps only the procedures whose name matches text as the search matches it; an empty text
  // shows every procedure again.
  void Filter(std::string_view text);

  // The shown rows (or only those given) as RFC 4180 CSV in UTF-8: a header row, fields quoted
  // where they hold a comma, a quote or a line end, lines ended by CR LF.
  std::string ToCsv(const std::vector<int>& rows) const;
  std::string ToCsv() const;

 private:
  struct Row {
    const TPassRec* Record;
    std::string Module;
  };
  std::vector<Row> all_;
  std::vector<Row> rows_;
};

}  // namespace tarnel
