// Times the main window on a large project, offscreen: the open from OpenProject to the tree on
// screen, the tree build alone, and filling the lists for the most-called procedure.
// usage: tarnel-bench-ui PROJECT.vbp [RESV.DIC]
#include <stdlib.h>

#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/Analysis.h"
#include "platform/MemoryTuning.h"
#include "platform/Paths.h"
#include "ui/MainForm.h"
#include "ui/ProgramWindows.h"
#include "ui/ResultTreeModel.h"
#include "ui/UserPrompts.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Paints the window now, as the screen would show it.
void Paint(QWidget& window) {
  QApplication::processEvents();
  window.grab();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROJECT.vbp [RESV.DIC]\n", argv[0]);
    return 2;
  }
  tarnel::PreferLargePagesForLongRun(argv);  // as the window's program does
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string project = std::filesystem::absolute(argv[1]).string();

  // A program folder of its own, so that the settings file lands there.
  std::string programDir = (std::filesystem::temp_directory_path() / "tarnel-ui-bench-XXXXXX");
  if (mkdtemp(programDir.data()) == nullptr) return 1;
  programDir += "/";
  if (argc > 2) std::filesystem::copy_file(argv[2], programDir + "resv.dic");

  // Boxes are counted and the first few printed; nothing waits for a user.
  struct CountingPrompts : tarnel::UserPrompts {
    int Messages = 0;
    tarnel::MessageAnswer Show(QWidget*, tarnel::MessageKind kind, const QString& text) override {
      if (++Messages <= 5) {
        std::fprintf(stderr, "%s: %s\n", kind == tarnel::MessageKind::Error ? "error" : "message",
                     text.toUtf8().constData());
      }
      return tarnel::DefaultAnswer(kind);
    }
    bool Confirm(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<std::string> ChooseFile(QWidget*, const tarnel::FileRequest&) override {
      return std::nullopt;
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont&) override { return std::nullopt; }
    bool ConfirmPrint(QWidget*, QPrinter&) override { return false; }
    bool SetUpPrinter(QWidget*, QPrinter&) override { return false; }
    int Run(QDialog&) override { return 0; }
    bool StartProgram(const std::string&) override { return false; }
  } prompts;
  int& messages = prompts.Messages;

  int status = 0;
  {
    tarnel::TProgramWindows windows(prompts, tarnel::NativeToEngine(programDir), {});
    tarnel::TMainForm& form = *windows.MainForm;
    form.show();
    Paint(form);

    Clock::time_point start = Clock::now();
    form.OpenProject(tarnel::NativeToEngine(project));
    const double openMs = Ms(start);
    Paint(form);
    const double shownMs = Ms(start);

    start = Clock::now();
    form.Read1Click();
    Paint(form);
    const double treeMs = Ms(start);

    // The procedure with the most callers, and its node.
    const tarnel::ResultTree& tree = form.Session().Tree();
    int best = -1;
    std::size_t callers = 0;
    for (int i = 0; i < tree.Count(); ++i) {
      const tarnel::TPassRec* r = tree.Node(i).Record;
      if (r != nullptr && r->CalledBy.size() >= callers && tarnel::IsProcedureKind(r->Kind)) {
        callers = r->CalledBy.size();
        best = i;
      }
    }
    double fillMs = 0;
    if (best >= 0) {
      start = Clock::now();
      form.TreeView1()->setCurrentIndex(form.TreeModel()->IndexOf(best));
      Paint(form);
      fillMs = Ms(start);
    } else {
      status = 1;
    }

    std::printf("project              %s\n", project.c_str());
    std::printf("records              %d\n", form.Session().Result().SymbolList.Count());
    std::printf("tree nodes           %d\n", tree.Count());
    std::printf("OpenProject          %.0f ms (analysis, cross-reference and tree)\n", openMs);
    std::printf("  to the tree shown  %.0f ms\n", shownMs);
    std::printf("tree build and paint %.1f ms\n", treeMs);
    std::printf("most-called          %s, %zu callers, %zu callees\n",
                best >= 0 ? std::string(tree.Node(best).Caption()).c_str() : "-", callers,
                best >= 0 ? tree.Node(best).Record->Calls.size() : std::size_t{0});
    std::printf("lists filled, shown  %.1f ms\n", fillMs);
    std::printf("messages             %d\n", messages);
  }
  std::filesystem::remove_all(programDir);
  return status;
}
