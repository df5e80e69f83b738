#include "ui/QtUserPrompts.h"

#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>

#include "platform/ProcessStart.h"

namespace tarnel {

MessageAnswer QtUserPrompts::Show(QWidget* over, MessageKind kind, const QString& text) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(over, kind, text);
  if (kind == MessageKind::Question) {
    return box->exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box->exec();
  const QAbstractButton* clicked = box->clickedButton();
  return clicked != nullptr && clicked->objectName() == QStringLiteral("SkipRest")
             ? MessageAnswer::SkipRest
             : MessageAnswer::Ok;
}

bool QtUserPrompts::Confirm(QWidget* over, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, over);
  box.setDefaultButton(QMessageBox::No);
  CentreOver(&box, over);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtUserPrompts::ChooseFile(QWidget* over, const FileRequest& request) {
  std::unique_ptr<TFileDialog> dialog = MakeFileDialog(over, request, *this);
  if (dialog->exec() != QDialog::Accepted || dialog->SelectedFile().empty()) return std::nullopt;
  return dialog->SelectedFile();
}

std::optional<QFont> QtUserPrompts::ChooseFont(QWidget* over, const QFont& preset) {
  std::unique_ptr<QFontDialog> dialog = MakeFontDialog(preset, over);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return dialog->selectedFont();
}

bool QtUserPrompts::ConfirmPrint(QWidget* over, QPrinter& printer) {
  QPrintDialog dialog(&printer, over);
  return dialog.exec() == QDialog::Accepted;
}

bool QtUserPrompts::SetUpPrinter(QWidget* over, QPrinter& printer) {
  QPageSetupDialog dialog(&printer, over);
  return dialog.exec() == QDialog::Accepted;
}

int QtUserPrompts::Run(QDialog& dialog) { return dialog.exec(); }

bool QtUserPrompts::StartProgram(const std::string& commandLine) {
  return StartProcess(commandLine);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind,
                                            const QString& text) {
  auto box =
      std::make_unique<QMessageBox>(kind == MessageKind::Error      ? QMessageBox::Critical
                                    : kind == MessageKind::Question ? QMessageBox::Question
                                                                    : QMessageBox::NoIcon,
                                    QStringLiteral("Tarnel"), text, QMessageBox::NoButton, parent);
  if (kind == MessageKind::Question) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
  } else {
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    box->setDefaultButton(ok);
    if (kind == MessageKind::Repeated) {
      box->addButton(QStringLiteral("&Skip the rest"), QMessageBox::RejectRole)
          ->setObjectName(QStringLiteral("SkipRest"));
    }
    box->setEscapeButton(ok);
  }
  CentreOver(box.get(), parent);
  return box;
}

std::unique_ptr<QFontDialog> MakeFontDialog(const QFont& preset, QWidget* parent) {
  auto dialog = std::make_unique<QFontDialog>(preset, parent);
  dialog->setCurrentFont(preset);
  return dialog;
}

void CentreOver(QWidget* dialog, QWidget* parent) {
  dialog->ensurePolished();
  dialog->adjustSize();
  QRect frame = dialog->frameGeometry();
  const QWidget* over = parent != nullptr ? parent->window() : nullptr;
  if (over != nullptr && over->isVisible() && !over->isMinimized()) {
    frame.moveCenter(over->frameGeometry().center());
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    frame.moveCenter(screen->availableGeometry().center());
  }
  dialog->move(frame.topLeft());
}

}  // namespace tarnel
