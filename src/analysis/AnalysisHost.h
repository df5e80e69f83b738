#pragma once

#include <string>

namespace tarnel {

// The messages that one analysis may give over and over: a missing module file, a module file that
// ends before a procedure does.
enum class RepeatedMessage { FileNotFound, Eof };

// Everything the engine needs from the user interface while it works. Texts are code page 932.
class AnalysisHost {
 public:
  virtual ~AnalysisHost() = default;

  // A modal message with one OK button; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // A message of a kind that may come many times in one analysis. A host may let the user skip
  // the rest of that kind; by default each is shown as any other message.
  virtual void ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) {
    (void)kind;
    ShowMessage(text);
  }

  // Shows the progress dialog (not modal) and disables the main window.
  virtual void BeginProgress() = 0;
  // Sets the bar's range to 0..maximum and its position to 0.
  virtual void SetProgressRange(int maximum) = 0;
  // Position of the bar, the counter label and the name label.
  virtual void SetProgress(int position, const std::string& counter, const std::string& name) = 0;
  // Lets pending user-interface events run once; a Cancel click is taken in here.
  virtual void ProcessEvents() = 0;
  // Asked after each round of events: true stops the cross-reference pass before its next
  // record. A host without a Cancel button never asks to stop.
  virtual bool CancelRequested() { return false; }
  // Hides the progress dialog and enables the main window again.
  virtual void EndProgress() = 0;
};

// A host that shows nothing and never cancels.
class SilentHost : public AnalysisHost {
 public:
  void ShowMessage(const std::string&) override {}
  void BeginProgress() override {}
  void SetProgressRange(int) override {}
  void SetProgress(int, const std::string&, const std::string&) override {}
  void ProcessEvents() override {}
  void EndProgress() override {}
};

}  // namespace tarnel
