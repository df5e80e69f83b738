#pragma once

#include <QString>
#include <concepts>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class QMessageBox;
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

// Shows a modal box with the title "Tarnel" and returns the button that closed it.
using MessagePresenter =
    std::function<MessageAnswer(QWidget* parent, MessageKind kind, const QString& text)>;

// Replaces how boxes are shown (tests record the texts instead); an empty presenter restores the
// message box.
void SetMessagePresenter(MessagePresenter presenter);

// A presenter that only looks at the boxes: each is closed with its default answer.
template <typename Viewer>
requires std::invocable<Viewer&, QWidget*, MessageKind, const QString&> &&
    std::is_void_v<std::invoke_result_t<Viewer&, QWidget*, MessageKind, const QString&>>
void SetMessagePresenter(Viewer viewer) {
  SetMessagePresenter(MessagePresenter(
      [viewer = std::move(viewer)](QWidget* parent, MessageKind kind, const QString& text) mutable {
        viewer(parent, kind, text);
        return DefaultAnswer(kind);
      }));
}

MessageAnswer PresentMessage(QWidget* parent, MessageKind kind, const QString& text);

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
