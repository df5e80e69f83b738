// Times the whole analysis of a project, the F, B, S report, and ctags indexing the same folder.
// usage: tarnel-bench-analysis PROJECT.vbp [RESV.DIC]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "analysis/Analysis.h"
#include "analysis/ResultTree.h"
#include "platform/Paths.h"
#include "reports/ReportWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::uintmax_t SourceBytes(const std::filesystem::path& folder, long& files) {
  std::uintmax_t total = 0;
  files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    if (ext == ".bas" || ext == ".frm" || ext == ".cls") {
      total += entry.file_size();
      ++files;
    }
  }
  return total;
}

struct Peaks {
  long AnalysisKiB = -1;
  long RunKiB = -1;  // the analysis and the report
};

// The precise reading's peaks in a process of its own: a process's peak only grows, so the
// classic run must not have happened in it. -1 when it fails.
Peaks PrecisePeaks(const std::string& project, const char* resv, const std::string& reportPath) {
  Peaks peaks;
  int fds[2];
  if (pipe(fds) != 0) return peaks;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    tarnel::SilentHost host;
    tarnel::AnalysisContext ctx(host);
    ctx.Options.Reading = tarnel::ReadingKind::Precise;
    if (resv != nullptr) tarnel::LoadReservedWords(ctx.Options, tarnel::NativeToEngine(resv));
    const std::string engineProject = tarnel::NativeToEngine(project);
    tarnel::AnalyzeProject(ctx, engineProject);
    peaks.AnalysisKiB = PeakRssKiB();
    tarnel::ResultTree tree = tarnel::ResultTree::Build(ctx.Result.SymbolList);
    tarnel::WriteXref(host, {tree, ctx.Result.SymbolList, engineProject},
                      tarnel::NativeToEngine(reportPath), {});
    peaks.RunKiB = PeakRssKiB();
    const bool sent = write(fds[1], &peaks, sizeof peaks) == static_cast<ssize_t>(sizeof peaks);
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  if (child < 0 || read(fds[0], &peaks, sizeof peaks) != static_cast<ssize_t>(sizeof peaks)) {
    peaks = {};
  }
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return peaks;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROJECT.vbp [RESV.DIC]\n", argv[0]);
    return 2;
  }
  const std::string project = std::filesystem::absolute(argv[1]).string();
  const std::filesystem::path folder = std::filesystem::path(project).parent_path();
  long files = 0;
  const std::uintmax_t sourceBytes = SourceBytes(folder, files);
  const long baselineKiB = PeakRssKiB();
  const std::string reportPath =
      (std::filesystem::temp_directory_path() / "tarnel-bench-report.txt").string();
  const Peaks precisePeaks = PrecisePeaks(project, argc > 2 ? argv[2] : nullptr, reportPath);

  tarnel::SilentHost host;
  tarnel::AnalysisContext ctx(host);
  if (argc > 2) tarnel::LoadReservedWords(ctx.Options, tarnel::NativeToEngine(argv[2]));

  auto start = Clock::now();
  tarnel::AnalyzeProject(ctx, tarnel::NativeToEngine(project));
  const double analysis = Seconds(start);
  const long analysisPeakKiB = PeakRssKiB();

  long procedures = 0, calls = 0;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const tarnel::TPassRec& r = ctx.Result.SymbolList.At(i);
    if (tarnel::IsProcedureKind(r.Kind)) {
      ++procedures;
      calls += static_cast<long>(r.Calls.size());
    }
  }

  start = Clock::now();
  tarnel::ResultTree tree = tarnel::ResultTree::Build(ctx.Result.SymbolList);
  const double treeBuild = Seconds(start);
  start = Clock::now();
  const std::string engineProject = tarnel::NativeToEngine(project);
  tarnel::WriteXref(host, {tree, ctx.Result.SymbolList, engineProject},
                    tarnel::NativeToEngine(reportPath), {});
  const double report = Seconds(start);
  const auto reportBytes = std::filesystem::file_size(reportPath);
  std::filesystem::remove(reportPath);

  std::printf("project            %s\n", project.c_str());
  std::printf("module files       %ld, %.1f MB of source\n", files, sourceBytes / 1e6);
  std::printf("records            %d (%ld procedures, %ld calls)\n", ctx.Result.SymbolList.Count(),
              procedures, calls);
  std::printf("analysis           %.3f s (five passes, declarations, cross-reference)\n", analysis);
  std::printf("peak memory        %.1f MB (%.1f MB before the analysis), %.2f x the source\n",
              analysisPeakKiB / 1024.0, baselineKiB / 1024.0,
              analysisPeakKiB * 1024.0 / static_cast<double>(sourceBytes));
  std::printf("tree build         %.3f s\n", treeBuild);
  std::printf("F, B, S report     %.3f s (%.1f MB)\n", report, reportBytes / 1e6);

  // The precise reading's whole run, analysis and report, against the classic one's.
  const double classicRun = analysis + treeBuild + report;
  tarnel::AnalysisContext preciseCtx(host);
  preciseCtx.Options.Reading = tarnel::ReadingKind::Precise;
  if (argc > 2) tarnel::LoadReservedWords(preciseCtx.Options, tarnel::NativeToEngine(argv[2]));
  start = Clock::now();
  tarnel::AnalyzeProject(preciseCtx, tarnel::NativeToEngine(project));
  const double preciseAnalysis = Seconds(start);
  tarnel::ResultTree preciseTree = tarnel::ResultTree::Build(preciseCtx.Result.SymbolList);
  tarnel::WriteXref(host, {preciseTree, preciseCtx.Result.SymbolList, engineProject},
                    tarnel::NativeToEngine(reportPath), {});
  const double preciseRun = Seconds(start);
  std::filesystem::remove(reportPath);
  std::printf("precise analysis   %.3f s; whole run %.3f s against classic %.3f s = %.2f x\n",
              preciseAnalysis, preciseRun, classicRun, preciseRun / classicRun);
  const auto ofSource = [&](long kib) { return kib * 1024.0 / static_cast<double>(sourceBytes); };
  std::printf("precise peak       %.1f MB, %.2f x the source; with the report %.1f MB, %.2f x\n",
              precisePeaks.AnalysisKiB / 1024.0, ofSource(precisePeaks.AnalysisKiB),
              precisePeaks.RunKiB / 1024.0, ofSource(precisePeaks.RunKiB));

  const std::string ctags = "ctags -R --languages=Basic --langmap=Basic:+.frm.cls -f /dev/null '" +
                            folder.string() + "' 2>/dev/null";
  start = Clock::now();
  int status = std::system(ctags.c_str());
  const double ctagsSeconds = Seconds(start);
  if (status == 0) {
    std::printf("ctags declarations %.3f s; analysis / ctags = %.2f\n", ctagsSeconds,
                analysis / ctagsSeconds);
  } else {
    std::printf("ctags              not available\n");
  }
  return 0;
}
