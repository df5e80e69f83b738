#include "ui/ViewMenus.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMetaMethod>
#include <QTreeView>

#include "ui/CallListModel.h"
#include "ui/Cp932Text.h"
#include "ui/MainForm.h"
#include "ui/ResultTreeModel.h"

namespace tarnel {

TViewMenus::TViewMenus(TMainForm& form) : QObject(&form), form_(form) {
  for (QTreeView* view : {form_.TreeView1(), form_.lsYCall(), form_.lsICall()}) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& pos) { ShowMenu(view, pos); });
  }
}

const TPassRec* TViewMenus::RecordOf(QTreeView* view, const QModelIndex& index) const {
  if (view == form_.TreeView1()) return form_.TreeModel()->RecordOf(index);
  const CallListModel* items =
      view == form_.lsYCall() ? form_.lsYCallItems() : form_.lsICallItems();
  return items->RecordAt(index.row());
}

void TViewMenus::ShowMenu(QTreeView* view, const QPoint& pos) {
  QModelIndex index = view->indexAt(pos);
  // From the keyboard the menu is for the current node or item.
  if (!index.isValid()) index = view->currentIndex();
  std::unique_ptr<QMenu> menu = MenuFor(view, index);
  if (menu == nullptr) return;
  const QRect item = view->visualRect(index);
  const QPoint at = view->indexAt(pos).isValid() ? pos : item.bottomLeft();
  menu->exec(view->viewport()->mapToGlobal(at));
}

std::unique_ptr<QMenu> TViewMenus::MenuFor(QTreeView* view, const QModelIndex& index) {
  if (!index.isValid()) return nullptr;
  // As a left click: the tree fills the lists, a list item takes the focus mark.
  view->setCurrentIndex(index.siblingAtColumn(0));
  const TPassRec* record = RecordOf(view, index);
  const bool procedure = record != nullptr && IsProcedureKind(record->Kind);

  auto menu = std::make_unique<QMenu>(view);
  menu->setObjectName("ViewMenu");
  QAction* open = menu->addAction(QStringLiteral("&Open Source"));
  open->setObjectName("OpenSourceItem");
  open->setEnabled(procedure);
  connect(open, &QAction::triggered, this, [this, view] {
    if (view == form_.TreeView1()) {
      form_.TreeView1DblClick();
    } else {
      form_.lsYCallDblClick(view);
    }
  });
  QAction* hierarchy = menu->addAction(QStringLiteral("Show Call &Hierarchy"));
  hierarchy->setObjectName("CallHierarchyItem");
  hierarchy->setEnabled(
      procedure && isSignalConnected(QMetaMethod::fromSignal(&TViewMenus::CallHierarchyRequested)));
  connect(hierarchy, &QAction::triggered, this,
          [this, record] { emit CallHierarchyRequested(record); });
  menu->addSeparator();
  QAction* name = menu->addAction(QStringLiteral("Copy &Name"));
  name->setObjectName("CopyNameItem");
  // A node that is no procedure (the project, a group, a module) is named by its caption.
  const QString nameText = procedure
                               ? FromRecordText(record->Name, form_.Session().RecordEncoding())
                               : index.siblingAtColumn(0).data().toString();
  connect(name, &QAction::triggered, this,
          [nameText] { QApplication::clipboard()->setText(nameText); });
  QAction* full = menu->addAction(QStringLiteral("Copy &Module.Name"));
  full->setObjectName("CopyFullNameItem");
  full->setEnabled(procedure);
  connect(full, &QAction::triggered, this,
          [text = procedure ? FromRecordText(record->FullName, form_.Session().RecordEncoding())
                            : QString()] { QApplication::clipboard()->setText(text); });
  return menu;
}

}  // namespace tarnel
