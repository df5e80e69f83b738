#include "analysis/Analysis.h"
#include "analysis/LineCompare.h"
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

}  // namespace

void AnalyzeProject(AnalysisContext& ctx, std::string_view projectPath) {
  ClearSymbols(ctx);
  ctx.ProcedureTotal = 0;
  ctx.ModuleBase = 0;
  ctx.ProjectDir = FolderOf(projectPath);
  for (const ModulePass& pass : kPasses) {
    TextReader project(projectPath);  // each pass reads the file from its start
    EnumerateModules(ctx, project, pass.GroupKey, pass.KindWord, pass.Separator);
    ctx.ModuleBase += ctx.PassModuleCount;
  }
  if (ctx.ProcedureTotal > 0) BuildXref(ctx);
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
    std::size_t sep = line.find(separator);
    module.Name = sep == std::string::npos ? line : line.substr(sep + 1);
    module.Key = CutTo(FormatKey(3, ctx.ModuleBase + ctx.PassModuleCount), 10);
    module.ParentKey = groupKey;
    module.Scope = "G";
    module.Kind = moduleKind;
    module.Text = ctx.ProjectDir + module.Name;
    AddSymbol(ctx, module);
  }
}

}  // namespace tarnel
