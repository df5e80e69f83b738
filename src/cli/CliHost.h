#pragma once

#include <cstdio>

#include "analysis/AnalysisHost.h"

namespace tarnel {

// The batch tool's host: messages go to standard error in UTF-8, in order; on a terminal a
// progress line follows long cross-reference passes.
class CliHost : public AnalysisHost {
 public:
  CliHost(std::FILE* err, bool showProgress) : err_(err), showProgress_(showProgress) {}

  void ShowMessage(const std::string& text) override;
  void BeginProgress() override {}
  void SetProgressRange(int maximum) override { maximum_ = maximum; }
  void SetProgress(int position, const std::string& counter, const std::string& name) override;
  void ProcessEvents() override {}
  void EndProgress() override;

 private:
  std::FILE* err_;
  bool showProgress_;
  bool progressLineShown_ = false;
  int maximum_ = 0;
};

}  // namespace tarnel
