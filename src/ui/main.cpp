#include <QApplication>

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
  tarnel::TProgramWindows windows(tarnel::ExecutableFolder(), arguments);
  QObject::connect(windows.MainForm.get(), &tarnel::TMainForm::Closed, &app, &QApplication::quit);
  windows.Show();
  return QApplication::exec();
}
