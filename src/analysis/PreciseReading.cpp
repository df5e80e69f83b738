#include <exception>
#include <memory>
#include <span>
#include <thread>

#include "analysis/AnalysisSteps.h"
#include "analysis/LineCompare.h"
#include "analysis/NamesUsed.h"
#include "analysis/PreciseLink.h"
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

class Precise : public Reading {
 public:
  void ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const override;
  void ScanCalls(AnalysisRun& run) const override;

 private:
  void ResolveAndLink(AnalysisRun& run) const;
};

void Precise::ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const {
  AnalysisResult& result = run.Result;
  auto model = std::make_shared<PreciseModel>();
  result.Precise = model;
  const CondConstants* constants = &model->Conditions;
  const std::vector<ModuleLine> lines = ReadProjectFile(projectPath, *model, run.Paths);
  std::vector<std::string> paths;
  for (const ModuleLine& line : lines) paths.push_back(run.ProjectDir + line.Reference);
  if (result.Decoder.Setting() == SourceEncoding::Auto)
    result.Decoder.Decide(paths, run.Paths, run.Options.Workers);

  const SourceDecoder& decoder = result.Decoder;
  OrderedWork<ModuleRead> reads(lines.size(), [&](std::size_t i, ModuleRead& out, unsigned) {
    out = ReadPreciseModule(paths[i], lines[i].Pass->ModuleKind, decoder, run.Paths, *constants);
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
    module.Key = FormatKey(3, run.ModuleBase + passCount);
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
    EnterProcedures(result.SymbolList, run.ProcedureTotal, module.Key, module.FullName, found);
    result.SymbolList.Add(std::move(module));
    model->Modules.push_back(std::move(found));
  }
  run.ModuleBase += passCount;
}

// The calls found in a module's bodies, procedure after procedure in one list.
struct CallsRead {
  std::vector<ResolvedCall> Found;
  std::vector<std::uint32_t> Ends;  // per procedure of the module, where its calls end in Found
  std::vector<std::uint64_t> NamesUsed;  // when asked for
  std::exception_ptr Error;

  std::span<const ResolvedCall> Of(std::size_t procedure) const {
    const std::size_t first = procedure == 0 ? 0 : Ends[procedure - 1];
    return std::span<const ResolvedCall>(Found).subspan(first, Ends[procedure] - first);
  }
};

void Precise::ScanCalls(AnalysisRun& run) const {
  // The name indexes are made last, in the room that the pass gave back, rather than in fresh
  // memory ahead of it; also after a failure, as the classic pass makes them.
  // Unasked for, none are left from an analysis before.
  const auto index = [&] {
    if (run.Options.IndexNames) {
      IndexProcedures(run.Result);
    } else {
      run.Result.ProcNames = {};
      run.Result.ProcFullNames = {};
    }
  };
  try {
    ResolveAndLink(run);
  } catch (...) {
    index();
    throw;
  }
  index();
}

void Precise::ResolveAndLink(AnalysisRun& run) const {
  AnalysisResult& result = run.Result;
  PreciseModel& model = *result.Precise;
  // The word table, the reads and the index go before the links are written out, which keeps
  // the peak low. The resolver asks the table only about reserved words: no procedure goes in.
  auto table =
      std::make_unique<const TokenTable>(std::span<TPassRec* const>{}, run.Options.ReservedWords);
  auto owned = std::make_shared<ProjectIndex>(model);
  const ProjectIndex& index = *owned;
  const CondConstants& constants = model.Conditions;
  const SourceDecoder& decoder = result.Decoder;
  const bool keepForUpdates = run.Options.KeepForUpdates;

  auto reads = std::make_unique<OrderedWork<CallsRead>>(
      model.Modules.size(), [&](std::size_t i, CallsRead& out, unsigned) {
        const ModuleModel& module = model.Modules[i];
        const std::size_t procedures = module.Procedures.size();
        out.Ends.reserve(procedures);
        BodyResolver resolver(index, *table, static_cast<std::uint32_t>(i));
        NamesUsed names;
        // A procedure's statements come together, procedures in order: the calls of those
        // before it are complete when its first one comes.
        const auto endBefore = [&](std::size_t proc) {
          while (out.Ends.size() < proc)
            out.Ends.push_back(static_cast<std::uint32_t>(out.Found.size()));
        };
        BodyVisitor visit = [&](std::size_t proc, const std::vector<VariableDecl>& locals,
                                const VbStatement& s) {
          if (keepForUpdates) names.Note(s);
          if (proc >= procedures || proc < out.Ends.size()) return;
          endBefore(proc);
          resolver.Statement(proc, locals, s, out.Found);
        };
        ModuleRead read =
            ReadPreciseModule(module.Path, module.Kind, decoder, run.Paths, constants, visit);
        endBefore(procedures);
        out.Error = read.Error;
        if (keepForUpdates) out.NamesUsed = names.Take();
      });

  AnalysisHost& host = run.Host;
  host.BeginProgress();
  struct End {
    AnalysisHost& Host;
    ~End() { Host.EndProgress(); }
  } end{host};
  const int count = static_cast<int>(model.Modules.size());
  host.SetProgressRange(count > 0 ? count - 1 : 0);
  if (keepForUpdates) model.NamesUsed.resize(model.Modules.size());
  EdgeLinker linker(model, index);
  std::string counter;
  for (int m = 0; m < count; ++m) {
    host.ProcessEvents();
    ModuleModel& module = model.Modules[static_cast<std::size_t>(m)];
    FormatXrefProgress(m, count - 1, counter);
    host.SetProgress(m, counter, module.FullName);
    if (host.CancelRequested()) {
      result.Cancelled = true;
      break;
    }
    reads->Start(run.Options.Workers);
    CallsRead& read = reads->Take(static_cast<std::size_t>(m));
    if (read.Error) std::rethrow_exception(read.Error);
    for (std::size_t p = 0; p < module.Procedures.size() && p < read.Ends.size(); ++p) {
      linker.Link(index.Number({static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(p)}),
                  read.Of(p));
    }
    if (keepForUpdates) model.NamesUsed[static_cast<std::size_t>(m)] = std::move(read.NamesUsed);
    std::vector<ResolvedCall>().swap(read.Found);
    std::vector<std::uint32_t>().swap(read.Ends);
  }
  reads.reset();
  table.reset();
  if (result.Cancelled) {
    model.NamesUsed.clear();  // names of part of the modules would tell an update too little
  } else {
    linker.LinkDispatch();
  }
  {
    // The marks and the records' lists come from the same links and write apart: the marks into
    // the model's marks, the lists into the records and the model's call sites. Made side by side.
    // The index goes once the marks are made, as the lists need nothing of it, unless it is kept.
    std::exception_ptr marksFailed;
    std::jthread marks;
    if (result.Cancelled) {
      owned.reset();
    } else {
      marks = std::jthread([&] {
        try {
          ComputeMarks(index, linker.Callees(), model);
          if (!keepForUpdates) owned.reset();
        } catch (...) {
          marksFailed = std::current_exception();
        }
      });
    }
    linker.Write();
    if (marks.joinable()) marks.join();
    if (marksFailed) std::rethrow_exception(marksFailed);
    if (keepForUpdates) model.Index = std::move(owned);
  }
}

}  // namespace

const Reading& PreciseReading() {
  static const Precise reading;
  return reading;
}

}  // namespace tarnel
