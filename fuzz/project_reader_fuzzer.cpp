// The project reader on a fuzzed project file with a few module files beside it (see
// FuzzProject for the input's layout).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/Analysis.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/ModuleScan.h"
#include "analysis/ResultTree.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "reports/TreeDump.h"

namespace {

using namespace tarnel;
using namespace tarnel::fuzz;

struct Pass {
  std::string_view KindWord;
  char Separator;
  std::string_view GroupKey;
};
constexpr Pass kPasses[] = {{"Module", ' ', "2-0001"},
                            {"Form", '=', "2-0002"},
                            {"Class", ' ', "2-0005"},
                            {"UserControl", '=', "2-0006"},
                            {"PropertyPage", '=', "2-0007"}};

struct ExpectedModule {
  std::string Key, Name, GroupKey;
  int Kind;
  bool HasHeader;
};

std::vector<ExpectedModule> ModulesOf(const std::string& project) {
  std::vector<ExpectedModule> modules;
  const std::vector<std::string> lines = PhysicalLines(project);
  for (int pass = 0; pass < 5; ++pass) {
    for (const std::string& line : lines) {
      if (line.compare(0, kPasses[pass].KindWord.size(), kPasses[pass].KindWord) != 0) continue;
      std::size_t sep = line.find(kPasses[pass].Separator);
      modules.push_back({FormatKey(3, static_cast<long>(modules.size()) + 1),
                         sep == std::string::npos ? line : line.substr(sep + 1),
                         std::string(kPasses[pass].GroupKey), KindStdModule + pass, pass > 0});
    }
  }
  return modules;
}

// Folders the project is put in: names that code page 932 cannot hold (UTF-8 and Latin-1), and
// names holding "\\" or ":", which on this system are part of a name.
const char* const kProjectFolders[] = {"",         "문서/",    "새 폴더/", "源代码/", "Změně/",
                                       "caf\xe9/", "bs\\dir/", "x:y/",     "表/"};

void CheckAnalysis(const AnalysisContext& ctx, const AnalysisRun& run, QuietHost& host,
                   const std::string& projectPath, const std::string& nativeFolder,
                   const std::vector<ExpectedModule>& modules) {
  const std::string projectDir = NativeFolderOf(projectPath);
  FUZZ_CHECK(run.ProjectDir == projectDir);
  // The oracle resolves the references as the analysis must: under the project's own folder.
  PathResolver resolver;
  resolver.SetBase(projectDir, nativeFolder);

  int groups = 0;
  for (const Pass& pass : kPasses) {
    const TPassRec* group = run.Result.SymbolList.TryFind(pass.GroupKey);
    bool used = false;
    for (const ExpectedModule& m : modules) used = used || m.GroupKey == pass.GroupKey;
    FUZZ_CHECK((group != nullptr) == used);
    if (group == nullptr) continue;
    ++groups;
    FUZZ_CHECK(group->Level == 2 && group->ParentKey == "1" && IsGroupKind(group->Kind));
    FUZZ_CHECK(group->Text == pass.KindWord && group->FullName == pass.KindWord);
  }

  std::vector<std::string> missing;
  long procedures = 0;
  for (const ExpectedModule& expected : modules) {
    const TPassRec* module = run.Result.SymbolList.TryFind(expected.Key);
    FUZZ_CHECK(module != nullptr);
    FUZZ_CHECK(module->Level == 3 && module->Kind == expected.Kind);
    FUZZ_CHECK(module->Name == expected.Name && module->ParentKey == expected.GroupKey);
    FUZZ_CHECK(module->Text == projectDir + expected.Name);
    if (!resolver.FileExists(module->Text)) {
      missing.push_back("File Not Found : " + module->Text);
      FUZZ_CHECK(module->FullName.empty());
      continue;
    }
    // The records are what a scan of the file on its own gives, numbered on across modules.
    ModuleScan scan = ScanModuleFile(module->Text, expected.HasHeader, resolver);
    FUZZ_CHECK(IsAnalysisInput(ctx, *resolver.Resolve(module->Text)));
    FUZZ_CHECK(!scan.Missing && !scan.Error);
    FUZZ_CHECK(module->FullName == scan.FullName);
    ForEachDeclaration(
        scan.Procedures, scan.Texts,
        [&](const ScannedDeclaration& declared, std::string_view name, std::string_view text) {
          const TPassRec* proc = run.Result.SymbolList.TryFind(FormatKey(4, ++procedures));
          FUZZ_CHECK(proc != nullptr);
          FUZZ_CHECK(proc->Level == 4 && proc->ParentKey == module->Key);
          FUZZ_CHECK(proc->Name == name && proc->Kind == declared.Kind);
          FUZZ_CHECK(proc->Scope == declared.Scope && proc->Text == text);
          FUZZ_CHECK(proc->StartLine == declared.StartLine &&
                     proc->BodyLines == declared.BodyLines);
          FUZZ_CHECK(proc->FullName == module->FullName + "." + proc->Name);
        });
  }
  FUZZ_CHECK(run.ProcedureTotal == procedures);
  FUZZ_CHECK(run.Result.SymbolList.Count() ==
             groups + static_cast<int>(modules.size()) + procedures);
  // Nothing else is reported: the files do not change, so no body ends early ("Eof").
  FUZZ_CHECK(host.Messages == missing);
}

// Every record with all its fields, in list order.
std::vector<std::string> Snapshot(const AnalysisContext& ctx) {
  std::vector<std::string> lines;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& r = ctx.Result.SymbolList.At(i);
    std::string line = r.Key + "|" + r.ParentKey + "|" + std::to_string(r.Level) + "|" +
                       std::to_string(r.Kind) + "|" + r.Scope + "|" + r.Name + "|" + r.FullName +
                       "|" + r.Text + "|" + std::to_string(r.StartLine) + "+" +
                       std::to_string(r.BodyLines) + "|calls";
    for (const std::string key : r.Calls) line += " " + key;
    line += "|by";
    for (const std::string key : r.CalledBy) line += " " + key;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzProject project =
      FuzzProject::Split(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!project.StaysInside()) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string subfolder =
      kProjectFolders[std::hash<std::string_view>()(input) % std::size(kProjectFolders)];
  const std::string nativeProject = project.WriteTo(ScratchFolder::Get(), subfolder);
  const std::string nativeFolder = ScratchFolder::Get().Path() + subfolder;
  const std::string projectPath = NativeToEngine(nativeProject);
  const std::vector<ExpectedModule> modules = ModulesOf(project.Project);

  QuietHost host;
  AnalysisContext ctx(host);
  ctx.Options.Workers = 0;
  std::vector<std::string> first;
  // A second analysis in the same context starts from nothing; it reads ahead on two more
  // threads, which must not change any record or message.
  for (int round = 0; round < 2; ++round) {
    host.Messages.clear();
    ctx.Options.Workers = round == 0 ? 0 : 2;
    // Every file here can be read; a reference that names a folder is a missing file.
    AnalysisRun run(ctx.Options, ctx.Result, host);
    RunAnalysis(run, projectPath);
    CheckAnalysis(ctx, run, host, projectPath, nativeFolder, modules);
    FUZZ_CHECK(IsAnalysisInput(ctx, nativeProject));
    std::vector<std::string> snapshot = Snapshot(ctx);
    snapshot.insert(snapshot.end(), host.Messages.begin(), host.Messages.end());
    if (round == 0) first = std::move(snapshot);
    FUZZ_CHECK(snapshot == first || round == 0);
  }

  // An output named like one of the files: refused when it is one that was read, written under
  // its exact name otherwise, and never onto a file that was read.
  struct Kept {
    std::string Path, Content;
  };
  std::vector<Kept> inputs;
  for (const auto& [name, content] : project.Modules) {
    if (IsAnalysisInput(ctx, nativeFolder + name)) {
      inputs.push_back({nativeFolder + name, ReadBytes(nativeFolder + name)});
    }
  }
  const std::string outputName = project.Modules.empty()
                                     ? std::string("Fuzz.VBP")
                                     : project.Modules[size % project.Modules.size()].first;
  for (const std::string& name : {outputName, std::string("FUZZ.vbp"), std::string("Fuzz.vbp")}) {
    const WritePath output = WritePath::FromNative(nativeFolder + name);
    if (IsAnalysisInput(ctx, output.Native())) continue;
    try {
      WriteTreeDump(ResultTree::Build(ctx.Result.SymbolList), output);
    } catch (const TarnelError&) {
      // A folder of that name, say: the other files are what matters here.
    }
  }
  for (const Kept& input : inputs) {
    FUZZ_CHECK(IsAnalysisInput(ctx, input.Path) && ReadBytes(input.Path) == input.Content);
  }
  FUZZ_CHECK(IsAnalysisInput(ctx, nativeProject));
  return 0;
}
