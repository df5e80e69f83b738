#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QTreeView>

#include "UiFixture.h"
#include "ui/CallHierarchyView.h"
#include "ui/CallListModel.h"
#include "ui/DspForm.h"
#include "ui/MainForm.h"
#include "ui/Navigator.h"
#include "ui/ResultTreeModel.h"
#include "ui/ViewMenus.h"

namespace tarnel {
namespace {

class ViewMenusTest : public test::UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    Start();
    main().OpenProject(WriteDemo());
    main().TreeView1()->expandAll();
  }
  // Tree nodes: 0 Vbp, 1 the group, 2 Module1, 3 Main, 4 Bump.
  std::unique_ptr<QMenu> TreeMenu(int node) {
    return main().ViewMenus()->MenuFor(main().TreeView1(), main().TreeModel()->IndexOf(node));
  }
  static QAction* Item(QMenu& menu, const char* name) {
    auto* action = menu.findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
  }
  static std::string Clipboard() { return QApplication::clipboard()->text().toStdString(); }
};

TEST_F(ViewMenusTest, TreeMenuSelectsTheNodeCopiesItsNamesAndOpensItsSource) {
  std::unique_ptr<QMenu> menu = TreeMenu(3);
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(main().Session().CurrentProc(), nullptr);
  EXPECT_EQ(main().Session().CurrentProc()->Name, "Main");
  EXPECT_EQ(main().lsICallItems()->Count(), 1);  // the lists follow, as after a click
  Item(*menu, "CopyNameItem")->trigger();
  EXPECT_EQ(Clipboard(), "Main");
  Item(*menu, "CopyFullNameItem")->trigger();
  EXPECT_EQ(Clipboard(), "Module1.Main");
  Item(*menu, "OpenSourceItem")->trigger();
  ASSERT_FALSE(windows->DspForm->ShownLines().empty());
  EXPECT_EQ(windows->DspForm->ShownLines().front(), "Public Sub Main()");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ViewMenusTest, OnlyProceduresOfferSourceHierarchyAndModuleName) {
  std::unique_ptr<QMenu> module = TreeMenu(2);
  EXPECT_FALSE(Item(*module, "OpenSourceItem")->isEnabled());
  EXPECT_FALSE(Item(*module, "CopyFullNameItem")->isEnabled());
  ASSERT_TRUE(Item(*module, "CopyNameItem")->isEnabled());
  Item(*module, "CopyNameItem")->trigger();
  EXPECT_EQ(Clipboard(), main().TreeModel()->IndexOf(2).data().toString().toStdString());
  std::unique_ptr<QMenu> group = TreeMenu(1);
  Item(*group, "CopyNameItem")->trigger();
  EXPECT_EQ(Clipboard(), main().TreeModel()->IndexOf(1).data().toString().toStdString());
  EXPECT_EQ(main().ViewMenus()->MenuFor(main().TreeView1(), QModelIndex()), nullptr);
}

TEST_F(ViewMenusTest, CallHierarchyOpensTheViewOnTheChosenProcedure) {
  main().show();
  CallHierarchyView* view = main().Navigation()->Hierarchy();
  EXPECT_FALSE(view->isVisible());
  std::unique_ptr<QMenu> menu = TreeMenu(4);
  ASSERT_TRUE(Item(*menu, "CallHierarchyItem")->isEnabled());
  Item(*menu, "CallHierarchyItem")->trigger();
  EXPECT_FALSE(view->isHidden());
  ASSERT_NE(view->Root(), nullptr);
  EXPECT_EQ(view->Root()->FullName, "Module1.Bump");
  // A callee in the lower list, the view closed meanwhile: it opens on that procedure, not on
  // the selected one.
  TreeMenu(3);
  view->close();
  QTreeView* callees = main().lsICall();
  std::unique_ptr<QMenu> listMenu =
      main().ViewMenus()->MenuFor(callees, callees->model()->index(0, 2));
  ASSERT_NE(listMenu, nullptr);
  Item(*listMenu, "CallHierarchyItem")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(view->Root()->FullName, "Module1.Bump");
  // A new selection in the tree: the view follows it again.
  TreeMenu(4);
  TreeMenu(3);
  EXPECT_EQ(view->Root()->FullName, "Module1.Main");
}

TEST_F(ViewMenusTest, ListMenuActsOnTheItemAsADoubleClickWould) {
  TreeMenu(3);  // Main: its callee Bump is in the lower list
  QTreeView* callees = main().lsICall();
  std::unique_ptr<QMenu> menu = main().ViewMenus()->MenuFor(callees, callees->model()->index(0, 2));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(main().Session().CurrentListRow(), 0);
  Item(*menu, "CopyFullNameItem")->trigger();
  EXPECT_EQ(Clipboard(), "Module1.Bump");
  Item(*menu, "OpenSourceItem")->trigger();
  // A callee opens the selected procedure with the call marked, as the designed double-click.
  ASSERT_FALSE(windows->DspForm->ShownLines().empty());
  EXPECT_EQ(windows->DspForm->ShownLines().front(), "Public Sub Main()");
}

TEST_F(ViewMenusTest, ARightClickSelectsTheNodeUnderThePointerAndShowsTheMenu) {
  main().show();
  QTreeView* tree = main().TreeView1();
  const QRect bump = tree->visualRect(main().TreeModel()->IndexOf(4));
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shown = popup->objectName();
      popup->close();
    }
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, bump.center(),
                          tree->viewport()->mapToGlobal(bump.center()));
  QApplication::sendEvent(tree->viewport(), &event);
  EXPECT_EQ(shown, "ViewMenu");
  ASSERT_NE(main().Session().CurrentProc(), nullptr);
  EXPECT_EQ(main().Session().CurrentProc()->Name, "Bump");
}

}  // namespace
}  // namespace tarnel
