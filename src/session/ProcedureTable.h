#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/PreciseModel.h"
#include "analysis/SymbolList.h"

namespace tarnel {

// Every procedure of the project as one row of a table that the user can rank by any column,
// narrow down by part of a name, and save as CSV.
class ProcedureTable {
 public:
  // Mark is a column only after a precise analysis: "Unused", "ByName", "Unreachable" or empty,
  // as the unused list names them.
  enum Column { Module, Name, Kind, Scope, Line, Lines, Callers, Callees, Mark, ColumnCount };

  // The procedures of the list in its current order; with a precise model, their marks too.
  // textIsUtf8: the records hold UTF-8 (read with another encoding than code page 932).
  explicit ProcedureTable(const SymbolList& symbols, const PreciseModel* model = nullptr,
                          bool textIsUtf8 = false);

  static const char* Header(Column column);
  // The columns shown: every one but Mark when there are no marks.
  int Columns() const { return hasMarks_ ? ColumnCount : Mark; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const TPassRec& Record(int row) const { return *rows_[static_cast<std::size_t>(row)].Record; }
  // The cell as the records hold it (numbers in decimal), and as UTF-8.
  std::string Cell(int row, Column column) const;
  std::string Utf8Cell(int row, Column column) const;
  bool TextIsUtf8() const { return textIsUtf8_; }

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
  // The given rows as tab-separated UTF-8 lines without a header, for the clipboard.
  std::string ToTabText(const std::vector<int>& rows) const;

 private:
  struct Row {
    const TPassRec* Record;
    std::string Module;
    std::string_view Mark;
  };
  bool hasMarks_ = false;
  bool textIsUtf8_ = false;
  std::vector<Row> all_;
  std::vector<Row> rows_;
};

}  // namespace tarnel
