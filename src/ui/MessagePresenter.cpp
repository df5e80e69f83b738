#include "ui/MessagePresenter.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QPushButton>

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

MessageAnswer ShowBox(QWidget* parent, MessageKind kind, const QString& text) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, kind, text);
  if (kind == MessageKind::Question) {
    return box->exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box->exec();
  const QAbstractButton* clicked = box->clickedButton();
  return clicked != nullptr && clicked->objectName() == QStringLiteral("SkipRest")
             ? MessageAnswer::SkipRest
             : MessageAnswer::Ok;
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

MessageAnswer DefaultAnswer(MessageKind kind) {
  return kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
}

void SetMessagePresenter(MessagePresenter presenter) { CurrentPresenter() = std::move(presenter); }

MessageAnswer PresentMessage(QWidget* parent, MessageKind kind, const QString& text) {
  if (CurrentPresenter()) return CurrentPresenter()(parent, kind, text);
  return ShowBox(parent, kind, text);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind,
                                            const QString& text) {
  auto box = std::make_unique<QMessageBox>(kind == MessageKind::Error      ? QMessageBox::Critical
                                           : kind == MessageKind::Question ? QMessageBox::Question
                                                                           : QMessageBox::NoIcon,
                                           QStringLiteral("Tarnel"), text, QMessageBox::NoButton,
                                           parent);
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
