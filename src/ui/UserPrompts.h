#pragma once

#include <QFont>
#include <QString>
#include <optional>
#include <string>

#include "ui/FileDialog.h"

class QDialog;
class QPrinter;
class QWidget;

namespace tarnel {

enum class MessageKind {
  Message,   // the program's own message box: "File Not Found : ...", "Eof", " No Output Item "
  Error,     // the standard error box of a failed user action
  Repeated,  // the program's own message box for a message that may come many times in one
             // analysis: OK, and a second button that skips the rest of its kind
  Question,  // a question with Yes and No; No is the default
};

// The button that closed a box.
enum class MessageAnswer { Ok, SkipRest, Yes, No };

// The answer of a box closed without a choice: No for a question, OK otherwise.
MessageAnswer DefaultAnswer(MessageKind kind);

// Everything the windows ask the user or start outside the program. The program shows real
// boxes and dialogs; the tests answer from a script and record what was asked. over is the widget
// whose window a box or dialog belongs to; null for none.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A box titled "Tarnel"; the button that closed it.
  virtual MessageAnswer Show(QWidget* over, MessageKind kind, const QString& text) = 0;
  // A dialog's own question, titled as the dialog is, with Yes and No (No the default); true for
  // Yes.
  virtual bool Confirm(QWidget* over, const QString& title, const QString& text) = 0;
  // The open or save dialog; the chosen file's native path, nullopt when cancelled.
  virtual std::optional<std::string> ChooseFile(QWidget* over, const FileRequest& request) = 0;
  // The font dialog opened on preset; nullopt when cancelled.
  virtual std::optional<QFont> ChooseFont(QWidget* over, const QFont& preset) = 0;
  // The print dialog and the printer-setup dialog, which set up printer; true when confirmed.
  virtual bool ConfirmPrint(QWidget* over, QPrinter& printer) = 0;
  virtual bool SetUpPrinter(QWidget* over, QPrinter& printer) = 0;
  // Runs one of the program's own modal dialogs (the about box); its result code.
  virtual int Run(QDialog& dialog) = 0;
  // Starts a command line (engine text) detached; false when it could not be started.
  virtual bool StartProgram(const std::string& commandLine) = 0;

  // The error box of a failed action; text is UTF-8 as it came from the failure.
  void ShowError(QWidget* over, const QString& text) { Show(over, MessageKind::Error, text); }
  // A question in a box titled "Tarnel"; true for Yes.
  bool AskYesNo(QWidget* over, const QString& text) {
    return Show(over, MessageKind::Question, text) == MessageAnswer::Yes;
  }
};

}  // namespace tarnel
