#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"

class QLabel;
class QLineEdit;
class QTableView;

namespace tarnel {

class ProcedureTableModel;
class UserPrompts;

// Every procedure of the open project in one sortable table: module, name, kind, scope, line,
// lines, callers, callees and, after a precise analysis, its mark. A filter field narrows it by
// name; the chosen rows can be copied (tab-separated or CSV) and the shown ones saved as CSV; a
// double-click opens the procedure's source.
class TProcedureTableWindow : public QMainWindow {
  Q_OBJECT

 public:
  TProcedureTableWindow(UserPrompts& prompts, QWidget* parent = nullptr);

  // Shows the procedures of ctx; ctx and its records must stay until the next Fill or Clear.
  void Fill(const AnalysisContext& ctx);
  // Empties the table, before the records it shows go.
  void Clear();
  void SetFilterText(const QString& text);

  // The shown rows that are selected, top to bottom.
  std::vector<int> SelectedRows() const;
  // Copies the selected rows to the clipboard: tab-separated lines, or CSV with its header.
  void CopyRows(bool csv);
  // Writes the shown rows as CSV; failures go to the error box.
  void SaveAs(const std::string& nativePath);
  void SaveClick();
  void OpenRow(int row);

  // Opens a procedure's source; set by the main window.
  std::function<void(const TPassRec& proc)> OpenSource;

  ProcedureTableModel* Model() const { return model_; }
  QTableView* Table() const { return table_; }
  QLineEdit* FilterField() const { return filter_; }
  QLabel* CountLabel() const { return count_; }

 private:
  void UpdateCount();

  UserPrompts& prompts_;
  const AnalysisContext* ctx_ = nullptr;
  ProcedureTableModel* model_;
  QTableView* table_;
  QLineEdit* filter_;
  QLabel* count_;
};

}  // namespace tarnel
