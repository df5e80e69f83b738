#include "ui/QtAnalysisHost.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include "platform/CodePage.h"
#include "ui/Cp932Text.h"
#include "ui/DbgForm.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {
constexpr qint64 kRepaintMs = 40;
constexpr qint64 kEventsMs = 40;
}  // namespace

void QtAnalysisHost::ShowMessage(const std::string& text) {
  prompts_.Show(mainWindow_, MessageKind::Message, FromCp932(text));
}

void QtAnalysisHost::ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) {
  RepeatTally& tally = Tally(kind);
  if (tally.Skipping) {
    ++tally.Skipped;
    return;
  }
  const MessageAnswer answer = prompts_.Show(mainWindow_, MessageKind::Repeated, FromCp932(text));
  tally.Skipping = answer == MessageAnswer::SkipRest;
}

void QtAnalysisHost::ResetRepeatedMessages() {
  for (RepeatTally& tally : tallies_) tally = RepeatTally{};
}

void QtAnalysisHost::BeginProgress() {
  if (dialog_ != nullptr) {
    dialog_->ResetCancel();  // a click from an earlier pass does not stop this one
    dialog_->show();
  }
  mainWindow_->setEnabled(false);
  sinceFlush_.start();
  pending_ = false;
  sinceEvents_.invalidate();
}

void QtAnalysisHost::SetProgressRange(int maximum) {
  maximum_ = maximum;
  position_ = 0;
  if (dialog_ == nullptr) return;
  dialog_->ProgressBar1->setRange(0, maximum < 0 ? 0 : maximum);
  dialog_->ProgressBar1->setValue(0);
}

void QtAnalysisHost::SetProgress(int position, const std::string& counter,
                                 const std::string& name) {
  position_ = position;
  counter_ = counter;
  name_ = name;
  pending_ = true;
  if (sinceFlush_.elapsed() >= kRepaintMs) Flush();
}

void QtAnalysisHost::Flush() {
  if (dialog_ != nullptr && pending_) {
    dialog_->ProgressBar1->setValue(position_);
    dialog_->DbgPrg->setText(FromCp932(counter_));
    dialog_->DbgPrg->adjustSize();
    dialog_->DbgProc->setText(
        session_ != nullptr ? FromRecordText(name_, session_->RecordEncoding()) : FromCp932(name_));
    dialog_->DbgProc->adjustSize();
  }
  pending_ = false;
  sinceFlush_.restart();
}

void QtAnalysisHost::ProcessEvents() {
  // The first round runs at once (a click queued before the pass counts before its first
  // record); later rounds start at most every kEventsMs, well within what Cancel may take.
  if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventsMs) return;
  sinceEvents_.start();
  QCoreApplication::processEvents();
}

bool QtAnalysisHost::CancelRequested() { return dialog_ != nullptr && dialog_->CancelRequested(); }

void QtAnalysisHost::EndProgress() {
  Flush();
  if (dialog_ != nullptr) dialog_->hide();
  mainWindow_->setEnabled(true);
}

}  // namespace tarnel
