#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/PreciseModel.h"
#include "analysis/SymbolList.h"
#include "reports/ExportGraph.h"
#include "reports/LineSink.h"
#include "reports/SarifExport.h"

namespace tarnel {

// A procedure that nothing calls, that no chain of calls reaches, or that only a string names.
struct UnusedEntry {
  std::string_view Mark;  // "Unused", "Unreachable" or "ByName"
  const TPassRec* Procedure = nullptr;
  const TPassRec* Module = nullptr;
};

// The marked procedures of a precise analysis, modules in project order and each module's
// procedures in source order.
std::vector<UnusedEntry> CollectUnused(const SymbolList& symbols, const PreciseModel& model);

// One line per entry: mark, Module.Name, kind word, the module's file as the project names it,
// and the declaration's line; tab-separated, or as RFC 4180 CSV under a header line. The texts
// are the records' bytes: the caller's sink converts them as its reports do.
void WriteUnusedList(LineSink& sink, const std::vector<UnusedEntry>& entries, bool csv);

// The entries as findings of the SARIF export, one per procedure.
std::vector<Finding> FindingsOf(const std::vector<UnusedEntry>& entries);

// The call-site lines that the precise reading recorded, for the exports.
class PreciseCallSites : public CallSiteSource {
 public:
  explicit PreciseCallSites(const PreciseModel& model) : model_(model) {}
  void AppendLines(const TPassRec& caller, std::string_view calleeKey,
                   std::vector<int>& lines) const override;

 private:
  const PreciseModel& model_;
};

// True when a file name asks for CSV (it ends in ".csv", letter case ignored).
bool WantsCsv(std::string_view fileName);

}  // namespace tarnel
