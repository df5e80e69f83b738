// Times the source window on one long procedure, offscreen: from the double-click's call to the
// text on screen, then closing the window.
// usage: tarnel-bench-dsp LINES [LINES...]
#include <stdlib.h>

#include <QApplication>
#include <QTextDocument>
#include <QTextEdit>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/Analysis.h"
#include "platform/Paths.h"
#include "ui/DspForm.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s LINES [LINES...]\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string folder = (std::filesystem::temp_directory_path() / "tarnel-dsp-bench-XXXXXX");
  if (mkdtemp(folder.data()) == nullptr) return 1;
  folder += "/";

  for (int arg = 1; arg < argc; ++arg) {
    const long lines = std::atol(argv[arg]);
    {
      std::ofstream module(folder + "Long.bas", std::ios::binary);
      module << "Attribute VB_Name = \"Long\"\r\nSub Huge()\r\n";
      for (long i = 0; i < lines; ++i) module << "    Total = Total + Item(" << i << ")\r\n";
      module << "End Sub\r\n";
      std::ofstream(folder + "Long.vbp", std::ios::binary) << "Module=Long; Long.bas\r\n";
    }
    tarnel::SilentHost host;
    tarnel::AnalysisContext ctx(host);
    tarnel::AnalyzeProject(ctx, tarnel::NativeToEngine(folder + "Long.vbp"));
    const tarnel::TPassRec* proc = nullptr;
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      if (ctx.Result.SymbolList.At(i).Name == "Huge") proc = &ctx.Result.SymbolList.At(i);
    }
    if (proc == nullptr) return 1;

    tarnel::TDspForm form(ctx);
    Clock::time_point start = Clock::now();
    form.ShowProcedure(*proc, "Total");
    QApplication::processEvents();
    form.grab();
    const double shownMs = Ms(start);
    start = Clock::now();
    form.close();
    QApplication::processEvents();
    const double closedMs = Ms(start);
    std::printf("%8ld lines: shown in %7.0f ms (%d laid out), closed in %.0f ms; %s\n", lines,
                shownMs, form.rchDsp->document()->blockCount(), closedMs,
                form.StatusText().toUtf8().constData());
  }
  std::filesystem::remove_all(folder);
  return 0;
}
