#include <cstdio>

#include "analysis/Analysis.h"
#include "analysis/LineCompare.h"
#include "analysis/PreciseScan.h"
#include "analysis/Reading.h"
#include "analysis/TokenTable.h"
#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

struct PrecisePass {
  const char* GroupKey;
  const char* KindWord;
  char Separator;
  SymbolKind GroupKind;
  SymbolKind ModuleKind;
};

// The designed five, then designers and user documents in groups of their own.
constexpr PrecisePass kPasses[] = {
    {"2-0001", "Module", ' ', KindModuleGroup, KindStdModule},
    {"2-0002", "Form", '=', KindFormGroup, KindFormModule},
    {"2-0005", "Class", ' ', KindClassGroup, KindClassModule},
    {"2-0006", "UserControl", '=', KindUserControlGroup, KindUserControl},
    {"2-0007", "PropertyPage", '=', KindPropertyPageGroup, KindPropertyPage},
    {"2-0008", "Designer", '=', KindDesignerGroup, KindDesigner},
    {"2-0009", "UserDocument", '=', KindUserDocumentGroup, KindUserDocument},
};

struct ModuleLine {
  const PrecisePass* Pass;
  std::string Reference;
};

// The module lines of the project in pass order, and its CondComp constants.
std::vector<ModuleLine> ReadProjectFile(std::string_view projectPath, CondConstants& constants,
                                        PathResolver& resolver) {
  std::vector<ModuleLine> modules;
  for (const PrecisePass& pass : kPasses) {
    TextReader project;
    project.Open(projectPath, resolver);
    while (!project.AtEnd()) {
      std::string_view line = project.ReadLineView();
      if (&pass == &kPasses[0] && line.size() > 9 &&
          SameTextIgnoreCase(line.substr(0, 9), "CondComp=")) {
        constants = ParseCondComp(line.substr(9));
      }
      if (!StartsLikeLeftCut(line, pass.KindWord)) continue;
      std::string text(line);
      const std::size_t sep = text.find(pass.Separator);
      modules.push_back({&pass, sep == std::string::npos ? text : text.substr(sep + 1)});
    }
  }
  return modules;
}

struct ModuleRead {
  bool Missing = false;
  std::exception_ptr Error;
  ModuleModel Model;
};

// Reads and scans one module file; touches nothing shared, so it runs on any thread.
ModuleRead ReadModuleFile(const std::string& path, std::uint8_t kind, const SourceDecoder& decoder,
                          PathResolver& resolver, const CondConstants& constants,
                          const BodyVisitor& visitor = {}) {
  ModuleRead read;
  read.Model.Kind = kind;
  read.Model.Path = path;
  if (!resolver.FileExists(path)) {
    read.Missing = true;
    return read;
  }
  try {
    thread_local TextReader file;
    decoder.Load(file, path, resolver);
    ScanModuleText(file, kind != KindStdModule, constants, decoder.KeepsBytes(), read.Model,
                   visitor);
  } catch (...) {
    read.Error = std::current_exception();
  }
  return read;
}

class Precise : public Reading {
 public:
  void ScanDeclarations(AnalysisContext& ctx, std::string_view projectPath) const override;
  void ScanCalls(AnalysisContext& ctx) const override;
};

