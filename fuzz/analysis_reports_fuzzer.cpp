// The whole analysis of a small fuzzed project (see FuzzProject for the input's layout), then the
// reports over its result tree. The calls found are checked against a plain reading of every
// body, and the reports against the report rules line by line.
#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/Analysis.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/ResultTree.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "reports/LineSink.h"
#include "reports/ReportWriter.h"
#include "reports/TreeDump.h"

namespace {

using namespace tarnel;
using namespace tarnel::fuzz;

constexpr std::string_view kDictionary =
    "Call\r\nIf\r\nThen\r\nElse\r\nDim\r\nAs\r\nSet\r\nNew\r\n";

long NumberOf(const std::string& key) { return std::atol(key.c_str() + 2); }

// The procedures in recording order.
std::vector<TPassRec*> Procedures(const AnalysisContext& ctx) {
  std::vector<TPassRec*> procs;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    if (IsProcedureKind(ctx.Result.SymbolList.At(i).Kind))
      procs.push_back(&ctx.Result.SymbolList.At(i));
  }
  std::stable_sort(procs.begin(), procs.end(), [](const TPassRec* a, const TPassRec* b) {
    return NumberOf(a->Key) < NumberOf(b->Key);
  });
  return procs;
}

struct ModelCalls {
  std::vector<std::string> Calls, CalledBy;
};

std::vector<std::string> Texts(const std::vector<ProcedureKey>& keys) {
  return {keys.begin(), keys.end()};
}

void AddUnique(std::vector<std::string>& list, const std::string& key) {
  if (std::find(list.begin(), list.end(), key) == list.end()) list.push_back(key);
}

// Every body read again the plain way: the lines after the declaration's first line, through
// the logical line reader; parentheses blanked, fields split, the own name before the first "="
// dropped, the tokens looked up from the last, a token before a reserved word looked up without
// its own dictionary test. An empty token names nothing.
std::vector<ModelCalls> ModelXref(AnalysisContext& ctx, const std::vector<TPassRec*>& procs,
                                  int& eofCount) {
  std::vector<ModelCalls> model(procs.size());
  auto indexOf = [&](const TPassRec* p) {
    return static_cast<std::size_t>(std::find(procs.begin(), procs.end(), p) - procs.begin());
  };
  auto lookup = [&](std::string_view token) -> const TPassRec* {
    for (const TPassRec* p : procs) {
      if (SameTextIgnoreCase(p->FullName, token)) return p;
    }
    for (const TPassRec* p : procs) {
      if (SameTextIgnoreCase(p->Name, token)) return p;
    }
    return nullptr;
  };
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& proc = ctx.Result.SymbolList.At(i);
    if (!IsProcedureKind(proc.Kind)) continue;
    const TPassRec& module = FindSymbol(ctx.Result, proc.ParentKey);
    TextReader file(module.Text);
    file.SkipLines(proc.StartLine);
    LineCounters counters;
    counters.LineNo = proc.StartLine;
    while (counters.LineNo < static_cast<long>(proc.StartLine) + proc.BodyLines) {
      if (file.AtEnd()) {
        ++eofCount;
        break;
      }
      std::string joined;
      std::string line(ReadLogicalLineView(counters, file, joined));
      if (line.empty()) continue;
      std::vector<std::string> tokens = SplitFields(BlankOut(BlankOut(line, '('), ')'));
      auto own = std::find_if(tokens.begin(), tokens.end(), [&](const std::string& t) {
        return SameTextIgnoreCase(t, proc.Name);
      });
      auto eq = std::find(tokens.begin(), tokens.end(), "=");
      if (own != tokens.end() && eq != tokens.end() && eq > own) tokens.erase(own);
      for (long n = static_cast<long>(tokens.size()) - 1; n >= 0; --n) {
        if (ctx.Options.ReservedWords.Contains(tokens[static_cast<std::size_t>(n)]) && --n < 0)
          break;
        const std::string& token = tokens[static_cast<std::size_t>(n)];
        if (token.empty()) continue;
        const TPassRec* callee = lookup(token);
        if (callee == nullptr) continue;
        AddUnique(model[indexOf(&proc)].Calls, callee->Key);
        AddUnique(model[indexOf(callee)].CalledBy, proc.Key);
      }
    }
  }
  return model;
}

