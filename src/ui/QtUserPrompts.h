#pragma once

#include <memory>

#include "ui/UserPrompts.h"

class QFontDialog;
class QMessageBox;

namespace tarnel {

// The program's prompts: real boxes and dialogs, modal over their window, and real processes.
class QtUserPrompts : public UserPrompts {
 public:
  MessageAnswer Show(QWidget* over, MessageKind kind, const QString& text) override;
  bool Confirm(QWidget* over, const QString& title, const QString& text) override;
  std::optional<std::string> ChooseFile(QWidget* over, const FileRequest& request) override;
  std::optional<QFont> ChooseFont(QWidget* over, const QFont& preset) override;
  bool ConfirmPrint(QWidget* over, QPrinter& printer) override;
  bool SetUpPrinter(QWidget* over, QPrinter& printer) override;
  int Run(QDialog& dialog) override;
  bool StartProgram(const std::string& commandLine) override;
};

// The box that Show shows, laid out and centred like CentreOver.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind, const QString& text);

// The font dialog that ChooseFont shows, opened on preset.
std::unique_ptr<QFontDialog> MakeFontDialog(const QFont& preset, QWidget* parent);

// Moves a dialog, at its laid-out size, so that its centre is the centre of parent's window when
// that is on screen, else of the screen. Window managers differ in where they put a new dialog.
void CentreOver(QWidget* dialog, QWidget* parent);

}  // namespace tarnel
