#include "ui/ProgramWindows.h"

#include "ui/AboutDlg.h"
#include "ui/DbgForm.h"
#include "ui/DspForm.h"
#include "ui/Fonts.h"
#include "ui/MainForm.h"
#include "ui/MessagePresenter.h"
#include "ui/ProcedureViewer.h"

namespace tarnel {

namespace {

class DspFormViewer : public ProcedureViewer {
 public:
  explicit DspFormViewer(TDspForm& form) : form_(form) {}
  void ShowProcedure(const TPassRec& proc, const std::string& markName) override {
    form_.ShowProcedure(proc, markName);
  }

 private:
  TDspForm& form_;
};

}  // namespace

TProgramWindows::TProgramWindows(std::string programDir, QStringList arguments) {
  RegisterFontSubstitutions();
  MainForm = std::make_unique<TMainForm>(std::move(programDir), std::move(arguments));
  DbgForm = std::make_unique<TDbgForm>();
  DspForm = std::make_unique<TDspForm>(MainForm->Context());
  AboutDlg = std::make_unique<TAboutDlg>(MainForm.get());

  TDspForm* dsp = DspForm.get();
  dsp->ShowError = [dsp](const QString& text) { PresentMessage(dsp, MessageKind::Error, text); };
  TMainForm* main = MainForm.get();
  dsp->HelpRequested = [main](int context) { main->ShowHelp(context); };
  viewer_ = std::make_unique<DspFormViewer>(*dsp);
  MainForm->AttachWindows(DbgForm.get(), viewer_.get(), AboutDlg.get());
}

TProgramWindows::~TProgramWindows() {
  // The about box is a child of the main window; it goes first.
  AboutDlg.reset();
  viewer_.reset();
  DspForm.reset();
  DbgForm.reset();
  MainForm.reset();
}

void TProgramWindows::Show() { MainForm->ShowMainWindow(); }

}  // namespace tarnel
