#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tarnel {

class TAboutDlg;
class TDbgForm;
class TDspForm;
class TMainForm;
class UserPrompts;
class TWindowMemory;

// The application's name "Tarnel", an empty display name (the desktop appends a non-empty one to
// every window title, and the captions are the design's own) and the program's end with the main
// window rather than the last window.
void SetUpApplication();

// The program's windows, created once each in their order: the main window (whose creation reads
// the settings and the dictionary), the progress dialog, the source window and the about box.
class TProgramWindows {
 public:
  // arguments: the command-line arguments after the program name, as the bytes the system gave.
  // Every window asks the user through prompts, which must outlive them.
  TProgramWindows(UserPrompts& prompts, std::string programDir, std::vector<std::string> arguments);
  ~TProgramWindows();

  // FormShow, then the main window on screen.
  void Show();

  std::unique_ptr<TMainForm> MainForm;
  std::unique_ptr<TDbgForm> DbgForm;
  std::unique_ptr<TDspForm> DspForm;
  std::unique_ptr<TAboutDlg> AboutDlg;
  // Owned by the main window; goes first, while the windows it reads are all there.
  TWindowMemory* Memory = nullptr;
};

}  // namespace tarnel
