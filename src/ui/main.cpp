#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/MemoryTuning.h"
#include "ui/MainForm.h"
#include "ui/ProgramWindows.h"
#include "ui/QtUserPrompts.h"

int main(int argc, char** argv) {
  // Opening a large project touches tens of megabytes at once; on small pages the faults cost
  // a quarter of the time. May start the program again, before anything else is made.
  tarnel::PreferLargePagesForLongRun(argv);
  QApplication app(argc, argv);
  tarnel::SetUpApplication();

  // The arguments' own bytes: a name that is not valid in the locale's encoding (code page 932
  // bytes from a Windows archive) would not survive a detour through QString.
  std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  // The actions show their own failures; what escapes them still ends the program with its text.
  try {
    tarnel::QtUserPrompts prompts;
    tarnel::TProgramWindows windows(prompts, tarnel::ExecutableFolder(), arguments);
    QObject::connect(windows.MainForm.get(), &tarnel::TMainForm::Closed, &app, &QApplication::quit);
    windows.Show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
