#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <string>

#include "analysis/AnalysisHost.h"
#include "analysis/AnalysisOptions.h"
#include "analysis/AnalysisResult.h"
#include "platform/Paths.h"

namespace tarnel {

class ModulePrefetch;

// Where the reading of a module file stands: physical lines read, continuation joins made.
struct LineCounters {
  long LineNo = 0;
  long ContinuationCount = 0;
};

// The working state of one analysis: made when it starts, gone when it ends, so nothing of one
// run leaks into the next.
struct AnalysisRun : LineCounters {
  AnalysisRun(const AnalysisOptions& options, AnalysisResult& result, AnalysisHost& host)
      : Options(options), Result(result), Host(host) {}
  AnalysisRun(const AnalysisRun&) = delete;
  AnalysisRun& operator=(const AnalysisRun&) = delete;

  const AnalysisOptions& Options;
  AnalysisResult& Result;
  AnalysisHost& Host;

  // Resolves this run's paths under the project's folder and notes every file it reads.
  PathResolver Paths;
  std::string ProjectDir;
  long ModuleBase = 0;
  long PassModuleCount = 0;
  long ProcedureTotal = 0;
  // LineNo and ContinuationCount come from LineCounters.

  // The module files being read ahead while the modules are enumerated; null otherwise.
  ModulePrefetch* Prefetch = nullptr;
};

}  // namespace tarnel