void Precise::ScanDeclarations(AnalysisContext& ctx, std::string_view projectPath) const {
  auto model = std::make_shared<PreciseModel>();
  ctx.Precise = model;
  const CondConstants* constants = &model->Conditions;
  const std::vector<ModuleLine> lines = ReadProjectFile(projectPath, model->Conditions, ctx.Paths);
  std::vector<std::string> paths;
  for (const ModuleLine& line : lines) paths.push_back(ctx.ProjectDir + line.Reference);
  if (ctx.Decoder.Setting() == SourceEncoding::Auto) ctx.Decoder.Decide(paths, ctx.Paths);

  const SourceDecoder& decoder = ctx.Decoder;
  OrderedWork<ModuleRead> reads(lines.size(), [&](std::size_t i, ModuleRead& out, unsigned) {
    out = ReadModuleFile(paths[i], lines[i].Pass->ModuleKind, decoder, ctx.Paths, *constants);
  });
  reads.Start(ctx.Workers);

  const PrecisePass* pass = nullptr;
  long passCount = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Pass != pass) {
      ctx.ModuleBase += passCount;
      passCount = 0;
      pass = lines[i].Pass;
      TPassRec group;
      group.Level = 2;
      group.Name = GroupCaption(pass->GroupKind);
      if (!decoder.KeepsBytes()) group.Name = Cp932ToUtf8(group.Name);
      group.FullName = pass->KindWord;
      group.Text = pass->KindWord;
      group.Key = pass->GroupKey;
      group.ParentKey = "1";
      group.Scope = "G";
      group.Kind = pass->GroupKind;
      ctx.SymbolList.Add(group);
    }
    ++passCount;
    TPassRec module;
    module.Level = 3;
    module.Name = decoder.ProjectText(lines[i].Reference);
    module.Key = CutTo(FormatKey(3, ctx.ModuleBase + passCount), 10);
    module.ParentKey = pass->GroupKey;
    module.Scope = "G";
    module.Kind = pass->ModuleKind;
    module.Text = paths[i];

    ModuleRead& read = reads.Take(i);
    if (read.Missing) {
      ctx.Host->ShowMessage("File Not Found : " + module.Text);
    } else if (read.Error) {
      std::rethrow_exception(read.Error);
    }
    ModuleModel& found = read.Model;
    found.Key = module.Key;
    found.Encoding =
        decoder.KeepsBytes() ? SourceEncoding::Cp932 : decoder.EncodingOf(found.Path, {});
    module.FullName = found.FullName;
    for (ProcedureDecl& decl : found.Procedures) {
      TPassRec proc;
      proc.Level = 4;
      proc.Name = decl.Name;
      proc.FullName = module.FullName + "." + decl.Name;
      proc.Key = CutTo(FormatKey(4, ++ctx.ProcedureTotal), 10);
      proc.ParentKey = module.Key;
      proc.Scope = decl.Scope;
      proc.Kind = decl.Kind;
      proc.Text = decl.Text;
      proc.StartLine = decl.StartLine;
      proc.BodyLines = decl.BodyLines;
      decl.Key = proc.Key;
      decl.Record = &ctx.SymbolList.Add(std::move(proc));
    }
    ctx.SymbolList.Add(std::move(module));
    model->Modules.push_back(std::move(found));
  }
  ctx.ModuleBase += passCount;
}

// What a procedure's body calls, by position in the name indexes, with the token's line.
using Sites = std::vector<std::vector<std::pair<int, std::int32_t>>>;

// Finds callees by name over the lexer's tokens: strings, comments, labels, jump targets, type
// names and dead branches never name one.
class NameMatcher {
 public:
  explicit NameMatcher(const TokenTable& table) : table_(table) {}

  void Statement(const ProcedureDecl& proc, const VbStatement& s,
                 std::vector<std::pair<int, std::int32_t>>& out) const {
    const auto& t = s.Tokens;
    thread_local std::string scratch, qualified;  // kept between statements
    for (std::size_t i = 0; i < t.size(); ++i) {
      const VbToken& token = t[i];
      if (token.Kind != TokenKind::Identifier) continue;
      if (IsWord(token, "goto") || IsWord(token, "gosub")) return;  // the rest are labels
      const VbToken* before = i > 0 ? &t[i - 1] : nullptr;
      const VbToken* after = i + 1 < t.size() ? &t[i + 1] : nullptr;
      if (before != nullptr && (IsWord(*before, "resume") || IsWord(*before, "as") ||
                                IsWord(*before, "new") || IsOperator(*before, "!"))) {
        continue;
      }
      if (after != nullptr && IsOperator(*after, ":=")) continue;
      const std::string_view name = BareName(token.Text);
      const TokenTable::Meaning meaning = table_.Look(name, scratch);
      if (meaning.ReservedAnyCase) continue;
      // A function's own name without arguments is its result, not a call.
      if ((proc.Kind == KindFunction || proc.Kind == KindPropertyGet) &&
          SameTextIgnoreCase(name, proc.Name) && (after == nullptr || !IsOperator(*after, "("))) {
        continue;
      }
      // A member is matched only through its module's full name, as the line scanner matches
      // "Module1.Name"; members of objects wait for name resolution.
      int callee = -1;
      if (before == nullptr || !IsOperator(*before, ".")) {
        callee = meaning.Callee;
      } else if (i >= 2 && t[i - 2].Kind == TokenKind::Identifier) {
        qualified.assign(BareName(t[i - 2].Text)).append(".").append(name);
        callee = table_.Look(qualified, scratch).Callee;  // a name never holds a dot
      }
      if (callee >= 0) out.emplace_back(callee, token.Line);
    }
  }

