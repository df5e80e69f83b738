#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisResult.h"
#include "reports/UnusedList.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tarnel {

// The unused, unreachable and maybe-called-by-name procedures of a precise analysis, one row
// each: mark, Module.Name, kind, file and line. Sorted by any column; a double-click opens the
// procedure's source; File > Save writes the batch tool's --unused file.
class TUnusedWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit TUnusedWindow(QWidget* parent = nullptr);

  // Lists the marked procedures of result (nothing after a classic analysis). The records must stay
  // until the next Fill.
  void Fill(const AnalysisResult& result);
  // Empties the list, before the records it shows go.
  void Clear();
  int Count() const;
  // A cell's text as shown.
  QString Text(int row, int column) const;
  // Saves the list, CSV when the name ends in ".csv"; failures go to ShowError.
  void SaveAs(const std::string& nativePath);
  void Save1Click();

  // Opens a procedure's source; set by the main window.
  std::function<void(const TPassRec& proc)> OpenSource;
  // The save dialog (native path, nullopt when cancelled) and the error box; tests replace them.
  std::function<std::optional<std::string>()> AskSaveFileName;
  std::function<void(const QString& text)> ShowError;

  QTreeWidget* lvUnused = nullptr;

 private:
  void ItemDoubleClicked(QTreeWidgetItem* item);

  std::vector<UnusedEntry> entries_;
};

}  // namespace tarnel
