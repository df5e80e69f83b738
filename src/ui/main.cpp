#include <QApplication>
#include <cstdio>
#include <exception>

#include "ui/MainForm.h"
#include "ui/ProgramWindows.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarnel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarnel"));
  // Closing the main window ends the program, whatever else is open.
  QApplication::setQuitOnLastWindowClosed(false);

  QStringList arguments = QApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();
  // The actions show their own failures; what escapes them still ends the program with its text.
  try {
    tarnel::TProgramWindows windows(tarnel::ExecutableFolder(), arguments);
    QObject::connect(windows.MainForm.get(), &tarnel::TMainForm::Closed, &app, &QApplication::quit);
    windows.Show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
