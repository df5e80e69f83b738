#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
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

// Asks a question with Yes and No (No the default) in a box titled title; true for Yes. Tests
// replace how it is asked; an empty asker restores the box.
using QuestionAsker =
    std::function<bool(QWidget* parent, const QString& title, const QString& text)>;
void SetQuestionAsker(QuestionAsker asker);
bool AskQuestion(QWidget* parent, const QString& title, const QString& text);

// The box that PresentMessage shows, laid out and centred like CentreOver.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind, const QString& text);

// Moves a dialog, at its laid-out size, so that its centre is the centre of parent's window when
// that is on screen, else of the screen. Window managers differ in where they put a new dialog.
void CentreOver(QWidget* dialog, QWidget* parent);

}  // namespace tarnel