 private:
  static bool IsOperator(const VbToken& t, std::string_view op) {
    return t.Kind == TokenKind::Operator && t.Text == op;
  }

  const TokenTable& table_;
};

struct CallsRead {
  Sites Found;
  std::exception_ptr Error;
};

void Precise::ScanCalls(AnalysisContext& ctx) const {
  ctx.ProcNames.Clear();
  ctx.ProcFullNames.Clear();
  ctx.CancelRequested = false;
  IndexProcedures(ctx);
  PreciseModel& model = *ctx.Precise;
  const TokenTable table(ctx.ProcNames, ctx.ProcFullNames, ctx.ReservedWords);
  const NameMatcher matcher(table);
  const CondConstants& constants = model.Conditions;
  const SourceDecoder& decoder = ctx.Decoder;

  OrderedWork<CallsRead> reads(model.Modules.size(), [&](std::size_t i, CallsRead& out, unsigned) {
    const ModuleModel& module = model.Modules[i];
    out.Found.resize(module.Procedures.size());
    BodyVisitor visit = [&](const ModuleModel&, std::size_t proc, const VbStatement& s) {
      if (proc < out.Found.size()) matcher.Statement(module.Procedures[proc], s, out.Found[proc]);
    };
    ModuleRead read = ReadModuleFile(module.Path, module.Kind, decoder, ctx.Paths, constants, visit);
    out.Error = read.Error;
  });

  AnalysisHost& host = *ctx.Host;
  host.BeginProgress();
  struct End {
    AnalysisHost& Host;
    ~End() { Host.EndProgress(); }
  } end{host};
  const int count = static_cast<int>(model.Modules.size());
  host.SetProgressRange(count > 0 ? count - 1 : 0);
  std::vector<unsigned> stamps(static_cast<std::size_t>(ctx.ProcNames.Count()), 0);
  unsigned stamp = 0;
  char counter[64];
  for (int m = 0; m < count; ++m) {
    host.ProcessEvents();
    ModuleModel& module = model.Modules[static_cast<std::size_t>(m)];
    std::snprintf(counter, sizeof counter, "Process Xref %d/%d", m, count - 1);
    host.SetProgress(m, counter, module.FullName);
    if (ctx.CancelRequested) break;
    reads.Start(ctx.Workers);
    CallsRead& read = reads.Take(static_cast<std::size_t>(m));
    if (read.Error) std::rethrow_exception(read.Error);
    for (std::size_t p = 0; p < module.Procedures.size() && p < read.Found.size(); ++p) {
      const ProcedureDecl& decl = module.Procedures[p];
      if (read.Found[p].empty()) continue;
      TPassRec& caller = *decl.Record;
      std::vector<CallSite>& sites = model.CallSites[decl.Key];
      sites.reserve(read.Found[p].size());
      ++stamp;
      for (const auto& [callee, line] : read.Found[p]) {
        TPassRec* target = ctx.ProcNames.RecordAt(callee);
        sites.push_back({target, line});
        if (stamps[static_cast<std::size_t>(callee)] == stamp) continue;
        stamps[static_cast<std::size_t>(callee)] = stamp;
        caller.Calls.push_back(target->Key);
        target->CalledBy.push_back(caller.Key);
      }
    }
  }
}

}  // namespace

const Reading& PreciseReading() {
  static const Precise reading;
  return reading;
}

}  // namespace tarnel
