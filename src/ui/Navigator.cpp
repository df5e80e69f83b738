#include "ui/Navigator.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTreeView>
#include <optional>

#include "session/ProjectSession.h"
#include "ui/CallHierarchyView.h"
#include "ui/GoToProcedure.h"
#include "ui/MainForm.h"
#include "ui/ProcedureViewer.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeSearch.h"

namespace tarnel {

Navigator::Navigator(TMainForm& form) : QObject(&form), form_(form) {
  setObjectName(QStringLiteral("Navigator"));
  search_ = new TreeSearch(form.TreeView1(), form.TreeModel(), form.Panel2());
  if (auto* box = qobject_cast<QBoxLayout*>(form.Panel2()->layout())) box->insertWidget(0, search_);

  quickOpen_ = new GoToProcedure(form.Session(), &form);
  quickOpen_->Chosen = [this](const TPassRec& proc) {
    if (GoTo(proc, false)) form_.TreeView1()->setFocus();
  };

  hierarchy_ = new CallHierarchyView(form.Session(), &form);
  form.addDockWidget(Qt::RightDockWidgetArea, hierarchy_);
  hierarchy_->hide();
  hierarchy_->OpenSource = [this](const TPassRec& proc, const std::string& markName,
                                  const std::vector<int>& lines) {
    if (viewer_ == nullptr) return;
    viewer_->ShowProcedure(proc, markName);
    if (!lines.empty()) {
      viewer_->MarkLines(lines);
      viewer_->ScrollToLine(lines.front());
    }
  };
  hierarchy_->Visited = [this](const TPassRec& proc) { Visited(proc); };
  connect(hierarchy_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible) return;
    const TPassRec* root = HierarchyRoot();
    if (hierarchy_->Root() != root) hierarchy_->SetRoot(root);
  });

  menu_ = new QMenu(QStringLiteral("&Navigate"), form.menuBar());
  menu_->setObjectName(QStringLiteral("Navigate1"));
  form.menuBar()->insertMenu(form.Help1()->menuAction(), menu_);
  find_ = menu_->addAction(QStringLiteral("&Find in Tree"));
  find_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(find_, &QAction::triggered, this, [this] {
    search_->setFocus(Qt::ShortcutFocusReason);
    search_->selectAll();
  });
  goTo_ = menu_->addAction(QStringLiteral("&Go to Procedure..."));
  goTo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::CTRL | Qt::Key_T)});
  connect(goTo_, &QAction::triggered, quickOpen_, &GoToProcedure::Open);
  menu_->addSeparator();
  back_ = menu_->addAction(QStringLiteral("&Back"));
  back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  connect(back_, &QAction::triggered, this, &Navigator::Back);
  forward_ = menu_->addAction(QStringLiteral("F&orward"));
  forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  connect(forward_, &QAction::triggered, this, &Navigator::Forward);
  menu_->addSeparator();
  hierarchyAction_ = menu_->addAction(QStringLiteral("Call &Hierarchy"));
  hierarchyAction_->setShortcut(QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_H));
  connect(hierarchyAction_, &QAction::triggered, this, [this] { ShowCallHierarchy(); });

  // After the window's own handler, so that the session already knows the new procedure.
  connect(form.TreeView1()->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &Navigator::TreeCurrentChanged);
  connect(form.TreeModel(), &ResultTreeModel::TreeChanged, this, &Navigator::TreeChanged);
  qApp->installEventFilter(this);
  UpdateActions();
}

Navigator::~Navigator() { qApp->removeEventFilter(this); }

void Navigator::SetViewer(ProcedureViewer* viewer) {
  viewer_ = viewer;
  // Back and Forward work from the source window too.
  if (auto* window = dynamic_cast<QWidget*>(viewer)) window->addActions({back_, forward_});
}

void Navigator::TreeCurrentChanged(const QModelIndex& current) {
  const TPassRec* record = form_.TreeModel()->RecordOf(current);
  if (record == nullptr || record != form_.Session().CurrentProc()) return;
  if (!stepping_) history_.Visit(record->Key);
  requestedRoot_ = nullptr;  // the view follows the selection again
  if (hierarchy_->isVisible()) hierarchy_->SetRoot(record);
  UpdateActions();
}

void Navigator::TreeChanged() {
  // Keys and records of the old analysis mean nothing now.
  history_.Clear();
  requestedRoot_ = nullptr;
  hierarchy_->Clear();
  quickOpen_->Forget();
  UpdateActions();
}

bool Navigator::GoTo(const TPassRec& proc, bool showSource) {
  ResultTreeModel* model = form_.TreeModel();
  const ResultTree* tree = model->Tree();
  if (tree == nullptr) return false;
  int node = -1;
  for (int i = 0; i < tree->Count() && node < 0; ++i) {
    if (tree->Node(i).Record == &proc) node = i;
  }
  if (node < 0) return false;
  QModelIndex index = model->IndexOf(node);
  if (!index.isValid()) {
    search_->clear();  // the search hides it
    index = model->IndexOf(node);
  }
  QTreeView* view = form_.TreeView1();
  view->setCurrentIndex(index);
  view->scrollTo(index);
  if (showSource && viewer_ != nullptr) viewer_->ShowProcedure(proc, proc.Name);
  return true;
}

void Navigator::Visited(const TPassRec& proc) {
  if (stepping_) return;
  history_.Visit(proc.Key);
  UpdateActions();
}

void Navigator::OpenDefinition(const TPassRec& proc) {
  if (!GoTo(proc, true) && viewer_ != nullptr) viewer_->ShowProcedure(proc, proc.Name);
  Visited(proc);
}

void Navigator::Back() { Step(false); }

void Navigator::Forward() { Step(true); }

void Navigator::Step(bool forward) {
  const std::optional<std::string> key = forward ? history_.Forward() : history_.Back();
  if (key) {
    if (const TPassRec* proc = form_.Session().Context().Result.SymbolList.TryFind(*key)) {
      stepping_ = true;
      GoTo(*proc, SourceShown());
      stepping_ = false;
    }
  }
  UpdateActions();
}

bool Navigator::SourceShown() const {
  const auto* window = dynamic_cast<const QWidget*>(viewer_);
  return window != nullptr && window->isVisible();
}

const TPassRec* Navigator::HierarchyRoot() const {
  return requestedRoot_ != nullptr ? requestedRoot_ : form_.Session().CurrentProc();
}

void Navigator::ShowCallHierarchy(const TPassRec* root) {
  requestedRoot_ = root;
  hierarchy_->SetRoot(HierarchyRoot());
  hierarchy_->show();
  if (!hierarchyShown_ && !hierarchy_->isFloating()) {
    // Wide enough for name, module and kind at the first showing; the user's width after that.
    hierarchyShown_ = true;
    form_.resizeDocks({hierarchy_}, {std::max(320, form_.width() * 2 / 5)}, Qt::Horizontal);
  }
  hierarchy_->raise();
}

void Navigator::UpdateActions() {
  back_->setEnabled(history_.CanGoBack());
  forward_->setEnabled(history_.CanGoForward());
}

bool Navigator::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress) return false;
  const auto* press = static_cast<QMouseEvent*>(event);
  if (press->button() != Qt::BackButton && press->button() != Qt::ForwardButton) return false;
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return false;
  const QWidget* window = widget->window();
  if (window != &form_ && window != dynamic_cast<const QWidget*>(viewer_)) return false;
  Step(press->button() == Qt::ForwardButton);
  return true;
}

}  // namespace tarnel
