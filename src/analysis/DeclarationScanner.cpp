#include <array>

#include "analysis/AnalysisSteps.h"
#include "analysis/LineCompare.h"
#include "analysis/ModuleScan.h"
#include "platform/ByteText.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

struct DeclarationRow {
  std::string_view Prefix;
  std::string_view StaticPrefix;  // empty when the row has no Static form
  SymbolKind Kind;
  const char* Scope;
};

// Tried in this order; at most one row matches a line.
constexpr std::array<DeclarationRow, 15> kDeclarationRows{{
    {"Private Sub ", "Private Static Sub ", KindSub, "P"},
    {"Public Sub ", "Public Static Sub ", KindSub, "G"},
    {"Sub ", "Static Sub ", KindSub, "G"},
    {"Private Function ", "Private Static Function ", KindFunction, "P"},
    {"Public Function ", "Public Static Function ", KindFunction, "G"},
    {"Function ", "Static Function ", KindFunction, "G"},
    {"Private Property Get ", "", KindPropertyGet, "P"},
    {"Public Property Get ", "", KindPropertyGet, "G"},
    {"Property Get ", "", KindPropertyGet, "G"},
    {"Private Property Let ", "", KindPropertyLet, "P"},
    {"Public Property Let ", "", KindPropertyLet, "G"},
    {"Property Let ", "", KindPropertyLet, "G"},
    {"Private Property Set ", "", KindPropertySet, "P"},
    {"Public Property Set ", "", KindPropertySet, "G"},
    {"Property Set ", "", KindPropertySet, "G"},
}};

// The matching row and the length of the prefix that matched, or nullptr.
const DeclarationRow* MatchDeclaration(std::string_view line, std::size_t& prefixLength) {
  // Every prefix begins with P, S or F; most lines begin with something else.
  if (line.empty() || (line[0] != 'P' && line[0] != 'S' && line[0] != 'F')) return nullptr;
  for (const DeclarationRow& row : kDeclarationRows) {
    if (StartsLikeLeftCut(line, row.Prefix)) {
      prefixLength = row.Prefix.size();
      return &row;
    }
    if (!row.StaticPrefix.empty() && StartsLikeLeftCut(line, row.StaticPrefix)) {
      prefixLength = row.StaticPrefix.size();
      return &row;
    }
  }
  return nullptr;
}

// The text after the prefix up to the first "(", trimmed; empty when no "(" follows.
std::string_view ProcedureName(std::string_view line, std::size_t prefixLength) {
  std::string_view rest = prefixLength < line.size() ? line.substr(prefixLength) : "";
  std::size_t paren = rest.find('(');
  if (paren == std::string_view::npos) return {};
  return TrimControls(rest.substr(0, paren));
}

// Reads up to the module's name: the first line of a standard module, the "Attribute VB_Name"
// line of the others (the whole file when there is none).
std::string ReadModuleName(LineCounters& counters, TextReader& file, bool hasHeader) {
  counters.LineNo = 0;
  counters.ContinuationCount = 0;
  if (!hasHeader) {
    std::string_view nameLine = file.ReadLineView();
    counters.LineNo = 1;
    return ExtractQuoted(nameLine, '"');
  }
  while (!file.AtEnd()) {
    std::string_view line = file.ReadLineView();
    ++counters.LineNo;
    if (StartsLikeLeftCut(line, "Attribute VB_Name")) return ExtractQuoted(line, '"');
  }
  return {};
}

// Enters the procedures found in a module, numbered on from the analysis's total.
void EnterProcedures(AnalysisRun& run, const TPassRec& module, const ModuleScan& scan) {
  // The module's records are made whole first and entered after, so that the texts they hold
  // come before them in memory and the stored records lie side by side: the passes that follow
  // walk the records many times and read little of their texts.
  std::vector<TPassRec> procs;
  procs.reserve(scan.Procedures.size());
  long number = run.ProcedureTotal;
  ForEachDeclaration(
      scan.Procedures, scan.Texts,
      [&](const ScannedDeclaration& declared, std::string_view name, std::string_view text) {
        TPassRec& proc = procs.emplace_back();
        proc.Level = 4;
        proc.FullName.reserve(module.FullName.size() + 1 + name.size());
        proc.FullName.append(module.FullName).append(".").append(name);
        proc.Name = name;
        proc.Key = FormatKey(4, ++number);
        proc.ParentKey = module.Key;
        proc.Scope = declared.Scope;
        proc.Kind = declared.Kind;
        proc.Text = text;
        proc.StartLine = declared.StartLine;
        proc.BodyLines = declared.BodyLines;
      });
  for (TPassRec& proc : procs) AddSymbol(run, std::move(proc));
  run.ProcedureTotal = number;
}

