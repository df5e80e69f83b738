#include "cli/CliHost.h"

#include "platform/CodePage.h"

namespace tarnel {

namespace {
constexpr int kProgressStep = 1000;
}

void CliHost::ShowMessage(const std::string& text) {
  if (progressLineShown_) std::fputc('\n', err_);
  progressLineShown_ = false;
  std::string shown = Cp932ToUtf8(text);
  while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
  std::fprintf(err_, "%s\n", shown.c_str());
}

void CliHost::SetProgress(int position, const std::string& counter, const std::string&) {
  if (!showProgress_ || maximum_ < kProgressStep) return;
  if (position % kProgressStep != 0 && position != maximum_) return;
  std::fprintf(err_, "\r%s", counter.c_str());
  std::fflush(err_);
  progressLineShown_ = true;
}

void CliHost::EndProgress() {
  if (progressLineShown_) std::fputc('\n', err_);
  progressLineShown_ = false;
}

}  // namespace tarnel
