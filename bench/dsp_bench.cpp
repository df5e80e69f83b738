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

#include "analysis/AnalysisHost.h"
#include "platform/Paths.h"
#include "session/ProjectSession.h"
#include "ui/DspForm.h"
#include "ui/QtUserPrompts.h"

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
    tarnel::ProjectSession session(host, tarnel::NativeToEngine(folder), "Tarnel");
    session.OpenProject(tarnel::NativeToEngine(folder + "Long.vbp"));
    const tarnel::SymbolList& list = session.Result().SymbolList;
    const tarnel::TPassRec* proc = nullptr;
    for (int i = 0; i < list.Count(); ++i) {
      if (list.At(i).Name == "Huge") proc = &list.At(i);
    }
    if (proc == nullptr) return 1;

    tarnel::QtUserPrompts prompts;
    tarnel::TDspForm form(session, prompts);
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
