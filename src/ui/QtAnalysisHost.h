#pragma once

#include <QElapsedTimer>
#include <string>

#include "analysis/AnalysisHost.h"

class QWidget;

namespace tarnel {

class TDbgForm;

// The analysis host of the window program: messages in the message box, progress in the progress
// dialog with the main window disabled meanwhile.
class QtAnalysisHost : public AnalysisHost {
 public:
  explicit QtAnalysisHost(QWidget* mainWindow) : mainWindow_(mainWindow) {}

  void SetProgressDialog(TDbgForm* dialog) { dialog_ = dialog; }

  void ShowMessage(const std::string& text) override;
  // The first message of each kind gets a box that offers to skip the rest of that kind; once
  // skipped, the messages of that kind are only counted until ResetRepeatedMessages.
  void ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) override;
  void ResetRepeatedMessages();
  // How many messages of kind were skipped since the last reset.
  long SkippedMessages(RepeatedMessage kind) const { return Tally(kind).Skipped; }
  void BeginProgress() override;
  void SetProgressRange(int maximum) override;
  void SetProgress(int position, const std::string& counter, const std::string& name) override;
  void ProcessEvents() override;
  // Answered from the progress dialog's Cancel button.
  bool CancelRequested() override;
  void EndProgress() override;

  // Where the progress of the last pass stood when it ended: the record and the last record.
  int Position() const { return position_; }
  int Maximum() const { return maximum_; }

 private:
  void Flush();

  struct RepeatTally {
    bool Skipping = false;
    long Skipped = 0;
  };
  RepeatTally& Tally(RepeatedMessage kind) { return tallies_[static_cast<int>(kind)]; }
  const RepeatTally& Tally(RepeatedMessage kind) const { return tallies_[static_cast<int>(kind)]; }

  QWidget* mainWindow_;
  TDbgForm* dialog_ = nullptr;
  // The labels are repainted at most every few milliseconds; the last values are kept here.
  QElapsedTimer sinceFlush_;
  QElapsedTimer sinceEvents_;  // since events were last processed; invalid before the first
  int position_ = 0;
  int maximum_ = 0;
  std::string counter_;
  std::string name_;
  bool pending_ = false;
  RepeatTally tallies_[2];
};

}  // namespace tarnel
