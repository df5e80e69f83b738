#pragma once

#include <QLineEdit>
#include <memory>
#include <vector>

class QTreeView;

namespace tarnel {

class ResultTreeModel;
class TreeFilter;

// The search field above the tree: as the user types, the tree shows only the procedures and
// modules whose names contain the text, opened down to them. Enter selects the first match and
// Escape clears the field. Filtering never changes the selected procedure or its lists.
class TreeSearch : public QLineEdit {
  Q_OBJECT

 public:
  TreeSearch(QTreeView* tree, ResultTreeModel* model, QWidget* parent = nullptr);
  ~TreeSearch() override;

  // Filters the tree by text (what typing does).
  void Search(const QString& text);
  // Selects the first match in the tree and gives the tree the focus; false without one.
  bool SelectFirstMatch();
  // The number of matching nodes for the current text.
  int MatchCount() const { return matchCount_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void TreeChanged();
  void ShowFiltered();

  QTreeView* tree_;
  ResultTreeModel* model_;
  std::unique_ptr<TreeFilter> filter_;
  int matchCount_ = 0;
  bool clearing_ = false;  // the text is taken away for a new tree
  // The nodes the user had opened before the search began, opened again when it ends.
  std::vector<int> openedBefore_;
};

}  // namespace tarnel
