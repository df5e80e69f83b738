#include "ui/MessagePresenter.h"

#include <QMessageBox>

namespace tarnel {

namespace {

MessagePresenter& CurrentPresenter() {
  static MessagePresenter presenter;
  return presenter;
}

}  // namespace

void SetMessagePresenter(MessagePresenter presenter) { CurrentPresenter() = std::move(presenter); }

void PresentMessage(QWidget* parent, MessageKind kind, const QString& text) {
  if (CurrentPresenter()) {
    CurrentPresenter()(parent, kind, text);
    return;
  }
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QStringLiteral("Tarnel"), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace tarnel
