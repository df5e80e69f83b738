#pragma once

#include <QDockWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Symbol.h"
#include "session/CallHierarchy.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnel {

class ProjectSession;

// The call hierarchy of one procedure beside the lists: its callers and their callers, and its
// callees and theirs, each a tree that is looked up only as far as the user opens it. A procedure
// already on the path from the top is shown marked as recursion and cannot be opened.
class CallHierarchyView : public QDockWidget {
  Q_OBJECT

 public:
  enum Column { NameColumn, ModuleColumn, KindColumn, LineColumn, ColumnCount };

  CallHierarchyView(const ProjectSession& session, QWidget* parent);
  ~CallHierarchyView() override;

  // Shows the hierarchy of proc (nullptr empties the view).
  void SetRoot(const TPassRec* proc);
  const TPassRec* Root() const { return root_; }
  // The records are about to go.
  void Clear() { SetRoot(nullptr); }

  QTreeWidget* Callers() const { return trees_[0]; }
  QTreeWidget* Callees() const { return trees_[1]; }
  // The procedure of an item.
  const TPassRec* RecordOf(const QTreeWidgetItem* item) const;
  bool IsRecursive(const QTreeWidgetItem* item) const;
  // What a double-click on item does: the source at the call that the item stands for.
  void OpenItem(QTreeWidgetItem* item);

  // Shows proc's source with markName marked and the call-site lines highlighted.
  std::function<void(const TPassRec& proc, const std::string& markName,
                     const std::vector<int>& lines)>
      OpenSource;
  // The user opened the source of proc from the hierarchy.
  std::function<void(const TPassRec& proc)> Visited;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A record's text as the views show it.
  QString Shown(const std::string& text) const;
  int SideOf(const QTreeWidget* tree) const { return tree == trees_[0] ? 0 : 1; }
  QTreeWidgetItem* MakeItem(int side, int node);
  void Populate(QTreeWidgetItem* item);
  std::vector<int> SiteLines(int side, int node) const;

  const ProjectSession& session_;
  const TPassRec* root_ = nullptr;
  QLabel* titles_[2] = {};
  QTreeWidget* trees_[2] = {};
  std::unique_ptr<CallHierarchy> hierarchies_[2];
};

}  // namespace tarnel
