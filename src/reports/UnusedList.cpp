#include "reports/UnusedList.h"

#include "platform/ByteText.h"
#include "reports/ExportGraph.h"
#include "reports/ExportText.h"

namespace tarnel {

namespace {

void AppendField(std::string& out, std::string_view field, bool csv) {
  if (csv) {
    AppendCsvField(out, field);
  } else {
    out += field;
  }
}

}  // namespace

std::vector<UnusedEntry> CollectUnused(const SymbolList& symbols, const PreciseModel& model) {
  std::vector<UnusedEntry> entries;
  for (const ModuleModel& module : model.Modules) {
    const TPassRec* moduleRecord = symbols.TryFind(module.Key);
    for (const ProcedureDecl& decl : module.Procedures) {
      auto it = model.Marks.find(decl.Key);
      if (it == model.Marks.end() || decl.Record == nullptr) continue;
      const ProcedureMarks& marks = it->second;
      const std::string_view mark = marks.Unused        ? "Unused"
                                    : marks.ByName      ? "ByName"
                                    : marks.Unreachable ? "Unreachable"
                                                        : "";
      if (!mark.empty()) entries.push_back({mark, decl.Record, moduleRecord});
    }
  }
  return entries;
}

void WriteUnusedList(LineSink& sink, const std::vector<UnusedEntry>& entries, bool csv) {
  const char separator = csv ? ',' : '\t';
  if (csv) sink.WriteLine("Mark,Name,Kind,File,Line");
  std::string line;
  for (const UnusedEntry& e : entries) {
    line.clear();
    AppendField(line, e.Mark, csv);
    line += separator;
    AppendField(line, e.Procedure->FullName, csv);
    line += separator;
    AppendField(line, ProcedureKindWord(e.Procedure->Kind), csv);
    line += separator;
    AppendField(line, e.Module != nullptr ? std::string_view(e.Module->Name) : "", csv);
    line += separator;
    line += std::to_string(e.Procedure->StartLine);
    sink.WriteLine(line);
  }
}

std::vector<Finding> FindingsOf(const std::vector<UnusedEntry>& entries) {
  std::vector<Finding> findings;
  findings.reserve(entries.size());
  for (const UnusedEntry& e : entries) {
    const FindingRule rule = e.Mark == "Unused"   ? FindingRule::Unused
                             : e.Mark == "ByName" ? FindingRule::MaybeByName
                                                  : FindingRule::Unreachable;
    findings.push_back({rule, e.Procedure->Key});
  }
  return findings;
}

void PreciseCallSites::AppendLines(const TPassRec& caller, std::string_view calleeKey,
                                   std::vector<int>& lines) const {
  auto it = model_.CallSites.find(caller.Key);
  if (it == model_.CallSites.end()) return;
  for (const CallSite& site : it->second) {
    if (site.Callee != nullptr && site.Callee->Key == calleeKey) lines.push_back(site.Line);
  }
}

bool WantsCsv(std::string_view fileName) {
  return fileName.size() >= 4 && SameTextIgnoreCase(fileName.substr(fileName.size() - 4), ".csv");
}

}  // namespace tarnel
