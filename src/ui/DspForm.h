#pragma once

#include <QFont>
#include <QMainWindow>
#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Symbol.h"
#include "session/ProjectSession.h"
#include "ui/ProcedureViewer.h"

class QAction;
class QFontDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QTextDocument;
class QTextEdit;

namespace tarnel {

class TFileDialog;

// The source window: one procedure read afresh from its module file, its own name marked blue in
// the first line, a name brought along from the result views red and, on request, every procedure
// name of the project bold. Created hidden once and reused; modeless.
class TDspForm : public QMainWindow, public ProcedureViewer {
  Q_OBJECT

 public:
  // The window reads the module records and ProcNames of the session, which must outlive it.
  explicit TDspForm(const ProjectSession& session, QWidget* parent = nullptr);
  ~TDspForm() override;

  // Shows the lines StartLine .. StartLine + BodyLines + 1 of proc's module file with their marks
  // and brings the window to the front. markName (code page 932) is painted red after the first
  // line; empty for none. A failure goes to ShowError with the control already emptied.
  void ShowProcedure(const TPassRec& proc, const std::string& markName) override;
  // Gives the shown lines at these physical line numbers a light background.
  void MarkLines(const std::vector<int>& lines) override;
  // Marks word (code page 932) after the first line: red for mode 1, bold otherwise.
  void MarkWord(const std::string& word, int mode);

  // The menu operations.
  void SavetoFile1Click();
  void PrinterSetup1Click();
  void Print1Click();
  void Close1Click();
  void CheckSubFunction1Click();
  void Font1Click();
  // Shows the text in font from now on, as choosing it in Fon&t does.
  void SetDisplayFont(const QFont& font);
  // The font the text is shown in until the user chooses another.
  static QFont DesignedDisplayFont();
  void CopyasText1Click();
  void Help1Click();

  // The procedure's lines as they were read from the module file, code page 932 bytes; the control
  // shows their head when they exceed the limits below, and Save to File writes them all.
  const std::vector<std::string>& ShownLines() const { return shownLines_; }
  // What the control holds of a procedure at most. Laying text out takes time in proportion to it,
  // so a procedure of hundreds of thousands of lines (or a line of megabytes) is shown in part, and
  // the status bar says so.
  int ShownLineLimit = 20000;
  qsizetype ShownCharLimit = 500000;
  // The status bar's text: empty while the whole procedure is shown.
  QString StatusText() const;
  // The face and size of text that ShowProcedure adds.
  const QFont& DisplayFont() const { return displayFont_; }
  // The save dialog that AskSaveFileName shows by default.
  std::unique_ptr<TFileDialog> MakeSaveDialog();
  // The printer that Printer Set&up configures and &Print uses.
  QPrinter& Printer() { return printer_; }

  // Where the window meets the user. The defaults show the real dialogs; tests replace them so
  // that nothing blocks.
  // The error box; by default the program's presenter (title "Tarnel", one OK button). Text is
  // UTF-8 as it came from the failure.
  std::function<void(const QString& text)> ShowError;
  // A question with Yes and No; true for Yes. By default the program's presenter.
  std::function<bool(const QString& question)> AskYesNo;
  // The save dialog; nullopt when cancelled. Returns a native path (bytes).
  std::function<std::optional<std::string>()> AskSaveFileName;
  // The font dialog preset with face and size; nullopt when cancelled.
  std::function<std::optional<QFont>(const QFont& preset)> AskFont;
  // The print dialog and the printer-setup dialog; true when confirmed.
  std::function<bool(QPrinter& printer)> AskPrint;
  std::function<bool(QPrinter& printer)> AskPrinterSetup;
  // Opens the help file at a help context. Empty when there is no help file: nothing happens.
  std::function<void(int context)> HelpRequested;

  static constexpr int kHelpContext = 6;

  // The controls, under the names of the form description.
  QTextEdit* rchDsp;
  QMenuBar* MainMenu1;
  QMenu* File1;
  QAction* SavetoFile1;
  QAction* PrinterSetup1;
  QAction* Print1;
  QAction* Closex1;
  QMenu* Find1;
  QAction* CheckSubFunction1;
  QAction* Font1;
  QAction* CopyasText1;
  QAction* Help1;
  QMenu* PopupMenu1;
  QAction* CheckSubFunc1;
  QAction* Font2;
  QAction* Copy1;
  QAction* Help2;

 private:
  void BuildMenus();
  void InstallDefaultDialogs();
  void LoadProcedure(const TPassRec& proc, const std::string& markName);
  long long shownStart_ = 0;  // physical line of the first shown line
  void ApplyFontToText(const QFont& font);
  // The head of shownLines_ within the limits, as one text; sets the status bar.
  QString ShownText();
  void SetStatusText(const QString& text);

  const ProjectSession& session_;
  std::vector<std::string> shownLines_;
  QFont displayFont_;
  QPrinter printer_;
  QLabel* statusLabel_ = nullptr;
};

// The font dialog that Fon&t shows, opened on preset.
std::unique_ptr<QFontDialog> MakeFontDialog(const QFont& preset, QWidget* parent);

// Prints doc on printer as one job: the whole printable area, no margins of its own, lines wider
// than the page wrapped, a new page wherever the text no longer fits. Returns false when the
// printer cannot be opened.
bool PrintTextDocument(const QTextDocument& doc, QPrinter& printer);

}  // namespace tarnel
