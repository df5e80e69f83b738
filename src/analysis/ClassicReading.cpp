#include "analysis/AnalysisSteps.h"
#include "analysis/LineCompare.h"
#include "analysis/ModuleScan.h"
#include "analysis/Reading.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

struct ModulePass {
  const char* GroupKey;
  const char* KindWord;
  char Separator;
};

constexpr ModulePass kPasses[] = {
    {"2-0001", "Module", ' '},      {"2-0002", "Form", '='},         {"2-0005", "Class", ' '},
    {"2-0006", "UserControl", '='}, {"2-0007", "PropertyPage", '='},
};

// Group and module kinds of a kind word; groups 1..5 and modules 6..10 in pass order.
int PassIndex(std::string_view kindWord) {
  for (int i = 0; i < 5; ++i) {
    if (kindWord == kPasses[i].KindWord) return i;
  }
  return 0;
}

// The file reference of a module line: the rest after the first separator, or the whole line.
std::string ModuleReference(const std::string& line, char separator) {
  std::size_t sep = line.find(separator);
  return sep == std::string::npos ? line : line.substr(sep + 1);
}

// Every module file that the five passes will read, in their order.
std::vector<ModulePrefetch::Module> ModulesToRead(AnalysisRun& run, std::string_view projectPath) {
  std::vector<ModulePrefetch::Module> modules;
  for (const ModulePass& pass : kPasses) {
    TextReader project;
    project.Open(projectPath, run.Paths);
    while (!project.AtEnd()) {
      std::string line = project.ReadLine();
      if (!StartsLikeLeftCut(line, pass.KindWord)) continue;
      modules.push_back({run.ProjectDir + ModuleReference(line, pass.Separator),
                         pass.GroupKey != kPasses[0].GroupKey});
    }
  }
  return modules;
}

// Lends the prefetch to the module readers for the length of the passes.
class PrefetchScope {
 public:
  PrefetchScope(AnalysisRun& run, ModulePrefetch& prefetch) : run_(run) {
    run_.Prefetch = &prefetch;
  }
  ~PrefetchScope() { run_.Prefetch = nullptr; }
  PrefetchScope(const PrefetchScope&) = delete;
  PrefetchScope& operator=(const PrefetchScope&) = delete;

 private:
  AnalysisRun& run_;
};

// The designed reading: the declaration scanner's line rules and the name-matching call pass.
class Classic : public Reading {
 public:
  void ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const override {
    std::vector<ModulePrefetch::Module> modules = ModulesToRead(run, projectPath);
    SourceDecoder& decoder = run.Result.Decoder;
    if (decoder.Setting() == SourceEncoding::Auto) {
      std::vector<std::string> paths;
      for (const auto& module : modules) paths.push_back(module.Path);
      decoder.Decide(paths, run.Paths, run.Options.Workers);
    }
    // The module files are read and scanned ahead on spare cores; the records still enter the
    // list one by one, in the order of the passes.
    ModulePrefetch prefetch(std::move(modules), run.Options.Workers, run.Paths,
                            decoder.ForReaders());
    PrefetchScope lend(run, prefetch);
    for (const ModulePass& pass : kPasses) {
      TextReader project;  // each pass reads the file from its start
      project.Open(projectPath, run.Paths);
      EnumerateModules(run, project, pass.GroupKey, pass.KindWord, pass.Separator);
      run.ModuleBase += run.PassModuleCount;
    }
  }
  void ScanCalls(AnalysisRun& run) const override { BuildXref(run); }
};

}  // namespace

const Reading& ClassicReading() {
  static const Classic reading;
  return reading;
}

void EnumerateModules(AnalysisRun& run, TextReader& project, const std::string& groupKey,
                      const std::string& kindWord, char separator) {
  run.PassModuleCount = 0;
  const int pass = PassIndex(kindWord);
  const auto groupKind = static_cast<std::uint8_t>(KindModuleGroup + pass);
  const auto moduleKind = static_cast<std::uint8_t>(KindStdModule + pass);
  const SourceDecoder& decoder = run.Result.Decoder;

  while (!project.AtEnd()) {
    std::string line = project.ReadLine();
    if (!StartsLikeLeftCut(line, kindWord)) continue;

    if (run.PassModuleCount == 0) {
      TPassRec group;
      group.Level = 2;
      group.Name = GroupCaption(groupKind);
      if (!decoder.KeepsBytes()) group.Name = Cp932ToUtf8(group.Name);
      group.FullName = kindWord;
      group.Text = kindWord;
      group.Key = groupKey;
      group.ParentKey = "1";
      group.Scope = "G";
      group.Kind = groupKind;
      AddSymbol(run, std::move(group));
    }
    ++run.PassModuleCount;

    TPassRec module;
    module.Level = 3;
    const std::string reference = ModuleReference(line, separator);
    module.Name = decoder.ProjectText(reference);
    module.Key = FormatKey(3, run.ModuleBase + run.PassModuleCount);
    module.ParentKey = groupKey;
    module.Scope = "G";
    module.Kind = moduleKind;
    module.Text = run.ProjectDir + reference;
    AddSymbol(run, std::move(module));
  }
}

}  // namespace tarnel
