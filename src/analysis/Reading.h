#pragma once

// Engine internal: front ends choose a reading through AnalysisOptions::Reading.

#include <string_view>

#include "analysis/AnalysisRun.h"

namespace tarnel {

// One way of reading a project: first the declarations (groups, modules and procedures entered
// in the list), then, when there are procedures, the calls between them. Both share the project
// reader around them and the symbol list they fill.
class Reading {
 public:
  virtual ~Reading() = default;
  virtual void ScanDeclarations(AnalysisRun& run, std::string_view projectPath) const = 0;
  virtual void ScanCalls(AnalysisRun& run) const = 0;
};

// The designed line scanner, and the reading that follows the language's own rules.
const Reading& ClassicReading();
const Reading& PreciseReading();

}  // namespace tarnel
