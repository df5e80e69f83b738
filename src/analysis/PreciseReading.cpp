#include <cstdio>

#include "analysis/AnalysisSteps.h"
#include "analysis/LineCompare.h"
#include "analysis/PreciseMarks.h"
#include "analysis/PreciseResolve.h"
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
std::vector<ModuleLine> ReadProjectFile(std::string_view projectPath, PreciseModel& model,
                                        PathResolver& resolver) {
  std::vector<ModuleLine> modules;
  for (const PrecisePass& pass : kPasses) {
    TextReader project;
    project.Open(projectPath, resolver);
    while (!project.AtEnd()) {
      std::string_view line = project.ReadLineView();
      if (&pass == &kPasses[0] && line.size() > 9 &&
          SameTextIgnoreCase(line.substr(0, 9), "CondComp=")) {
        model.Conditions = ParseCondComp(line.substr(9));
      }
      if (&pass == &kPasses[0] && line.size() > 5 &&
          SameTextIgnoreCase(line.substr(0, 5), "Name=")) {
        std::string_view name = line.substr(5);
        while (!name.empty() && (name.back() == ' ' || name.back() == '"')) name.remove_suffix(1);
        while (!name.empty() && (name.front() == ' ' || name.front() == '"')) name.remove_prefix(1);
        model.ProjectName = name;
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
  void ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const override;
  void ScanCalls(AnalysisRun& run) const override;
};

void Precise::ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const {
  AnalysisResult& result = run.Result;
  auto model = std::make_shared<PreciseModel>();
  result.Precise = model;
  const CondConstants* constants = &model->Conditions;
  const std::vector<ModuleLine> lines = ReadProjectFile(projectPath, *model, run.Paths);
  std::vector<std::string> paths;
  for (const ModuleLine& line : lines) paths.push_back(run.ProjectDir + line.Reference);
  if (result.Decoder.Setting() == SourceEncoding::Auto) result.Decoder.Decide(paths, run.Paths);

  const SourceDecoder& decoder = result.Decoder;
  OrderedWork<ModuleRead> reads(lines.size(), [&](std::size_t i, ModuleRead& out, unsigned) {
    out = ReadModuleFile(paths[i], lines[i].Pass->ModuleKind, decoder, run.Paths, *constants);
  });
  reads.Start(run.Options.Workers);

  const PrecisePass* pass = nullptr;
  long passCount = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Pass != pass) {
      run.ModuleBase += passCount;
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
      result.SymbolList.Add(group);
    }
    ++passCount;
    TPassRec module;
    module.Level = 3;
    module.Name = decoder.ProjectText(lines[i].Reference);
    module.Key = CutTo(FormatKey(3, run.ModuleBase + passCount), 10);
    module.ParentKey = pass->GroupKey;
    module.Scope = "G";
    module.Kind = pass->ModuleKind;
    module.Text = paths[i];

    ModuleRead& read = reads.Take(i);
    if (read.Missing) {
      run.Host.ShowMessage("File Not Found : " + module.Text);
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
      proc.Key = CutTo(FormatKey(4, ++run.ProcedureTotal), 10);
      proc.ParentKey = module.Key;
      proc.Scope = decl.Scope;
      proc.Kind = decl.Kind;
      proc.Text = decl.Text;
      proc.StartLine = decl.StartLine;
      proc.BodyLines = decl.BodyLines;
      decl.Key = proc.Key;
      decl.Record = &result.SymbolList.Add(std::move(proc));
    }
    result.SymbolList.Add(std::move(module));
    model->Modules.push_back(std::move(found));
  }
  run.ModuleBase += passCount;
}

struct CallsRead {
  std::vector<std::vector<ResolvedCall>> Found;  // per procedure of the module
  std::exception_ptr Error;
};

// Links caller to callee once, the call site kept each time.
class EdgeLinker {
 public:
  EdgeLinker(PreciseModel& model, const ProjectIndex& index)
      : model_(model),
        index_(index),
        stamps_(index.ProcedureCount(), 0),
        callees_(index.ProcedureCount()) {}

  void Link(std::uint32_t caller, const std::vector<ResolvedCall>& found) {
    if (found.empty()) return;
    const ProcedureDecl& decl = index_.Decl(caller);
    std::vector<CallSite>& sites = model_.CallSites[decl.Key];
    sites.reserve(sites.size() + found.size());
    ++stamp_;
    for (std::uint32_t known : callees_[caller]) stamps_[known] = stamp_;
    for (const ResolvedCall& call : found) {
      TPassRec* target = index_.Decl(call.Callee).Record;
      sites.push_back({target, call.Line});
      if (stamps_[call.Callee] == stamp_) continue;
      stamps_[call.Callee] = stamp_;
      callees_[caller].push_back(call.Callee);
      decl.Record->Calls.push_back(target->Key);
      target->CalledBy.push_back(decl.Record->Key);
    }
  }

  const std::vector<std::vector<std::uint32_t>>& Callees() const { return callees_; }

 private:
  PreciseModel& model_;
  const ProjectIndex& index_;
  std::vector<unsigned> stamps_;
  unsigned stamp_ = 0;
  std::vector<std::vector<std::uint32_t>> callees_;
};

void Precise::ScanCalls(AnalysisRun& run) const {
  AnalysisResult& result = run.Result;
  IndexProcedures(result);
  PreciseModel& model = *result.Precise;
  const TokenTable table(result.ProcNames, result.ProcFullNames, run.Options.ReservedWords);
  const ProjectIndex index(model);
  const CondConstants& constants = model.Conditions;
  const SourceDecoder& decoder = result.Decoder;

  OrderedWork<CallsRead> reads(model.Modules.size(), [&](std::size_t i, CallsRead& out, unsigned) {
    const ModuleModel& module = model.Modules[i];
    out.Found.resize(module.Procedures.size());
    BodyResolver resolver(index, table, static_cast<std::uint32_t>(i));
    BodyVisitor visit = [&](const ModuleModel&, std::size_t proc, const VbStatement& s) {
      if (proc < out.Found.size()) resolver.Statement(proc, s, out.Found[proc]);
    };
    ModuleRead read =
        ReadModuleFile(module.Path, module.Kind, decoder, run.Paths, constants, visit);
    out.Error = read.Error;
  });

  AnalysisHost& host = run.Host;
  host.BeginProgress();
  struct End {
    AnalysisHost& Host;
    ~End() { Host.EndProgress(); }
  } end{host};
  const int count = static_cast<int>(model.Modules.size());
  host.SetProgressRange(count > 0 ? count - 1 : 0);
  EdgeLinker linker(model, index);
  char counter[64];
  for (int m = 0; m < count; ++m) {
    host.ProcessEvents();
    ModuleModel& module = model.Modules[static_cast<std::size_t>(m)];
    std::snprintf(counter, sizeof counter, "Process Xref %d/%d", m, count - 1);
    host.SetProgress(m, counter, module.FullName);
    if (host.CancelRequested()) {
      result.Cancelled = true;
      break;
    }
    reads.Start(run.Options.Workers);
    CallsRead& read = reads.Take(static_cast<std::size_t>(m));
    if (read.Error) std::rethrow_exception(read.Error);
    for (std::size_t p = 0; p < module.Procedures.size() && p < read.Found.size(); ++p) {
      linker.Link(index.Number({static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(p)}),
                  read.Found[p]);
      std::vector<ResolvedCall>().swap(read.Found[p]);
    }
  }
  if (result.Cancelled) return;
  // Calls made by the language itself: an event to its handlers, an interface to its
  // implementations. They stand at the caller's own declaration line.
  std::vector<ResolvedCall> one(1);
  for (const auto& [caller, callee] : DispatchEdges(index)) {
    one[0] = {callee, index.Decl(caller).StartLine};
    linker.Link(caller, one);
  }
  ComputeMarks(index, linker.Callees(), model);
}

}  // namespace

const Reading& PreciseReading() {
  static const Precise reading;
  return reading;
}

}  // namespace tarnel
