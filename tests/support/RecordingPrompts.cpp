#include "support/RecordingPrompts.h"

#include <QDialog>
#include <memory>
#include <utility>

namespace tarnel::test {

namespace {

// The front of a queue, taken off it; nullopt when the queue is empty.
template <typename T>
std::optional<T> Take(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

}  // namespace

void RecordingPrompts::Record(QWidget* over, MessageKind kind, const QString& title,
                              const QString& text) {
  Boxes.push_back({kind, title.toStdString(), text.toStdString(), over});
  if (OnBox) OnBox(Boxes.back());
}

MessageAnswer RecordingPrompts::Show(QWidget* over, MessageKind kind, const QString& text) {
  const std::string shown = text.toStdString();
  if (kind == MessageKind::Error) {
    Errors.push_back(shown);
  } else if (kind == MessageKind::Question) {
    Questions.push_back(shown);
  } else {
    Messages.push_back(shown);
  }
  Record(over, kind, QStringLiteral("Tarnel"), text);
  return Take(BoxAnswers).value_or(DefaultAnswer(kind));
}

bool RecordingPrompts::Confirm(QWidget* over, const QString& title, const QString& text) {
  Confirmations.push_back(text.toStdString());
  Record(over, MessageKind::Question, title, text);
  return Take(ConfirmAnswers).value_or(false);
}

std::optional<std::string> RecordingPrompts::ChooseFile(QWidget* over, const FileRequest& request) {
  FileRequests.push_back(request);
  std::optional<FileAnswer> answer = Take(fileAnswers_);
  if (!answer) return std::nullopt;
  if (!answer->Script) return answer->Path;
  std::unique_ptr<TFileDialog> dialog = MakeFileDialog(over, request, *this);
  answer->Script(*dialog);
  if (dialog->result() != QDialog::Accepted || dialog->SelectedFile().empty()) return std::nullopt;
  return dialog->SelectedFile();
}

std::optional<QFont> RecordingPrompts::ChooseFont(QWidget*, const QFont& preset) {
  FontPresets.push_back(preset);
  return Take(FontAnswers).value_or(std::nullopt);
}

bool RecordingPrompts::ConfirmPrint(QWidget*, QPrinter& printer) {
  PrintDialogs.push_back(&printer);
  std::optional<std::function<bool(QPrinter&)>> answer = Take(PrintAnswers);
  return answer && *answer && (*answer)(printer);
}

bool RecordingPrompts::SetUpPrinter(QWidget*, QPrinter& printer) {
  PrinterSetups.push_back(&printer);
  std::optional<std::function<bool(QPrinter&)>> answer = Take(PrinterSetupAnswers);
  return answer && *answer && (*answer)(printer);
}

int RecordingPrompts::Run(QDialog& dialog) {
  Dialogs.push_back(&dialog);
  std::optional<std::function<int(QDialog&)>> answer = Take(DialogAnswers);
  return answer && *answer ? (*answer)(dialog) : int(QDialog::Rejected);
}

bool RecordingPrompts::StartProgram(const std::string& commandLine) {
  Started.push_back(commandLine);
  return Starter ? Starter(commandLine) : true;
}

void RecordingPrompts::ChooseFileName(std::string nativePath) {
  fileAnswers_.push_back({std::move(nativePath), {}});
}

void RecordingPrompts::CancelFileDialog() { fileAnswers_.push_back({std::nullopt, {}}); }

void RecordingPrompts::WorkFileDialog(FileScript script) {
  fileAnswers_.push_back({std::nullopt, std::move(script)});
}

bool RecordingPrompts::AllAnswered() const {
  return BoxAnswers.empty() && ConfirmAnswers.empty() && FontAnswers.empty() &&
         PrintAnswers.empty() && PrinterSetupAnswers.empty() && DialogAnswers.empty() &&
         fileAnswers_.empty();
}

}  // namespace tarnel::test
