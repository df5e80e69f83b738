#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "platform/CodePage.h"
#include "ui/CallListModel.h"
#include "ui/DbgForm.h"
#include "ui/ImageList.h"
#include "ui/ProcedureViewer.h"
#include "ui/ResultTreeModel.h"

namespace tarnel {
namespace {

using test::Strings;

class RecordingViewer : public ProcedureViewer {
 public:
  void ShowProcedure(const TPassRec& proc, const std::string& markName) override {
    Shown.push_back(proc.Name + " / " + markName);
  }
  Strings Shown;
};

// Module1: Main calls Helper, Module2.Helper and Bump; Module2: Helper calls Bump; C1: Run calls
// Bump.
class ResultViewsTest : public test::UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    dir.WriteLines("demo/Demo.vbp", {"Module=Module1; Module1.bas", "Class=C1; C1.cls",
                                     "Module=Module2; sub\\Module2.bas"});
    dir.WriteLines("demo/Module1.bas",
                   {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Helper",
                    "    Module2.Helper", "    Bump", "End Sub", "Private Function Helper()",
                    "End Function", "Sub Bump()", "End Sub"});
    dir.WriteLines("demo/sub/Module2.bas", {"Attribute VB_Name = \"Module2\"",
                                            "Public Sub Helper()", "    Bump", "End Sub"});
    dir.WriteLines("demo/C1.cls",
                   {"Attribute VB_Name = \"C1\"", "Public Sub Run()", "    Bump", "End Sub"});
    Start();
    main().AttachWindows(windows->DbgForm.get(), &viewer, nullptr);
    main().show();
    main().OpenProject(NativeToEngine(dir.File("demo/Demo.vbp")));
    main().TreeView1()->expandAll();
  }

  QModelIndex Node(const std::string& caption) {
    ResultTreeModel* model = main().TreeModel();
    for (int i = 0; i < main().Session().Tree().Count(); ++i) {
      if (main().Session().Tree().Node(i).Caption() == caption) return model->IndexOf(i);
    }
    ADD_FAILURE() << "no node " << caption;
    return {};
  }
  void Click(const std::string& caption) {
    QTreeView* tree = main().TreeView1();
    QModelIndex index = Node(caption);
    tree->scrollTo(index);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
  }
  void DoubleClick(const std::string& caption) {
    Click(caption);
    QTreeView* tree = main().TreeView1();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                       tree->visualRect(Node(caption)).center());
  }
  void ClickItem(QTreeView* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
  }
  void DoubleClickItem(QTreeView* list, int row) {
    ClickItem(list, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualRect(list->model()->index(row, 0)).center());
  }
  // Below the last item: no item there.
  void DoubleClickEmpty(QTreeView* list) {
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       QPoint(20, list->viewport()->height() - 3));
  }
  Strings Row(QTreeView* list, int row) {
    Strings cells;
    auto* items = static_cast<CallListModel*>(list->model());
    for (int c = 0; c < CallListModel::kColumns; ++c) {
      cells.push_back(items->Text(row, c).toStdString());
    }
    return cells;
  }
  Strings Names(QTreeView* list) {
    Strings names;
    for (int r = 0; r < list->model()->rowCount(); ++r) {
      names.push_back(list->model()->index(r, 0).data().toString().toStdString());
    }
    return names;
  }
  const TPassRec& Proc(const std::string& module, const std::string& name) {
    for (int i = 0; i < main().Session().Result().SymbolList.Count(); ++i) {
      const TPassRec& r = main().Session().Result().SymbolList.At(i);
      if (IsProcedureKind(r.Kind) && r.Name == name &&
          FindSymbol(main().Session().Result(), r.ParentKey).FullName == module) {
        return r;
      }
    }
    throw std::runtime_error("no " + name);
  }

  RecordingViewer viewer;
};

