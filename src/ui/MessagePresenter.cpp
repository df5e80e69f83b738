#include "ui/MessagePresenter.h"

#include <QMessageBox>
#include <QPushButton>

namespace tarnel {

namespace {

MessagePresenter& CurrentPresenter() {
  static MessagePresenter presenter;
  return presenter;
}

MessageAnswer ShowBox(QWidget* parent, MessageKind kind, const QString& text) {
  QMessageBox box(kind == MessageKind::Error      ? QMessageBox::Critical
                  : kind == MessageKind::Question ? QMessageBox::Question
                                                  : QMessageBox::NoIcon,
                  QStringLiteral("Tarnel"), text, QMessageBox::NoButton, parent);
  if (kind == MessageKind::Question) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  box.setDefaultButton(ok);
  QPushButton* skip = nullptr;
  if (kind == MessageKind::Repeated) {
    skip = box.addButton(QStringLiteral("&Skip the rest"), QMessageBox::RejectRole);
  }
  box.setEscapeButton(ok);
  box.exec();
  return skip != nullptr && box.clickedButton() == skip ? MessageAnswer::SkipRest
                                                        : MessageAnswer::Ok;
}

}  // namespace

MessageAnswer DefaultAnswer(MessageKind kind) {
  return kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
}

void SetMessagePresenter(MessagePresenter presenter) { CurrentPresenter() = std::move(presenter); }

MessageAnswer PresentMessage(QWidget* parent, MessageKind kind, const QString& text) {
  if (CurrentPresenter()) return CurrentPresenter()(parent, kind, text);
  return ShowBox(parent, kind, text);
}

}  // namespace tarnel
