#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "analysis/Analysis.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

// Hides the progress dialog and enables the main window on every way out of the pass.
class ProgressScope {
 public:
  explicit ProgressScope(AnalysisHost& host) : host_(host) { host_.BeginProgress(); }
  ~ProgressScope() { host_.EndProgress(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  AnalysisHost& host_;
};

// The module file that the pass has open. Procedures of one module are visited in line order, so
// the file is read once per pass and only rewound when a procedure lies before the current line.
class ModuleCursor {
 public:
  TextReader& Seek(const TPassRec& module, long startLine) {
    if (!reader_ || moduleKey_ != module.Key) {
      if (!ResolvePath(module.Text)) throw FileOpenError(module.Text);
      reader_.emplace(module.Text);
      moduleKey_ = module.Key;
      line_ = 0;
    }
    if (line_ > startLine) {
      reader_->Rewind();
      line_ = 0;
    }
    reader_->SkipLines(startLine - line_);
    line_ = startLine;
    return *reader_;
  }
  void MovedTo(long line) { line_ = line; }

 private:
  std::optional<TextReader> reader_;
  std::string moduleKey_;
  long line_ = 0;
};

long ProcedureNumber(const std::string& key) {
  std::size_t dash = key.find('-');
  return dash == std::string::npos ? 0 : std::atol(key.c_str() + dash + 1);
}

// Records one call; the two lists stay mirror images, so one membership test serves both.
void RecordCall(TPassRec& caller, TPassRec& callee, std::unordered_set<const TPassRec*>& seen) {
  if (!seen.insert(&callee).second) return;
  caller.Calls.push_back(callee.Key);
  callee.CalledBy.push_back(caller.Key);
}

void ScanBody(AnalysisContext& ctx, TPassRec& proc, ModuleCursor& cursor) {
  const TPassRec& module = FindSymbol(ctx, proc.ParentKey);
  TextReader& file = cursor.Seek(module, proc.StartLine);
  ctx.LineNo = proc.StartLine;
  std::unordered_set<const TPassRec*> seen;
  for (const std::string& key : proc.Calls) seen.insert(ctx.SymbolList.TryFind(key));

  const long last = static_cast<long>(proc.StartLine) + proc.BodyLines;
  while (ctx.LineNo < last) {
    if (file.AtEnd()) {
      ctx.Host->ShowMessage("Eof");
      break;
    }
    std::string line = ReadLogicalLine(ctx, file);
    if (line.empty()) continue;
    ctx.TokenList = SplitFields(BlankOut(BlankOut(line, '('), ')'));
    std::vector<std::string>& tokens = ctx.TokenList;

    // An assignment to the procedure's own name before the first "=" sets its result; it is no
    // call. Only that first occurrence goes.
    auto own = std::find_if(tokens.begin(), tokens.end(),
                            [&](const std::string& t) { return SameTextIgnoreCase(t, proc.Name); });
    auto equals = std::find(tokens.begin(), tokens.end(), "=");
    if (own != tokens.end() && equals != tokens.end() && equals > own) tokens.erase(own);

    for (long n = static_cast<long>(tokens.size()) - 1; n >= 0; --n) {
      // The token before a reserved word is looked up without a dictionary test of its own.
      if (ctx.ReservedWords.Contains(tokens[static_cast<std::size_t>(n)])) {
        if (--n < 0) break;
      }
      const std::string& token = tokens[static_cast<std::size_t>(n)];
      if (token.empty()) continue;  // an empty token never names a procedure
      TPassRec* callee = ctx.ProcFullNames.Find(token);
      if (callee == nullptr) callee = ctx.ProcNames.Find(token);
      if (callee != nullptr) RecordCall(proc, *callee, seen);
    }
  }
  cursor.MovedTo(ctx.LineNo);
}

}  // namespace

void AddUniqueKey(std::vector<std::string>& list, const std::string& key) {
  if (std::find(list.begin(), list.end(), key) == list.end()) list.push_back(key);
}

void IndexProcedures(AnalysisContext& ctx) {
  std::vector<TPassRec*> procedures;
  for (int i = 0; i < ctx.SymbolList.Count(); ++i) {
    TPassRec& record = ctx.SymbolList.At(i);
    if (IsProcedureKind(record.Kind)) procedures.push_back(&record);
  }
  // Recording order, whatever the order of the list: the first recorded wins every unqualified
  // call, also past 9999 procedures where key order and number order part.
  std::stable_sort(procedures.begin(), procedures.end(), [](const TPassRec* a, const TPassRec* b) {
    return ProcedureNumber(a->Key) < ProcedureNumber(b->Key);
  });
  for (TPassRec* proc : procedures) {
    ctx.ProcNames.Append(proc->Name, proc);
    ctx.ProcFullNames.Append(proc->FullName, proc);
  }
}

void BuildXref(AnalysisContext& ctx) {
  ctx.ProcNames.Clear();
  ctx.ProcFullNames.Clear();
  ctx.TokenList.clear();
  ctx.CancelRequested = false;
  IndexProcedures(ctx);

  AnalysisHost& host = *ctx.Host;
  ProgressScope progress(host);
  const int count = ctx.SymbolList.Count();
  host.SetProgressRange(count - 1);
  ModuleCursor cursor;
  char counter[64];
  for (int i = 0; i < count; ++i) {
    host.ProcessEvents();
    TPassRec& record = ctx.SymbolList.At(i);
    std::snprintf(counter, sizeof counter, "Process Xref %d/%d", i, count - 1);
    host.SetProgress(i, counter, record.Name);
    if (ctx.CancelRequested) break;
    if (IsProcedureKind(record.Kind)) ScanBody(ctx, record, cursor);
  }
}

}  // namespace tarnel