const char* KindWord(int kind) {
  static const char* const words[] = {"Sub ", "Function ", "Property Get ", "Property Let ",
                                      "Property Set "};
  return words[kind - KindSub];
}

// The report as its rules describe it, for forms F and C and directions B and N.
std::vector<std::string> ModelReport(const ResultTree& tree, const SymbolList& symbols,
                                     const std::string& caption, char form, char direction,
                                     char style) {
  std::vector<std::string> lines{caption};
  const std::string right = "\x81\xa8", left = "\x81\xa9";
  for (int i = 1; i < tree.Count(); ++i) {
    const TPassRec& rec = *tree.Node(i).Record;
    const std::size_t above = static_cast<std::size_t>(rec.Level - 1);
    const std::string prefix = form == 'F' ? std::string(above * 4, ' ') : std::string(above, ',');
    if (!IsProcedureKind(rec.Kind)) {
      lines.push_back(prefix + rec.Name);
      continue;
    }
    std::string label = style == 'S'  ? KindWord(rec.Kind) + rec.Name
                        : form == 'F' ? rec.Text
                                      : "\"" + rec.Text + "\"";
    std::string pending = prefix + label;
    if (direction == 'N') {
      lines.push_back(pending);
      continue;
    }
    auto links = [&](const std::vector<std::string>& keys, const std::string& arrow) {
      if (form == 'F') {
        std::size_t w = pending.size() > 40 ? 0 : pending.size();
        if (keys.empty()) {
          if (!pending.empty()) lines.push_back(pending);
        }
        for (const std::string& key : keys) {
          lines.push_back(pending + std::string(40 - w, ' ') + arrow + " " +
                          symbols.Find(key).FullName);
          pending = std::string(w, ' ');
        }
        pending.clear();
      } else {
        if (keys.empty() && !pending.empty() && pending != prefix) lines.push_back(pending);
        for (const std::string& key : keys) {
          lines.push_back(pending + "," + arrow + "," + symbols.Find(key).FullName);
          pending = prefix;
        }
        pending = prefix;
      }
    };
    links(Texts(rec.Calls), right);
    links(Texts(rec.CalledBy), left);
  }
  return lines;
}

void CheckReports(AnalysisContext& ctx, const std::string& caption) {
  const int records = ctx.Result.SymbolList.Count();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  if (records == 0) {
    FUZZ_CHECK(tree.Count() <= 1);
    return;
  }
  // Every record has its parent in the tree, so none is left out.
  FUZZ_CHECK(tree.Count() == records + 1);
  FUZZ_CHECK(tree.Node(0).Record == nullptr && tree.Node(0).Caption() == "Vbp");
  for (int i = 1; i < tree.Count(); ++i) {
    const TreeNode& node = tree.Node(i);
    FUZZ_CHECK(node.Record != nullptr && node.Depth == node.Record->Level - 1);
    FUZZ_CHECK(node.Parent >= 0 && node.Parent < i);
    const TreeNode& parent = tree.Node(node.Parent);
    FUZZ_CHECK(parent.Depth + 1 == node.Depth);
    FUZZ_CHECK(parent.Record == nullptr
                   ? node.Record->ParentKey == "1"
                   : SameTextIgnoreCase(parent.Record->Key, node.Record->ParentKey));
  }

  int procedures = 0;
  for (int i = 0; i < records; ++i) procedures += IsProcedureKind(ctx.Result.SymbolList.At(i).Kind);
  for (const auto& [form, direction, style] :
       {std::tuple{'F', 'B', 'S'}, std::tuple{'C', 'B', 'D'}, std::tuple{'F', 'N', 'S'}}) {
    MemoryLineSink sink;
    WriteXrefLines(sink, ReportInput{tree, ctx.Result.SymbolList, caption},
                   ReportOptionsOf(form, direction, style));
    FUZZ_CHECK(sink.Lines ==
               ModelReport(tree, ctx.Result.SymbolList, caption, form, direction, style));
    if (direction == 'N') {
      // One line per node; each procedure's line is its label and nothing else.
      FUZZ_CHECK(static_cast<int>(sink.Lines.size()) == tree.Count());
      int labels = 0;
      for (int i = 1; i < tree.Count(); ++i) {
        const TPassRec& rec = *tree.Node(i).Record;
        if (!IsProcedureKind(rec.Kind)) continue;
        ++labels;
        FUZZ_CHECK(sink.Lines[static_cast<std::size_t>(i)] ==
                   std::string(12, ' ') + KindWord(rec.Kind) + rec.Name);
      }
      FUZZ_CHECK(labels == procedures);
    }
  }
  MemoryLineSink dump;
  WriteTreeDumpLines(dump, tree);
  FUZZ_CHECK(static_cast<int>(dump.Lines.size()) == tree.Count());
  for (int i = 0; i < tree.Count(); ++i) {
    const std::string& line = dump.Lines[static_cast<std::size_t>(i)];
    const std::size_t depth = static_cast<std::size_t>(tree.Node(i).Depth);
    FUZZ_CHECK(line == std::string(depth, '\t') + std::string(tree.Node(i).Caption()));
  }
}

