#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "reports/UnusedList.h"
#include "session/ProjectSession.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tarnel {

class UserPrompts;

// The unused, unreachable and maybe-called-by-name procedures of a precise analysis, one row
// each: mark, Module.Name, kind, file and line. Sorted by any column; a double-click opens the
// procedure's source; File > Save writes the batch tool's --unused file.
class TUnusedWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The save dialog and the error box come from prompts, which must outlive the window.
  explicit TUnusedWindow(UserPrompts& prompts, QWidget* parent = nullptr);

  // Lists the marked procedures of the session's analysis (nothing after a classic one). The
  // records must stay until the next Fill.
  void Fill(const ProjectSession& session);
  // Empties the list, before the records it shows go.
  void Clear();
  int Count() const;
  // A cell's text as shown.
  QString Text(int row, int column) const;
  // Saves the list, CSV when the name ends in ".csv"; failures go to the error box.
  void SaveAs(const std::string& nativePath);
  void Save1Click();

  // Opens a procedure's source; set by the main window.
  std::function<void(const TPassRec& proc)> OpenSource;

  QTreeWidget* lvUnused = nullptr;

 private:
  void ItemDoubleClicked(QTreeWidgetItem* item);

  UserPrompts& prompts_;
  std::vector<UnusedEntry> entries_;
};

}  // namespace tarnel
