#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/AnalysisHost.h"

namespace tarnel::test {

// Records every call the engine makes to its host, in order.
class RecordingHost : public AnalysisHost {
 public:
  void ShowMessage(const std::string& text) override {
    Messages.push_back(text);
    Calls.push_back("message " + text);
  }
  void ShowRepeatedMessage(RepeatedMessage kind, const std::string& text) override {
    RepeatedKinds.push_back(kind);
    ShowMessage(text);
  }
  void BeginProgress() override {
    Calls.push_back("begin");
    ProgressShown = true;
    Cancel = false;  // as the progress dialog, each pass starts without a request to stop
  }
  void SetProgressRange(int maximum) override {
    Calls.push_back("range " + std::to_string(maximum));
  }
  void SetProgress(int position, const std::string& counter, const std::string& name) override {
    Positions.push_back(position);
    Counters.push_back(counter);
    Names.push_back(name);
  }
  void ProcessEvents() override {
    ++EventRounds;
    if (OnEvents) OnEvents(EventRounds);
  }
  bool CancelRequested() override {
    ++CancelQuestions;
    return Cancel;
  }
  void EndProgress() override {
    Calls.push_back("end");
    ProgressShown = false;
  }

  std::vector<std::string> Messages;
  // The kind of each message that came as one that may repeat.
  std::vector<RepeatedMessage> RepeatedKinds;
  std::vector<std::string> Calls;
  std::vector<int> Positions;
  std::vector<std::string> Counters;
  std::vector<std::string> Names;
  int EventRounds = 0;
  bool ProgressShown = false;
  // Runs at every event round (1, 2, ...): where a test clicks Cancel, setting Cancel.
  std::function<void(int)> OnEvents;
  bool Cancel = false;
  int CancelQuestions = 0;
};

}  // namespace tarnel::test