void CheckAnalysis(AnalysisContext& ctx, const QuietHost& host) {
  FUZZ_CHECK(host.Shown == 0);  // the progress dialog is hidden again
  const std::vector<TPassRec*> procs = Procedures(ctx);
  for (std::size_t i = 0; i < procs.size(); ++i) {
    const TPassRec& proc = *procs[i];
    FUZZ_CHECK(proc.Key == FormatKey(4, static_cast<long>(i) + 1));
    // The line range lies inside the module's file.
    const TPassRec& module = FindSymbol(ctx.Result, proc.ParentKey);
    FUZZ_CHECK(IsModuleKind(module.Kind));
    const long physical = CountPhysicalLines(ReadWholeFile(module.Text));
    FUZZ_CHECK(proc.StartLine >= 1 && proc.BodyLines >= 0);
    FUZZ_CHECK(static_cast<long>(proc.StartLine) + proc.BodyLines <= physical);
    // Calls and CalledBy name procedures, hold each key once and mirror each other.
    for (const auto* list : {&proc.Calls, &proc.CalledBy}) {
      std::vector<std::string> sorted = Texts(*list);
      std::sort(sorted.begin(), sorted.end());
      FUZZ_CHECK(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
      for (const std::string key : *list) {
        const TPassRec* other = ctx.Result.SymbolList.TryFind(key);
        FUZZ_CHECK(other != nullptr && IsProcedureKind(other->Kind) && other->Key == key);
        const auto& back = list == &proc.Calls ? other->CalledBy : other->Calls;
        FUZZ_CHECK(std::find(back.begin(), back.end(), proc.Key.View()) != back.end());
      }
    }
  }
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& rec = ctx.Result.SymbolList.At(i);
    if (!IsProcedureKind(rec.Kind)) FUZZ_CHECK(rec.Calls.empty() && rec.CalledBy.empty());
  }

  int eofCount = 0;
  const std::vector<ModelCalls> model = ModelXref(ctx, procs, eofCount);
  for (std::size_t i = 0; i < procs.size(); ++i) {
    FUZZ_CHECK(Texts(procs[i]->Calls) == model[i].Calls);
    FUZZ_CHECK(Texts(procs[i]->CalledBy) == model[i].CalledBy);
  }
  FUZZ_CHECK(eofCount == 0);
  for (const std::string& message : host.Messages) {
    FUZZ_CHECK(message.rfind("File Not Found : ", 0) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzProject project =
      FuzzProject::Split(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!project.StaysInside()) return 0;
  const std::string projectPath = NativeToEngine(project.WriteTo(ScratchFolder::Get()));

  QuietHost host;
  AnalysisContext ctx(host);
  ctx.Options.Workers = 0;
  ctx.Options.ReservedWords.LoadFromBytes(kDictionary);
  AnalyzeProject(ctx, projectPath);  // a reference that names a folder is a missing file
  CheckAnalysis(ctx, host);
  CheckReports(ctx, projectPath);
  return 0;
}
