#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

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

// Collects the calls that the pass finds and enters them in Calls and CalledBy. A caller's Calls
// are written when its scan ends; every CalledBy is written once, when the pass ends (Finish), in
// the order in which the callers were scanned, which is the order that appending each call at
// once would give. Calls and CalledBy stay mirror images, so one test for repeats serves both.
class CallRecorder {
 public:
  explicit CallRecorder(const NameIndex& procedures) : procedures_(procedures) {
    const int count = procedures.Count();
    stamps_.assign(static_cast<std::size_t>(count), 0);
    keys_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) keys_.push_back(procedures.RecordAt(i)->Key);
  }

  void BeginCaller(TPassRec& caller) {
    caller_ = &caller;
    ++current_;
    callees_.clear();
  }
  // A call of the procedure at position callee of the name indexes.
  void Record(int callee) {
    unsigned& stamp = stamps_[static_cast<std::size_t>(callee)];
    if (stamp == current_) return;
    stamp = current_;
    callees_.push_back(callee);
  }
  void EndCaller() {
    if (caller_ == nullptr) return;
    caller_->Calls.reserve(caller_->Calls.size() + callees_.size());
    for (int callee : callees_) {
      caller_->Calls.push_back(keys_[static_cast<std::size_t>(callee)]);
      pairs_.emplace_back(callee, caller_);
    }
    caller_ = nullptr;
  }
  void Finish() {
    EndCaller();
    std::vector<std::size_t> counts(keys_.size(), 0);
    for (const auto& pair : pairs_) ++counts[static_cast<std::size_t>(pair.first)];
    for (std::size_t i = 0; i < counts.size(); ++i) {
      if (counts[i] > 0) procedures_.RecordAt(static_cast<int>(i))->CalledBy.reserve(counts[i]);
    }
    for (const auto& [callee, caller] : pairs_) {
      procedures_.RecordAt(callee)->CalledBy.push_back(caller->Key);
    }
    pairs_.clear();
  }

 private:
  const NameIndex& procedures_;
  std::vector<std::string> keys_;  // the procedures' keys, by position
  std::vector<unsigned> stamps_;   // == current_ where the current caller already calls it
  unsigned current_ = 0;
  TPassRec* caller_ = nullptr;
  std::vector<int> callees_;
  std::vector<std::pair<int, TPassRec*>> pairs_;  // (callee, caller) in the order found
};

// The position of the procedure named by token: a qualified name first, then a plain one.
int FindCallee(const AnalysisContext& ctx, std::string_view token) {
  // Every full name holds a ".", so a token without one can only be a plain name.
  if (std::memchr(token.data(), '.', token.size()) != nullptr) {
    int full = ctx.ProcFullNames.IndexOf(token);
    if (full >= 0) return full;
  }
  return ctx.ProcNames.IndexOf(token);
}

// Buffers that the pass keeps across lines and procedures.
struct LineBuffers {
  std::string Joined;    // continued lines joined
  std::string Line;      // the logical line with its parentheses blanked
  std::string Unquoted;  // quoted tokens with doubled quotes undone
};

void ScanBody(AnalysisContext& ctx, TPassRec& proc, ModuleCursor& cursor, CallRecorder& calls,
              LineBuffers& buffers) {
  const TPassRec& module = FindSymbol(ctx, proc.ParentKey);
  TextReader& file = cursor.Seek(module, proc.StartLine);
  ctx.LineNo = proc.StartLine;
  calls.BeginCaller(proc);

  const long last = static_cast<long>(proc.StartLine) + proc.BodyLines;
  while (ctx.LineNo < last) {
    if (file.AtEnd()) {
      ctx.Host->ShowMessage("Eof");
      break;
    }
    std::string_view logical = ReadLogicalLineView(ctx, file, buffers.Joined);
    if (logical.empty()) continue;
    // Parentheses become blanks, as BlankOut would make them.
    std::string& line = buffers.Line;
    line.assign(logical);
    for (char& c : line) {
      if (c == '(' || c == ')') c = ' ';
    }
    SplitFieldViews(line, ctx.TokenList, buffers.Unquoted);
    std::vector<std::string_view>& tokens = ctx.TokenList;

    // An assignment to the procedure's own name before the first "=" sets its result; it is no
    // call. Only that first occurrence goes.
    auto own = std::find_if(tokens.begin(), tokens.end(),
                            [&](std::string_view t) { return SameTextIgnoreCase(t, proc.Name); });
    auto equals = std::find(tokens.begin(), tokens.end(), std::string_view("="));
    if (own != tokens.end() && equals != tokens.end() && equals > own) tokens.erase(own);

    for (long n = static_cast<long>(tokens.size()) - 1; n >= 0; --n) {
      // The token before a reserved word is looked up without a dictionary test of its own.
      if (ctx.ReservedWords.Contains(tokens[static_cast<std::size_t>(n)])) {
        if (--n < 0) break;
      }
      std::string_view token = tokens[static_cast<std::size_t>(n)];
      if (token.empty()) continue;  // an empty token never names a procedure
      int callee = FindCallee(ctx, token);
      if (callee >= 0) calls.Record(callee);
    }
  }
  calls.EndCaller();
  cursor.MovedTo(ctx.LineNo);
}

}  // namespace

void AddUniqueKey(std::vector<std::string>& list, const std::string& key) {
  if (std::find(list.begin(), list.end(), key) == list.end()) list.push_back(key);
}

void IndexProcedures(AnalysisContext& ctx) {
  std::vector<std::pair<long, TPassRec*>> procedures;
  for (int i = 0; i < ctx.SymbolList.Count(); ++i) {
    TPassRec& record = ctx.SymbolList.At(i);
    if (IsProcedureKind(record.Kind)) procedures.emplace_back(ProcedureNumber(record.Key), &record);
  }
  // Recording order, whatever the order of the list: the first recorded wins every unqualified
  // call, also past 9999 procedures where key order and number order part.
  std::stable_sort(procedures.begin(), procedures.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& numbered : procedures) {
    TPassRec* proc = numbered.second;
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
  CallRecorder calls(ctx.ProcNames);
  LineBuffers buffers;
  char counter[64];
  try {
    for (int i = 0; i < count; ++i) {
      host.ProcessEvents();
      TPassRec& record = ctx.SymbolList.At(i);
      std::snprintf(counter, sizeof counter, "Process Xref %d/%d", i, count - 1);
      host.SetProgress(i, counter, record.Name);
      if (ctx.CancelRequested) break;
      if (IsProcedureKind(record.Kind)) ScanBody(ctx, record, cursor, calls, buffers);
    }
  } catch (...) {
    calls.Finish();  // what was found before the failure stays recorded
    throw;
  }
  calls.Finish();
}

}  // namespace tarnel