// Reads a module's file, or takes it from the prefetch, and enters what it holds.
void ReadModule(AnalysisRun& run, TPassRec& module, bool hasHeader) {
  std::optional<ModuleScan> scan;
  if (run.Prefetch != nullptr) scan = run.Prefetch->Take(module.Text);
  if (!scan) {
    const SourceDecoder& decoder = run.Result.Decoder;
    scan = ScanModuleFile(module.Text, hasHeader, run.Paths, decoder.ForReaders());
  }
  if (scan->Missing) {
    run.Host.ShowRepeatedMessage(RepeatedMessage::FileNotFound, "File Not Found : " + module.Text);
    return;
  }
  if (scan->Error) std::rethrow_exception(scan->Error);
  module.FullName = scan->FullName;
  EnterProcedures(run, module, *scan);
  static_cast<LineCounters&>(run) = scan->Counters;
}

}  // namespace

void FindDeclarations(LineCounters& counters, TextReader& file,
                      std::vector<ScannedDeclaration>& found, std::string& texts) {
  std::string joined;
  while (!file.AtEnd()) {
    counters.ContinuationCount = 0;
    // The logical line starts on the next physical line. LineNo - ContinuationCount gives the
    // same number, except when the file ends right after a continued line: that join is counted
    // without a line being read, and the difference would be one too small (0 for line 1).
    const long firstLine = counters.LineNo + 1;
    std::string_view line = ReadLogicalLineView(counters, file, joined);
    std::size_t prefixLength = 0;
    const DeclarationRow* row = MatchDeclaration(line, prefixLength);
    if (row == nullptr) continue;

    ScannedDeclaration& proc = found.emplace_back();
    const std::string_view name = ProcedureName(line, prefixLength);
    proc.NameLength = name.size();
    proc.TextLength = line.size();
    texts.append(name).append(line);
    proc.Scope = row->Scope;
    proc.Kind = row->Kind;
    proc.StartLine = static_cast<std::int32_t>(firstLine);

    // Only an end line that starts in the first column ends the procedure. A file that ends first
    // gives the procedure every line up to its end.
    long read = 0;
    const bool ended = file.SkipPastLine('E', IsEndLine, read);
    counters.LineNo += read;
    proc.BodyLines = static_cast<std::int32_t>(counters.LineNo - proc.StartLine - (ended ? 1 : 0));
  }
}

ModuleScan ScanModuleFile(const std::string& path, bool hasHeader) {
  PathResolver resolver;
  return ScanModuleFile(path, hasHeader, resolver);
}

ModuleScan ScanModuleFile(const std::string& path, bool hasHeader, PathResolver& resolver,
                          const SourceDecoder* decoder) {
  ModuleScan scan;
  try {
    // One reader per thread, so that its storage serves every module that thread reads.
    thread_local TextReader file;
    const bool there = decoder != nullptr ? decoder->LoadIfThere(file, path, resolver)
                                          : file.OpenIfThere(path, resolver);
    if (!there) {
      scan.Missing = true;
      return scan;
    }
    scan.FullName = ReadModuleName(scan.Counters, file, hasHeader);
    FindDeclarations(scan.Counters, file, scan.Procedures, scan.Texts);
    file.Release();
  } catch (...) {
    scan.Error = std::current_exception();
  }
  return scan;
}

void ReadStdModule(AnalysisRun& run, TPassRec& module) { ReadModule(run, module, false); }

void ReadHeaderModule(AnalysisRun& run, TPassRec& module) { ReadModule(run, module, true); }

ModulePrefetch::ModulePrefetch(std::vector<Module> modules, unsigned workers,
                               PathResolver& resolver, const SourceDecoder* decoder)
    : modules_(std::move(modules)),
      resolver_(resolver),
      decoder_(decoder),
      work_(modules_.size(), [this](std::size_t index, ModuleScan& out, unsigned) {
        out = ScanModuleFile(modules_[index].Path, modules_[index].HasHeader, resolver_, decoder_);
      }) {
  work_.Start(workers);
}

std::optional<ModuleScan> ModulePrefetch::Take(const std::string& path) {
  if (next_ >= modules_.size() || modules_[next_].Path != path) return std::nullopt;
  return std::move(work_.Take(next_++));
}

}  // namespace tarnel
