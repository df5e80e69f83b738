// Times what the user waits for while finding a procedure: one keystroke in the tree's search
// field (the filter alone, and with the tree shown again) on 40,000 procedures, and one keystroke
// in "Go to procedure" on 100,000. The projects are generated into a temporary folder.
// usage: tarnel-bench-navigation [Google Benchmark options]
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QTreeView>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "analysis/Analysis.h"
#include "analysis/ResultTree.h"
#include "platform/Paths.h"
#include "session/ProcedureSearch.h"
#include "session/TreeFilter.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeSearch.h"

namespace {

// What a user types, one keystroke at a time, and then corrects.
const std::array<const char*, 8> kKeystrokes = {"l",      "lo",      "loa",     "load",
                                                "loadcu", "loadcus", "custome", "ord"};

// A project of `procedures` procedures in modules of 100, analysed once and kept.
struct Project {
  tarnel::SilentHost host;
  tarnel::AnalysisContext ctx{host};
  tarnel::ResultTree tree;
};

Project& ProjectOf(int procedures) {
  static std::map<int, std::unique_ptr<Project>> projects;
  std::unique_ptr<Project>& project = projects[procedures];
  if (project) return *project;
  std::string folder = (std::filesystem::temp_directory_path() / "tarnel-nav-bench-XXXXXX");
  if (mkdtemp(folder.data()) == nullptr) std::abort();
  const char* const verbs[] = {"Load", "Save", "Find", "Show", "Check", "Print", "Reload"};
  const char* const nouns[] = {"Customer", "Order", "Invoice", "Item", "Stock", "Report"};
  std::ofstream vbp(folder + "/Big.vbp", std::ios::binary);
  const int modules = (procedures + 99) / 100;
  int made = 0;
  for (int m = 0; m < modules; ++m) {
    const std::string name = "Mod" + std::to_string(m);
    vbp << "Module=" << name << "; " << name << ".bas\r\n";
    std::ofstream bas(folder + "/" + name + ".bas", std::ios::binary);
    bas << "Attribute VB_Name = \"" << name << "\"\r\n";
    for (int p = 0; p < 100 && made < procedures; ++p, ++made) {
      bas << "Sub " << verbs[made % 7] << nouns[(made / 7) % 6] << made << "()\r\nEnd Sub\r\n";
    }
  }
  vbp.close();
  project = std::make_unique<Project>();
  project->ctx.Options.Workers = 1;
  tarnel::AnalyzeProject(project->ctx, tarnel::NativeToEngine(folder + "/Big.vbp"));
  project->tree = tarnel::ResultTree::Build(project->ctx.Result.SymbolList);
  std::filesystem::remove_all(folder);
  return *project;
}

void TreeFilterKeystroke(benchmark::State& state) {
  Project& project = ProjectOf(static_cast<int>(state.range(0)));
  tarnel::TreeFilter filter(project.tree);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(filter.Apply(kKeystrokes[i++ % kKeystrokes.size()]));
  }
}
BENCHMARK(TreeFilterKeystroke)->Arg(40000)->Unit(benchmark::kMillisecond);

// The whole keystroke as the window takes it: filter, model reset, the way to the matches opened,
// the selection kept, and the tree painted again.
void TreeSearchKeystroke(benchmark::State& state) {
  Project& project = ProjectOf(static_cast<int>(state.range(0)));
  tarnel::ResultTreeModel model;
  QTreeView view;
  view.setModel(&model);
  view.setUniformRowHeights(true);
  view.resize(300, 600);
  model.SetTree(&project.tree);
  view.setCurrentIndex(model.IndexOf(0));
  view.show();
  tarnel::TreeSearch search(&view, &model);
  std::size_t i = 0;
  for (auto _ : state) {
    search.Search(QString::fromLatin1(kKeystrokes[i++ % kKeystrokes.size()]));
    view.viewport()->grab();
  }
}
BENCHMARK(TreeSearchKeystroke)->Arg(40000)->Unit(benchmark::kMillisecond);

void GoToProcedureKeystroke(benchmark::State& state) {
  Project& project = ProjectOf(static_cast<int>(state.range(0)));
  const tarnel::ProcedureSearch search(project.ctx.Result.SymbolList);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(search.Find(kKeystrokes[i++ % kKeystrokes.size()], 200));
  }
}
BENCHMARK(GoToProcedureKeystroke)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
