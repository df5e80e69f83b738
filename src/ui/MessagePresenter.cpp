#include "ui/MessagePresenter.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace tarnel {

namespace {

MessagePresenter& CurrentPresenter() {
  static MessagePresenter presenter;
  return presenter;
}

QuestionAsker& CurrentAsker() {
  static QuestionAsker asker;
  return asker;
}

}  // namespace

void SetQuestionAsker(QuestionAsker asker) { CurrentAsker() = std::move(asker); }

bool AskQuestion(QWidget* parent, const QString& title, const QString& text) {
  if (CurrentAsker()) return CurrentAsker()(parent, title, text);
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  CentreOver(&box, parent);
  return box.exec() == QMessageBox::Yes;
}

void SetMessagePresenter(MessagePresenter presenter) { CurrentPresenter() = std::move(presenter); }

void PresentMessage(QWidget* parent, MessageKind kind, const QString& text) {
  if (CurrentPresenter()) {
    CurrentPresenter()(parent, kind, text);
    return;
  }
  MakeMessageBox(parent, kind, text)->exec();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind,
                                            const QString& text) {
  auto box = std::make_unique<QMessageBox>(
      kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
      QStringLiteral("Tarnel"), text, QMessageBox::Ok, parent);
  CentreOver(box.get(), parent);
  return box;
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
