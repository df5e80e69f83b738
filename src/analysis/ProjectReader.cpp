#include "analysis/Analysis.h"
#include "analysis/LineCompare.h"
#include "analysis/ModuleScan.h"
#include "analysis/PreciseModel.h"
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
std::vector<ModulePrefetch::Module> ModulesToRead(AnalysisContext& ctx,
                                                  std::string_view projectPath) {
  std::vector<ModulePrefetch::Module> modules;
  for (const ModulePass& pass : kPasses) {
    TextReader project;
    project.Open(projectPath, ctx.Paths);
    while (!project.AtEnd()) {
      std::string line = project.ReadLine();
      if (!StartsLikeLeftCut(line, pass.KindWord)) continue;
      modules.push_back({ctx.ProjectDir + ModuleReference(line, pass.Separator),
                         pass.GroupKey != kPasses[0].GroupKey});
    }
  }
  return modules;
}

// Lends the prefetch to the module readers for the length of the passes.
class PrefetchScope {
 public:
  PrefetchScope(AnalysisContext& ctx, ModulePrefetch& prefetch) : ctx_(ctx) {
    ctx_.Prefetch = &prefetch;
  }
  ~PrefetchScope() { ctx_.Prefetch = nullptr; }
  PrefetchScope(const PrefetchScope&) = delete;
  PrefetchScope& operator=(const PrefetchScope&) = delete;

 private:
  AnalysisContext& ctx_;
};

// The designed reading: the declaration scanner's line rules and the name-matching call pass.
class Classic : public Reading {
 public:
  void ScanDeclarations(AnalysisContext& ctx, std::string_view projectPath) const override {
    std::vector<ModulePrefetch::Module> modules = ModulesToRead(ctx, projectPath);
    if (ctx.Decoder.Setting() == SourceEncoding::Auto) {
      std::vector<std::string> paths;
      for (const auto& module : modules) paths.push_back(module.Path);
      ctx.Decoder.Decide(paths, ctx.Paths);
    }
    // The module files are read and scanned ahead on spare cores; the records still enter the
    // list one by one, in the order of the passes.
    ModulePrefetch prefetch(std::move(modules), ctx.Workers, ctx.Paths,
                            ctx.Decoder.KeepsBytes() ? nullptr : &ctx.Decoder);
    PrefetchScope lend(ctx, prefetch);
    for (const ModulePass& pass : kPasses) {
      TextReader project;  // each pass reads the file from its start
      project.Open(projectPath, ctx.Paths);
      EnumerateModules(ctx, project, pass.GroupKey, pass.KindWord, pass.Separator);
      ctx.ModuleBase += ctx.PassModuleCount;
    }
  }
  void ScanCalls(AnalysisContext& ctx) const override { BuildXref(ctx); }
};

}  // namespace

const Reading& ClassicReading() {
  static const Classic reading;
  return reading;
}

void AnalyzeProject(AnalysisContext& ctx, std::string_view projectPath) {
  ClearSymbols(ctx);
  ctx.Precise.reset();
  ctx.ProcedureTotal = 0;
  ctx.ModuleBase = 0;
  // The files of an earlier project are no longer this analysis's inputs; the dictionary is.
  ctx.Paths.ForgetPaths();
  ctx.Paths.ForgetReads();
  if (ctx.ReservedWordsFile) ctx.Paths.NoteRead(*ctx.ReservedWordsFile);
  struct ForgetPathsAtEnd {
    PathResolver& Paths;
    ~ForgetPathsAtEnd() { Paths.ForgetPaths(); }
  } forget{ctx.Paths};
  ctx.ProjectDir = NativeFolderOf(projectPath);
  // The project's folder is resolved once; the modules' references resolve under it.
  if (std::optional<std::string> native = ctx.Paths.Resolve(projectPath)) {
    std::size_t slash = native->rfind('/');
    ctx.Paths.SetBase(ctx.ProjectDir,
                      slash == std::string::npos ? std::string() : native->substr(0, slash + 1));
  }
  const Reading& reading =
      ctx.Reading == ReadingKind::Precise ? PreciseReading() : ClassicReading();
  reading.ScanDeclarations(ctx, projectPath);
  if (ctx.ProcedureTotal > 0) reading.ScanCalls(ctx);
}

void EnumerateModules(AnalysisContext& ctx, TextReader& project, const std::string& groupKey,
                      const std::string& kindWord, char separator) {
  ctx.PassModuleCount = 0;
  const int pass = PassIndex(kindWord);
  const auto groupKind = static_cast<std::uint8_t>(KindModuleGroup + pass);
  const auto moduleKind = static_cast<std::uint8_t>(KindStdModule + pass);

  while (!project.AtEnd()) {
    std::string line = project.ReadLine();
    if (!StartsLikeLeftCut(line, kindWord)) continue;

    if (ctx.PassModuleCount == 0) {
      TPassRec group;
      group.Level = 2;
      group.Name = GroupCaption(groupKind);
      if (!ctx.Decoder.KeepsBytes()) group.Name = Cp932ToUtf8(group.Name);
      group.FullName = kindWord;
      group.Text = kindWord;
      group.Key = groupKey;
      group.ParentKey = "1";
      group.Scope = "G";
      group.Kind = groupKind;
      AddSymbol(ctx, group);
    }
    ++ctx.PassModuleCount;

    TPassRec module;
    module.Level = 3;
    const std::string reference = ModuleReference(line, separator);
    module.Name = ctx.Decoder.ProjectText(reference);
    module.Key = CutTo(FormatKey(3, ctx.ModuleBase + ctx.PassModuleCount), 10);
    module.ParentKey = groupKey;
    module.Scope = "G";
    module.Kind = moduleKind;
    module.Text = ctx.ProjectDir + reference;
    AddSymbol(ctx, module);
  }
}

}  // namespace tarnel
