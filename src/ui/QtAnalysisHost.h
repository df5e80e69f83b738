#pragma once

#include <QElapsedTimer>
#include <string>

#include "analysis/AnalysisHost.h"
#include "session/ProjectSession.h"

class QWidget;

namespace tarnel {

class TDbgForm;
class UserPrompts;

// The analysis host of the window program: messages in the message box over the main window,
// progress in the progress dialog with the main window disabled meanwhile.
class QtAnalysisHost : public AnalysisHost {
 public:
  QtAnalysisHost(QWidget* mainWindow, UserPrompts& prompts)
      : mainWindow_(mainWindow), prompts_(prompts) {}

  void SetProgressDialog(TDbgForm* dialog) { dialog_ = dialog; }
  // The session whose analysis reports progress: the names shown are its records' texts. Without
  // one they are taken as code page 932.
  void SetSession(const ProjectSession* session) { session_ = session; }

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
  UserPrompts& prompts_;
  TDbgForm* dialog_ = nullptr;
  const ProjectSession* session_ = nullptr;
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