TEST_F(ResultViewsTest, TreeShowsGroupsModulesAndProceduresInKeyOrderWithTheirImages) {
  EXPECT_EQ(TreeCaptions(),
            (Strings{"Vbp", " " + Cp932ToUtf8(GroupCaption(KindModuleGroup)), "  Module1.bas",
                     "   Main", "   Helper", "   Bump", "  sub\\Module2.bas", "   Helper",
                     " " + Cp932ToUtf8(GroupCaption(KindClassGroup)), "  C1.cls", "   Run"}));
  ResultTreeModel* model = main().TreeModel();
  for (int i = 0; i < main().Session().Tree().Count(); ++i) {
    const TreeNode& node = main().Session().Tree().Node(i);
    int expected = node.Record ? node.Record->Kind : 0;
    QIcon icon = model->IndexOf(i).data(Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(icon.cacheKey(), ImageList1().Icon(expected).cacheKey()) << node.Caption();
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
  }
}

TEST_F(ResultViewsTest, FreshTreeHasTheRootSelectedAndExpandedAndTheRestCollapsed) {
  main().OpenProject(NativeToEngine(dir.File("demo/Demo.vbp")));
  QTreeView* tree = main().TreeView1();
  EXPECT_EQ(main().TreeModel()->NodeOf(tree->currentIndex()), 0);
  EXPECT_TRUE(tree->isExpanded(Node("Vbp")));
  EXPECT_FALSE(tree->isExpanded(Node("Module1.bas")));
  EXPECT_FALSE(tree->isExpanded(Node("C1.cls")));
  EXPECT_FALSE(tree->isExpanded(main().TreeModel()->IndexOf(1)));
  EXPECT_EQ(tree->indentation(), 19);
  EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(main().lsYCall()->model()->rowCount(), 0);
  EXPECT_EQ(main().lsICall()->model()->rowCount(), 0);
}

TEST_F(ResultViewsTest, LongNamesShowWholeAndTheTreeScrollsSideways) {
  const std::string longName = "TCInitializeTheConnectionPoolWithEveryDefaultSettingOfTheProgram";
  dir.WriteLines("long/Demo.vbp", {"Module=Module1; Module1.bas"});
  dir.WriteLines("long/Module1.bas", {"Attribute VB_Name = \"Module1\"", "Sub " + longName + "()",
                                      "End Sub", "Sub TCInitializeShort()", "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("long/Demo.vbp")));
  QTreeView* tree = main().TreeView1();
  tree->expandAll();
  QApplication::processEvents();
  ASSERT_LT(tree->viewport()->width(), 200);  // the designed pane: the name cannot fit

  const QModelIndex node = Node(longName);
  const QRect shown = tree->visualRect(node);
  const int textWidth = tree->fontMetrics().horizontalAdvance(QString::fromStdString(longName));
  EXPECT_GE(shown.width(), tree->iconSize().width() + textWidth);
  EXPECT_EQ(tree->textElideMode(), Qt::ElideNone);
  EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0);
  EXPECT_TRUE(tree->horizontalScrollBar()->isVisible());
  // Scrolled to the end, the name's end is in view.
  tree->horizontalScrollBar()->setValue(tree->horizontalScrollBar()->maximum());
  EXPECT_LE(tree->visualRect(node).right(), tree->viewport()->width() + 1);
}

TEST_F(ResultViewsTest, SelectingAProcedureFillsBothListsWithTheSixColumns) {
  Click("Main");
  const TPassRec& main1 = Proc("Module1", "Main");
  EXPECT_EQ(main().Session().CurrentProc(), &main1);
  EXPECT_EQ(main().PanelText(1), "Public Sub Main()");
  EXPECT_EQ(main().lsYCall()->model()->rowCount(), 0);  // nobody calls Main
  ASSERT_EQ(main().lsICall()->model()->rowCount(), 3);
  const TPassRec& helper1 = Proc("Module1", "Helper");
  const TPassRec& helper2 = Proc("Module2", "Helper");
  // Two Helpers, told apart by the module and file columns.
  EXPECT_EQ(Row(main().lsICall(), 0),
            (Strings{"Helper", "Private", "Module1", "Module1.bas",
                     std::to_string(helper1.StartLine), std::to_string(helper1.BodyLines)}));
  EXPECT_EQ(Row(main().lsICall(), 1),
            (Strings{"Helper", "Global", "Module2", "sub\\Module2.bas",
                     std::to_string(helper2.StartLine), std::to_string(helper2.BodyLines)}));
  EXPECT_EQ(Row(main().lsICall(), 2)[0], "Bump");
  QIcon icon = main().lsICall()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
  EXPECT_EQ(icon.cacheKey(), ImageList1().Icon(KindFunction).cacheKey());

  Click("Bump");
  EXPECT_EQ(Names(main().lsYCall()), (Strings{"Main", "Helper", "Run"}));
  EXPECT_EQ(main().lsICall()->model()->rowCount(), 0);  // Bump calls nothing
}

TEST_F(ResultViewsTest, ListsHaveTheDesignedColumnsAndDoNotSort) {
  for (QTreeView* list : {main().lsYCall(), main().lsICall()}) {
    QHeaderView* header = list->header();
    const int widths[] = {100, 50, 80, 80, 30, 30};
    const char* titles[] = {"Name", "Scope", "Module", "File", "", ""};
    for (int c = 0; c < 6; ++c) {
      EXPECT_EQ(header->sectionSize(c), widths[c]);
      EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
    }
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_FALSE(header->sectionsClickable());
    EXPECT_EQ(list->property("HelpContext").toInt(), 5);
  }
  Click("Bump");
  QTest::mouseClick(main().lsYCall()->header()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_EQ(Names(main().lsYCall()), (Strings{"Main", "Helper", "Run"}));
}

TEST_F(ResultViewsTest, GroupsAndModulesEmptyTheListsAndTheRootChangesNothing) {
  Click("Bump");
  Click("C1.cls");
  EXPECT_EQ(main().lsYCall()->model()->rowCount(), 0);
  EXPECT_EQ(main().Session().CurrentProc(), nullptr);
  EXPECT_EQ(main().PanelText(1),
            QString::fromStdString(
                FindSymbol(main().Session().Result(), Proc("C1", "Run").ParentKey).Text));
  Click(GroupCaption(KindClassGroup));
  EXPECT_EQ(main().PanelText(1), "Class");

  Click("Bump");
  Click("Vbp");
  EXPECT_EQ(Names(main().lsYCall()), (Strings{"Main", "Helper", "Run"}));
  EXPECT_EQ(main().Session().CurrentProc(), &Proc("Module1", "Bump"));
  EXPECT_EQ(main().PanelText(1), "Sub Bump()");
  // A double-click on the tree still shows the procedure of the lists.
  DoubleClick("Vbp");
  EXPECT_EQ(viewer.Shown, Strings{"Bump / Bump"});
}

TEST_F(ResultViewsTest, DoubleClickOnAProcedureNodeShowsItWithItsOwnNameMarked) {
  DoubleClick("Run");
  DoubleClick("Module1.bas");  // no procedure selected: nothing
  EXPECT_EQ(viewer.Shown, Strings{"Run / Run"});
}

TEST_F(ResultViewsTest, FocusedListItemDecidesTheRecordAndTheSenderTheDirection) {
  Click("Bump");
  ClickItem(main().lsYCall(), 2);
  EXPECT_EQ(main().Session().CurrentListItem(), &Proc("C1", "Run"));
  EXPECT_EQ(main().PanelText(1), "Public Sub Run()");
  // A caller: its source with the selected procedure marked.
  DoubleClickItem(main().lsYCall(), 2);
  EXPECT_EQ(viewer.Shown.back(), "Run / Bump");
  // lsICall is empty, so its double-click keeps the item focused in lsYCall: the selected
  // procedure's source with that caller's name marked.
  DoubleClickEmpty(main().lsICall());
  EXPECT_EQ(viewer.Shown.back(), "Bump / Run");

  Click("Main");
  EXPECT_EQ(main().Session().CurrentListItem(), nullptr);  // every tree selection clears it
  DoubleClickEmpty(main().lsICall());
  EXPECT_EQ(viewer.Shown.size(), 2u);
  DoubleClickItem(main().lsICall(), 1);
  EXPECT_EQ(viewer.Shown.back(), "Main / Helper");
  EXPECT_EQ(main().PanelText(1), "Public Sub Helper()");
}

TEST_F(ResultViewsTest, EnteringAListTakesItsSelectedItemWhenItHasTheFocusMark) {
  QApplication::setActiveWindow(&main());
  Click("Main");
  ClickItem(main().lsICall(), 2);
  EXPECT_EQ(main().Session().CurrentListItem(), &Proc("Module1", "Bump"));
  main().lsYCall()->setFocus();  // nothing selected there: nothing changes
  EXPECT_EQ(main().Session().CurrentListItem(), &Proc("Module1", "Bump"));
  // A change of an item without the focus mark clears the list item...
  main().lsYCallChange(main().lsICall(), 0);
  EXPECT_EQ(main().Session().CurrentListItem(), nullptr);
  // ...and entering the list takes its selected, focused item again.
  main().lsICall()->setFocus();
  EXPECT_EQ(main().Session().CurrentListItem(), &Proc("Module1", "Bump"));
  EXPECT_EQ(main().PanelText(1), "Sub Bump()");

  // Entering the tree runs the selection handler for its node: the lists are filled afresh.
  main().TreeView1()->setFocus();
  EXPECT_EQ(main().Session().CurrentListItem(), nullptr);
  EXPECT_FALSE(main().lsICall()->currentIndex().isValid());
  // A selected item without the focus mark sets nothing.
  main().lsICall()->selectionModel()->select(main().lsICall()->model()->index(1, 0),
                                             QItemSelectionModel::Select);
  main().lsYCallEnter(main().lsICall());
  EXPECT_EQ(main().Session().CurrentListItem(), nullptr);
}

TEST_F(ResultViewsTest, NoViewReachesARecordOfAnEarlierProject) {
  Click("Bump");
  ClickItem(main().lsYCall(), 0);
  dir.WriteLines("two/Two.vbp", {"Module=M; M.bas"});
  dir.WriteLines("two/M.bas", {"Attribute VB_Name = \"M\"", "Sub Other()", "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("two/Two.vbp")));
  EXPECT_EQ(main().Session().CurrentProc(), nullptr);
  EXPECT_EQ(main().Session().CurrentListItem(), nullptr);
  main().TreeView1()->expandAll();
  DoubleClick("Vbp");
  main().lsYCallDblClick(main().lsYCall());
  main().lsYCallDblClick(main().lsICall());
  EXPECT_TRUE(viewer.Shown.empty());
  DoubleClick("Other");
  EXPECT_EQ(viewer.Shown, Strings{"Other / Other"});
}

TEST_F(ResultViewsTest, HandlersDoNothingBeforeTheViewsAreReady) {
  Start();  // a fresh program, nothing opened
  main().AttachWindows(windows->DbgForm.get(), &viewer, nullptr);
  main().TreeView1Enter();
  main().TreeView1DblClick();
  main().lsYCallEnter(main().lsYCall());
  main().lsYCallChange(main().lsYCall(), 0);
  main().lsYCallDblClick(main().lsICall());
  EXPECT_TRUE(viewer.Shown.empty());
  EXPECT_EQ(main().PanelText(1), "");
}

}  // namespace
}  // namespace tarnel
