#include "analysis/Analysis.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/PreciseModel.h"
#include "analysis/Reading.h"
#include "platform/Paths.h"

namespace tarnel {

void AnalyzeProject(AnalysisContext& ctx, std::string_view projectPath) {
  AnalysisRun run(ctx.Options, ctx.Result, *ctx.Host);
  RunAnalysis(run, projectPath);
}

void RunAnalysis(AnalysisRun& run, std::string_view projectPath) {
  AnalysisResult& result = run.Result;
  result.Decoder.SetSetting(run.Options.Encoding);
  ClearSymbols(result);
  result.Precise.reset();
  result.Cancelled = false;
  result.FilesRead.clear();
  // Whatever was read counts as an input, also when the analysis fails part way.
  struct KeepReadsAtEnd {
    AnalysisRun& Run;
    ~KeepReadsAtEnd() { Run.Result.FilesRead = Run.Paths.TakeReads(); }
  } keepReads{run};
  run.ProjectDir = NativeFolderOf(projectPath);
  // The project's folder is resolved once; the modules' references resolve under it.
  if (std::optional<std::string> native = run.Paths.Resolve(projectPath)) {
    std::size_t slash = native->rfind('/');
    run.Paths.SetBase(run.ProjectDir,
                      slash == std::string::npos ? std::string() : native->substr(0, slash + 1));
  }
  const Reading& reading =
      run.Options.Reading == ReadingKind::Precise ? PreciseReading() : ClassicReading();
  reading.ScanDeclarations(run, projectPath);
  if (run.ProcedureTotal > 0) reading.ScanCalls(run);
}

}  // namespace tarnel
