#include "session/ProcedureTable.h"

#include <algorithm>
#include <unordered_map>

#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "reports/ExportGraph.h"
#include "reports/ExportText.h"
#include "reports/UnusedList.h"
#include "session/ProcedureSearch.h"

namespace tarnel {

namespace {

bool IsNumeric(ProcedureTable::Column column) {
  return column == ProcedureTable::Line || column == ProcedureTable::Lines ||
         column == ProcedureTable::Callers || column == ProcedureTable::Callees;
}

long Number(const TPassRec& r, ProcedureTable::Column column) {
  switch (column) {
    case ProcedureTable::Line:
      return r.StartLine;
    case ProcedureTable::Lines:
      return r.BodyLines;
    case ProcedureTable::Callers:
      return static_cast<long>(r.CalledBy.size());
    case ProcedureTable::Callees:
      return static_cast<long>(r.Calls.size());
    default:
      return 0;
  }
}

}  // namespace

ProcedureTable::ProcedureTable(const SymbolList& symbols, const PreciseModel* model,
                               bool textIsUtf8)
    : hasMarks_(model != nullptr), textIsUtf8_(textIsUtf8) {
  std::unordered_map<const TPassRec*, std::string_view> marks;
  if (model != nullptr) {
    for (const UnusedEntry& entry : CollectUnused(symbols, *model))
      marks.emplace(entry.Procedure, entry.Mark);
  }
  for (int i = 0; i < symbols.Count(); ++i) {
    const TPassRec& r = symbols.At(i);
    if (!IsProcedureKind(r.Kind)) continue;
    // FullName is "Module.Name": the module is what stands before the name.
    std::string module = r.FullName;
    if (module.size() > r.Name.size() + 1 &&
        module.compare(module.size() - r.Name.size(), r.Name.size(), r.Name) == 0)
      module.resize(module.size() - r.Name.size() - 1);
    const auto mark = marks.find(&r);
    all_.push_back({&r, std::move(module), mark != marks.end() ? mark->second : ""});
  }
  rows_ = all_;
}

const char* ProcedureTable::Header(Column column) {
  static const char* const kHeaders[ColumnCount] = {"Module", "Name",    "Kind",    "Scope", "Line",
                                                    "Lines",  "Callers", "Callees", "Mark"};
  return kHeaders[column];
}

std::string ProcedureTable::Cell(int row, Column column) const {
  const Row& r = rows_[static_cast<std::size_t>(row)];
  switch (column) {
    case Module:
      return r.Module;
    case Name:
      return r.Record->Name;
    case Kind:
      return std::string(ProcedureKindWord(r.Record->Kind));
    case Scope:
      return r.Record->Scope;
    case Mark:
      return std::string(r.Mark);
    default:
      return std::to_string(Number(*r.Record, column));
  }
}

void ProcedureTable::Sort(Column column, bool ascending) {
  std::vector<std::pair<std::string, std::size_t>> keys;  // folded text of each row, once
  if (!IsNumeric(column)) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      keys.push_back({FoldCase(Cell(static_cast<int>(i), column)), i});
    }
  }
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (IsNumeric(column)) {
      long x = Number(*rows_[a].Record, column), y = Number(*rows_[b].Record, column);
      return ascending ? x < y : y < x;
    }
    return ascending ? keys[a].first < keys[b].first : keys[b].first < keys[a].first;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(rows_[i]);
  rows_ = std::move(sorted);
}

void ProcedureTable::Filter(std::string_view text) {
  rows_.clear();
  if (text.empty()) {
    rows_ = all_;
    return;
  }
  const std::string folded = FoldCase(text);
  for (const Row& row : all_) {
    if (ProcedureSearch::Rank(row.Record->Name, row.Record->FullName, folded) != MatchRank::None)
      rows_.push_back(row);
  }
}

std::string ProcedureTable::ToCsv(const std::vector<int>& rows) const {
  std::string out;
  for (int c = 0; c < Columns(); ++c) {
    if (c > 0) out += ',';
    out += Header(static_cast<Column>(c));
  }
  out += "\r\n";
  for (int row : rows) {
    for (int c = 0; c < Columns(); ++c) {
      if (c > 0) out += ',';
      AppendCsvField(out, Utf8Cell(row, static_cast<Column>(c)));
    }
    out += "\r\n";
  }
  return out;
}

std::string ProcedureTable::Utf8Cell(int row, Column column) const {
  return textIsUtf8_ ? Cell(row, column) : Cp932ToUtf8(Cell(row, column));
}

std::string ProcedureTable::ToCsv() const {
  std::vector<int> rows(rows_.size());
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
  return ToCsv(rows);
}

}  // namespace tarnel

namespace tarnel {

std::string ProcedureTable::ToTabText(const std::vector<int>& rows) const {
  std::string out;
  for (int row : rows) {
    for (int c = 0; c < Columns(); ++c) {
      if (c > 0) out += '\t';
      out += Utf8Cell(row, static_cast<Column>(c));
    }
    out += '\n';
  }
  return out;
}

}  // namespace tarnel
