#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tarnel {

enum class MessageKind {
  Message,  // the program's own message box: "File Not Found : ...", "Eof", " No Output Item "
  Error,    // the standard error box of a failed user action
};

// Shows a modal box with one OK button and the title "Tarnel", and returns when it is closed.
using MessagePresenter =
    std::function<void(QWidget* parent, MessageKind kind, const QString& text)>;

// Replaces how boxes are shown (tests record the texts instead); an empty presenter restores the
// message box.
void SetMessagePresenter(MessagePresenter presenter);
void PresentMessage(QWidget* parent, MessageKind kind, const QString& text);

}  // namespace tarnel
