#pragma once

#include <QObject>
#include <memory>

#include "analysis/Symbol.h"

class QAbstractItemView;
class QMenu;
class QModelIndex;
class QPoint;
class QTreeView;

namespace tarnel {

class TMainForm;

// The context menus of the tree and the two lists: Open Source, Show Call Hierarchy, Copy Name
// and Copy Module.Name for the node or item under the pointer, which a right-click selects first
// as a left click would.
class TViewMenus : public QObject {
  Q_OBJECT

 public:
  explicit TViewMenus(TMainForm& form);

  // The menu for the node or item at index of view (the tree or a list), after selecting it;
  // null when index is no node or item.
  std::unique_ptr<QMenu> MenuFor(QTreeView* view, const QModelIndex& index);

 signals:
  // Show Call Hierarchy was chosen for proc; the item is enabled only while something listens.
  void CallHierarchyRequested(const TPassRec* proc);

 private:
  void ShowMenu(QTreeView* view, const QPoint& pos);
  const TPassRec* RecordOf(QTreeView* view, const QModelIndex& index) const;

  TMainForm& form_;
};

}  // namespace tarnel
