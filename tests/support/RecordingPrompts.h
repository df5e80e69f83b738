#pragma once

#include <QFont>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/UserPrompts.h"

namespace tarnel::test {

// Answers what the windows ask from queued answers and records every question, dialog and
// program start; nothing is ever shown or started. A prompt with no answer queued is closed as
// the user would close it with Escape: the default button of a box, Cancel for a dialog.
class RecordingPrompts : public UserPrompts {
 public:
  // One box as it would have been shown.
  struct Box {
    MessageKind Kind;
    std::string Title;  // "Tarnel", or the title of the dialog that asks
    std::string Text;
    QWidget* Over;
  };
  // Works the real open or save dialog as a user would; the dialog's result after it decides.
  using FileScript = std::function<void(TFileDialog& dialog)>;

  MessageAnswer Show(QWidget* over, MessageKind kind, const QString& text) override;
  bool Confirm(QWidget* over, const QString& title, const QString& text) override;
  std::optional<std::string> ChooseFile(QWidget* over, const FileRequest& request) override;
  std::optional<QFont> ChooseFont(QWidget* over, const QFont& preset) override;
  bool ConfirmPrint(QWidget* over, QPrinter& printer) override;
  bool SetUpPrinter(QWidget* over, QPrinter& printer) override;
  int Run(QDialog& dialog) override;
  bool StartProgram(const std::string& commandLine) override;

  // The next file dialog gives nativePath as chosen, without showing a dialog.
  void ChooseFileName(std::string nativePath);
  // The next file dialog is cancelled.
  void CancelFileDialog();
  // The next file dialog is made for real and worked by script.
  void WorkFileDialog(FileScript script);
  // True when every queued answer was used.
  bool AllAnswered() const;

  // The answers, used first to last.
  std::deque<MessageAnswer> BoxAnswers;  // boxes titled "Tarnel"
  std::deque<bool> ConfirmAnswers;       // the dialogs' own questions
  std::deque<std::optional<QFont>> FontAnswers;
  // The print and printer-setup dialogs: each answer sets the printer up and confirms or not.
  std::deque<std::function<bool(QPrinter&)>> PrintAnswers;
  std::deque<std::function<bool(QPrinter&)>> PrinterSetupAnswers;
  // The program's own dialogs (the about box): each answer gives the dialog's result.
  std::deque<std::function<int(QDialog&)>> DialogAnswers;
  // Starts the command lines for real when set, after recording them.
  std::function<bool(const std::string&)> Starter;
  // Runs at every box once it is recorded, where the box would be up.
  std::function<void(const Box&)> OnBox;

  // What was asked, in order.
  std::vector<Box> Boxes;
  std::vector<std::string> Errors;         // the texts of the error boxes
  std::vector<std::string> Messages;       // the texts of the message and repeated boxes
  std::vector<std::string> Questions;      // the texts of the questions titled "Tarnel"
  std::vector<std::string> Confirmations;  // the texts of the dialogs' own questions
  std::vector<FileRequest> FileRequests;
  std::vector<QFont> FontPresets;
  std::vector<QPrinter*> PrintDialogs;
  std::vector<QPrinter*> PrinterSetups;
  std::vector<QDialog*> Dialogs;
  std::vector<std::string> Started;

 private:
  struct FileAnswer {
    std::optional<std::string> Path;
    FileScript Script;
  };
  void Record(QWidget* over, MessageKind kind, const QString& title, const QString& text);

  std::deque<FileAnswer> fileAnswers_;
};

}  // namespace tarnel::test
