#include "ui/ProgramWindows.h"

#include <QApplication>

#include "ui/AboutDlg.h"
#include "ui/DbgForm.h"
#include "ui/DspForm.h"
#include "ui/Fonts.h"
#include "ui/MainForm.h"
#include "ui/Navigator.h"
#include "ui/WindowMemory.h"

namespace tarnel {

void SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("Tarnel"));
  QApplication::setApplicationDisplayName(QString());
  QApplication::setQuitOnLastWindowClosed(false);
}

TProgramWindows::TProgramWindows(UserPrompts& prompts, std::string programDir,
                                 std::vector<std::string> arguments) {
  RegisterFontSubstitutions();
  MainForm = std::make_unique<TMainForm>(prompts, std::move(programDir), std::move(arguments));
  DbgForm = std::make_unique<TDbgForm>();
  DspForm = std::make_unique<TDspForm>(MainForm->Session(), prompts);
  AboutDlg = std::make_unique<TAboutDlg>(MainForm.get());

  TMainForm* main = MainForm.get();
  DspForm->HelpRequested = [main](int context) { main->ShowHelp(context); };
  DspForm->OpenDefinition = [main](const TPassRec& proc) {
    main->Navigation()->OpenDefinition(proc);
  };
  MainForm->AttachWindows(DbgForm.get(), DspForm.get(), AboutDlg.get());
  Memory =
      new TWindowMemory(*MainForm, DspForm.get(), MainForm->Session().ProgramDir() + "tarnel.ini");
}

TProgramWindows::~TProgramWindows() {
  delete Memory;
  // The about box is a child of the main window; it goes first.
  AboutDlg.reset();
  DspForm.reset();
  DbgForm.reset();
  MainForm.reset();
}

void TProgramWindows::Show() { MainForm->ShowMainWindow(); }

}  // namespace tarnel
