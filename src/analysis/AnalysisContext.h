#pragma once

#include "analysis/AnalysisHost.h"
#include "analysis/AnalysisOptions.h"
#include "analysis/AnalysisResult.h"

namespace tarnel {

// One engine as a front end holds it: how it reads, what it found last, and whom it asks. The
// window, the batch tool, the language server and each test make their own.
struct AnalysisContext {
  explicit AnalysisContext(AnalysisHost& host) : Host(&host) {}

  AnalysisHost* Host;
  AnalysisOptions Options;
  AnalysisResult Result;
};

}  // namespace tarnel
