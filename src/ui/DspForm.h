#pragma once

#include <QFont>
#include <QMainWindow>
#include <QPrinter>
#include <QString>
#include <QTextCursor>
#include <functional>
#include <string>
#include <vector>

#include "analysis/Symbol.h"
#include "session/ProjectSession.h"
#include "ui/ProcedureViewer.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTextDocument;
class QTextEdit;

namespace tarnel {

class SourceTextEdit;
class UserPrompts;

// The source window: one procedure read afresh from its module file, its own name marked blue in
// the first line, a name brought along from the result views red and, on request, every procedure
// name of the project bold. Created hidden once and reused; modeless.
class TDspForm : public QMainWindow, public ProcedureViewer {
  Q_OBJECT

 public:
  // The window reads the module records and ProcNames of the session and asks the user through
  // prompts; both must outlive it.
  TDspForm(const ProjectSession& session, UserPrompts& prompts, QWidget* parent = nullptr);
  ~TDspForm() override;

  // Shows the lines StartLine .. StartLine + BodyLines + 1 of proc's module file with their marks
  // and brings the window to the front, each line decoded by the file's encoding. markName (a
  // record's text) is painted red after the first line; empty for none. A failure goes to the error
  // box with the control already emptied.
  void ShowProcedure(const TPassRec& proc, const std::string& markName) override;
  // Gives the shown lines at these physical line numbers a light background.
  void MarkLines(const std::vector<int>& lines) override;
  void ScrollToLine(int line) override;
  // Marks word (a record's text) after the first line: red for mode 1, bold otherwise.
  void MarkWord(const std::string& word, int mode);

  // Go to definition (F12, Ctrl+click): the procedure that the name at cursor stands for, by the
  // rules of the reading that made the lists, goes to OpenDefinition. False when there is none.
  bool GoToDefinition(const QTextCursor& at);
  // The physical line number shown beside a block of the text.
  long long LineNumberOf(int block) const;

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

  // The procedure's lines as they were read from the module file, its bytes undecoded; the control
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
  // The printer that Printer Set&up configures and &Print uses.
  QPrinter& Printer() { return printer_; }

  // Opens a procedure that Go to definition found; by default this window shows it.
  std::function<void(const TPassRec& proc)> OpenDefinition;
  // Opens the help file at a help context. Empty when there is no help file: nothing happens.
  std::function<void(int context)> HelpRequested;

  static constexpr int kHelpContext = 6;

  // The controls, under the names of the form description.
  QTextEdit* rchDsp;  // a SourceTextEdit
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
  void ShowError(const QString& text);
  void LoadProcedure(const TPassRec& proc, const std::string& markName);
  long long shownStart_ = 0;  // physical line of the first shown line
  // The shown procedure, to find it again for Go to definition (the record may be gone).
  std::string shownKey_;
  std::string shownName_;
  std::string shownParent_;
  SourceTextEdit* source_ = nullptr;
  void ApplyFontToText(const QFont& font);
  // The head of shownLines_ within the limits, as one text; sets the status bar.
  QString ShownText();
  void SetStatusText(const QString& text);

  const ProjectSession& session_;
  UserPrompts& prompts_;
  std::vector<std::string> shownLines_;
  SourceEncoding fileEncoding_ = SourceEncoding::Cp932;  // of the module of shownLines_
  QFont displayFont_;
  QPrinter printer_;
  QLabel* statusLabel_ = nullptr;
};

// Prints doc on printer as one job: the whole printable area, no margins of its own, lines wider
// than the page wrapped, a new page wherever the text no longer fits. Returns false when the
// printer cannot be opened.
bool PrintTextDocument(const QTextDocument& doc, QPrinter& printer);

}  // namespace tarnel
