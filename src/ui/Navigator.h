#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "analysis/Symbol.h"
#include "session/SelectionHistory.h"

class QAction;
class QMenu;
class QModelIndex;

namespace tarnel {

class CallHierarchyView;
class GoToProcedure;
class ProcedureViewer;
class TMainForm;
class TreeSearch;

// The ways to find and follow procedures around the designed views of the main window: the
// search field over the tree, "Go to procedure", Back and Forward over the procedures the user
// went to, the call hierarchy, and going to a procedure from the source window. All of it lives in
// a menu of its own, so that the designed menus stay as they are.
class Navigator : public QObject {
  Q_OBJECT

 public:
  explicit Navigator(TMainForm& form);
  ~Navigator() override;

  // The source window, once it exists.
  void SetViewer(ProcedureViewer* viewer);

  // Selects proc in the tree as a click would (clearing a search that hides it); with showSource
  // its source is shown too, its own name marked.
  bool GoTo(const TPassRec& proc, bool showSource);
  // The user went to proc another way than by the tree (a list, the hierarchy, the source).
  void Visited(const TPassRec& proc);
  // Go to definition from the source window: the procedure's node and source.
  void OpenDefinition(const TPassRec& proc);
  void Back();
  void Forward();
  // Shows the call hierarchy of root, by default of the selected procedure.
  void ShowCallHierarchy(const TPassRec* root = nullptr);

  const SelectionHistory& History() const { return history_; }
  TreeSearch* Search() const { return search_; }
  GoToProcedure* QuickOpen() const { return quickOpen_; }
  CallHierarchyView* Hierarchy() const { return hierarchy_; }

  QMenu* Menu() const { return menu_; }
  QAction* FindAction() const { return find_; }
  QAction* GoToAction() const { return goTo_; }
  QAction* BackAction() const { return back_; }
  QAction* ForwardAction() const { return forward_; }
  QAction* HierarchyAction() const { return hierarchyAction_; }

 protected:
  // The mouse's back and forward buttons anywhere in the program's windows.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TreeCurrentChanged(const QModelIndex& current);
  void TreeChanged();
  void Step(bool forward);
  void UpdateActions();
  bool SourceShown() const;
  const TPassRec* HierarchyRoot() const;

  TMainForm& form_;
  ProcedureViewer* viewer_ = nullptr;
  SelectionHistory history_;
  bool stepping_ = false;  // Back or Forward is selecting: no new entry
  bool hierarchyShown_ = false;
  // The procedure the hierarchy was asked for other than the selected one (a list's item), until
  // the selection changes; null when it shows the selected procedure.
  const TPassRec* requestedRoot_ = nullptr;
  TreeSearch* search_ = nullptr;
  GoToProcedure* quickOpen_ = nullptr;
  CallHierarchyView* hierarchy_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* find_ = nullptr;
  QAction* goTo_ = nullptr;
  QAction* back_ = nullptr;
  QAction* forward_ = nullptr;
  QAction* hierarchyAction_ = nullptr;
};

}  // namespace tarnel
