// Times each export against the F, B, S report on the same analysis.
// usage: tarnel-bench-exports PROJECT.vbp [RESV.DIC] [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/ResultTree.h"
#include "platform/Paths.h"
#include "reports/Exports.h"
#include "reports/JsonExport.h"
#include "reports/ReportWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Timing {
  const char* Name;
  std::vector<double> Runs;
  std::uintmax_t Bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROJECT.vbp [RESV.DIC] [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string project = std::filesystem::absolute(argv[1]).string();
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  tarnel::SilentHost host;
  tarnel::AnalysisContext ctx(host);
  if (argc > 2) tarnel::LoadReservedWords(ctx.Options, tarnel::NativeToEngine(argv[2]));
  const std::string engineProject = tarnel::NativeToEngine(project);
  tarnel::AnalyzeProject(ctx, engineProject);
  const tarnel::ResultTree tree = tarnel::ResultTree::Build(ctx.Result.SymbolList);

  const std::filesystem::path out = std::filesystem::temp_directory_path() / "tarnel-bench-export";
  const std::string outPath = tarnel::NativeToEngine(out.string());
  using tarnel::ExportFormat;
  struct Export {
    const char* Name;
    ExportFormat Format;
  };
  const Export exports[] = {{"--dot", ExportFormat::CallGraphDot},
                            {"--dot --dot-level module", ExportFormat::ModuleGraphDot},
                            {"--edges", ExportFormat::EdgesJsonLines},
                            {"--tags", ExportFormat::Tags},
                            {"SARIF, no findings", ExportFormat::Sarif}};
  std::vector<Timing> timings;
  timings.push_back({"F, B, S report", {}});
  timings.push_back({"(export graph alone)", {}});
  timings.push_back({"--json (every record)", {}});
  for (const Export& e : exports) timings.push_back({e.Name, {}});

  for (int round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    tarnel::WriteXref(host, {tree, ctx.Result.SymbolList, engineProject}, outPath, {});
    timings[0].Runs.push_back(Seconds(start));
    timings[0].Bytes = std::filesystem::file_size(out);
    start = Clock::now();
    tarnel::ExportGraph::Build(tree, ctx.Result.SymbolList, engineProject);
    timings[1].Runs.push_back(Seconds(start));
    start = Clock::now();
    tarnel::WriteSymbolsJsonFile(outPath, ctx.Result.SymbolList, nullptr, false);
    timings[2].Runs.push_back(Seconds(start));
    timings[2].Bytes = std::filesystem::file_size(out);
    for (std::size_t i = 0; i < std::size(exports); ++i) {
      // As the batch tool does: the graph is built for the export, then written.
      start = Clock::now();
      const tarnel::ExportGraph graph =
          tarnel::ExportGraph::Build(tree, ctx.Result.SymbolList, engineProject);
      tarnel::WriteExportFile(exports[i].Format, graph, outPath);
      timings[i + 3].Runs.push_back(Seconds(start));
      timings[i + 3].Bytes = std::filesystem::file_size(out);
    }
  }
  std::filesystem::remove(out);

  std::printf("project %s, %d rounds (min to max)\n", project.c_str(), rounds);
  for (const Timing& t : timings) {
    auto [low, high] = std::minmax_element(t.Runs.begin(), t.Runs.end());
    std::printf("%-26s %.3f to %.3f s  (%.1f MB)\n", t.Name, *low, *high, t.Bytes / 1e6);
  }
  return 0;
}
