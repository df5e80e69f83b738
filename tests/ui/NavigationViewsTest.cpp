#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "support/MouseEvents.h"
#include "ui/CallHierarchyView.h"
#include "ui/CallListModel.h"
#include "ui/DspForm.h"
#include "ui/GoToProcedure.h"
#include "ui/HelpWindow.h"
#include "ui/Navigator.h"
#include "ui/ProcedureTableModel.h"
#include "ui/ProcedureTableWindow.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeSearch.h"

namespace tarnel {
namespace {

class NavigationViewsTest : public test::UiFixture {
 protected:
  // Helper and Other call each other; Tools has a Helper of its own that LoadAll calls.
  std::string WriteProject() {
    dir.WriteLines("p/P.vbp", {"Module=M; M.bas", "Module=Tools; Tools.bas"});
    dir.WriteLines("p/M.bas", {"Attribute VB_Name = \"M\"",  // 1
                               "Sub Main()",                 // 2
                               "  Helper 1",                 // 3
                               "  x = 2",                    // 4
                               "  Helper 3: Other",          // 5
                               "End Sub",                    // 6
                               "Sub Helper(n)",              // 7
                               "  Other",                    // 8
                               "End Sub",                    // 9
                               "Sub Other()",                // 10
                               "  Helper 2",                 // 11
                               "End Sub",                    // 12
                               "Sub Spare()",                // 13
                               "End Sub"});
    dir.WriteLines("p/Tools.bas", {"Attribute VB_Name = \"Tools\"",  // 1
                                   "Sub LoadAll()",                  // 2
                                   "  Helper 5",                     // 3
                                   "End Sub",                        // 4
                                   "Private Sub Helper(n)",          // 5
                                   "End Sub",                        // 6
                                   "Sub ReloadHelper()",             // 7
                                   "End Sub"});
    return NativeToEngine(dir.File("p/P.vbp"));
  }
  void OpenProject(bool precise = false) {
    if (precise) dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=Precise"});
    Start();
    main().OpenProject(WriteProject());
  }
  Navigator& nav() { return *main().Navigation(); }
  TDspForm& dsp() { return *windows->DspForm; }
  // The procedure's node in the tree, selected as a click selects it.
  void Select(const std::string& module, const std::string& name) {
    const ResultTree& tree = *main().TreeModel()->Tree();
    for (int i = 0; i < tree.Count(); ++i) {
      const TPassRec* r = tree.Node(i).Record;
      if (r != nullptr && r->Name == name &&
          FindSymbol(main().Session().Result(), r->ParentKey).FullName == module) {
        main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(i));
        return;
      }
    }
    FAIL() << module << "." << name;
  }
  std::string Current() {
    const TPassRec* p = main().Session().CurrentProc();
    return p == nullptr
               ? "none"
               : FindSymbol(main().Session().Result(), p->ParentKey).FullName + "." + p->Name;
  }
  std::string CurrentSourceTitle() { return windows->DspForm->windowTitle().toStdString(); }
  // A cursor in the shown source on the first occurrence of word in the line at that number.
  QTextCursor CursorOn(int line, const QString& word) {
    QTextDocument* doc = dsp().rchDsp->document();
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
      if (dsp().LineNumberOf(b.blockNumber()) != line) continue;
      QTextCursor cursor(b);
      cursor.setPosition(b.position() + static_cast<int>(b.text().indexOf(word)) + 1);
      return cursor;
    }
    ADD_FAILURE() << "no line " << line;
    return QTextCursor(doc);
  }
  void Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
  }
};

TEST_F(NavigationViewsTest, SearchNarrowsTheTreeWithoutTouchingTheListsEnterSelectsEscapeClears) {
  OpenProject();
  Select("M", "Main");
  main().TreeView1()->expandAll();
  const test::Strings everything = TreeCaptions();
  TreeSearch& search = *nav().Search();
  QTest::keyClicks(&search, "HELP");
  const std::string group = everything[1].substr(1);
  EXPECT_EQ(TreeCaptions(), (test::Strings{"Vbp", " " + group, "  M.bas", "   Helper",
                                           "  Tools.bas", "   Helper", "   ReloadHelper"}));
  EXPECT_EQ(search.MatchCount(), 3);
  // The selected procedure and its lists stay while the tree is narrowed.
  EXPECT_EQ(Current(), "M.Main");
  EXPECT_EQ(main().lsICallItems()->Count(), 2);
  QTest::keyClick(&search, Qt::Key_Return);
  EXPECT_EQ(Current(), "M.Helper");
  EXPECT_EQ(main().lsYCallItems()->Count(), 3);  // Main, Other and (classic) LoadAll
  QTest::keyClick(&search, Qt::Key_Escape);
  EXPECT_EQ(search.text(), "");
  // The tree comes back as the user had opened it, with the match still selected.
  EXPECT_EQ(TreeCaptions(), everything);
  EXPECT_EQ(main().TreeModel()->RecordOf(main().TreeView1()->currentIndex())->Name, "Helper");
  // Nothing matches: an empty tree, and the lists stay.
  QTest::keyClicks(&search, "zzz");
  EXPECT_TRUE(TreeCaptions().empty());
  QTest::keyClick(&search, Qt::Key_Return);
  EXPECT_EQ(Current(), "M.Helper");
  // The search's clear button, which fades in while it holds text and out when it is empty.
  const QList<QToolButton*> buttons = search.findChildren<QToolButton*>();
  ASSERT_EQ(buttons.size(), 1);
  const auto opacity = [&] { return buttons[0]->property("opacity").toDouble(); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return opacity() > 0.99; }));
  // Another analysis starts with the whole tree, and the emptied search shows no clear button.
  main().OpenProject(WriteProject());
  EXPECT_EQ(search.text(), "");
  EXPECT_FALSE(TreeCaptions().empty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return opacity() < 0.01; }));
}

TEST_F(NavigationViewsTest, CtrlFFocusesTheSearchAndJapaneseTextFindsItsProcedure) {
  dir.WriteLines("j/J.vbp", {"Module=J; J.bas"});
  // "表示" and full-width "ＡＢ" in code page 932.
  dir.WriteLines("j/J.bas", {"Attribute VB_Name = \"J\"",
                             "Sub \x95\x5c\x8e\xa6"
                             "Data()",
                             "End Sub", "Sub \x82\x60\x82\x61()", "End Sub"});
  Start();
  main().OpenProject(NativeToEngine(dir.File("j/J.vbp")));
  Activate(main());
  QTest::keyClick(main().TreeView1(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(nav().Search()->hasFocus());
  // Typed as an input method commits it: at once.
  nav().Search()->insert(QString::fromUtf8("表示"));
  EXPECT_EQ(nav().Search()->MatchCount(), 1);
  nav().Search()->clear();
  nav().Search()->insert(QString::fromUtf8("ａｂ"));  // letter case folded
  EXPECT_EQ(nav().Search()->MatchCount(), 1);
  nav().Search()->setText(QString::fromUtf8("\U0001F600"));  // not in code page 932
  EXPECT_EQ(nav().Search()->MatchCount(), 0);
}

TEST_F(NavigationViewsTest, GoToProcedureRanksPrefixBeforeWordStartAndSelectsTheChoice) {
  OpenProject();
  nav().GoToAction()->trigger();
  GoToProcedure& popup = *nav().QuickOpen();
  EXPECT_TRUE(popup.isVisible());
  QTest::keyClicks(popup.Input, "help");
  ASSERT_EQ(popup.Count(), 3);
  EXPECT_EQ(popup.List->item(0)->text(), "M.Helper");
  EXPECT_EQ(popup.List->item(1)->text(), "Tools.Helper");
  EXPECT_EQ(popup.List->item(2)->text(), "Tools.ReloadHelper");
  QTest::keyClick(popup.Input, Qt::Key_Down);
  QTest::keyClick(popup.Input, Qt::Key_Return);
  EXPECT_FALSE(popup.isVisible());
  EXPECT_EQ(Current(), "Tools.Helper");
  // A hidden node is found all the same: the search that hides it is cleared.
  QTest::keyClicks(nav().Search(), "Spare");
  nav().GoToAction()->trigger();
  QTest::keyClicks(popup.Input, "oth");
  QTest::keyClick(popup.Input, Qt::Key_Return);
  EXPECT_EQ(Current(), "M.Other");
  EXPECT_EQ(nav().Search()->text(), "");
}

TEST_F(NavigationViewsTest, BackAndForwardRetraceTreeListAndSourceChoices) {
  OpenProject();
  EXPECT_FALSE(nav().BackAction()->isEnabled());
  Select("M", "Main");
  Select("M", "Helper");
  // Helper's callee Other, opened from the list.
  ASSERT_EQ(main().lsICallItems()->Count(), 1);
  main().lsICall()->setCurrentIndex(main().lsICallItems()->index(0, 0));
  main().lsYCallDblClick(main().lsICall());
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 6), "Helper");
  nav().Back();  // Other -> Helper, already selected; the open source follows
  EXPECT_EQ(Current(), "M.Helper");
  nav().Back();
  EXPECT_EQ(Current(), "M.Main");
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 4), "Main");
  EXPECT_FALSE(nav().BackAction()->isEnabled());
  // The mouse's forward button, anywhere over the window.
  test::SendMouse(main().lsYCall()->viewport(), QEvent::MouseButtonPress, QPoint(5, 5),
                  Qt::ForwardButton, Qt::ForwardButton);
  EXPECT_EQ(Current(), "M.Helper");
  nav().Forward();
  EXPECT_EQ(Current(), "M.Other");
  EXPECT_FALSE(nav().ForwardAction()->isEnabled());
  // A new choice after going back drops what lay ahead.
  nav().Back();
  nav().Back();
  Select("M", "Spare");
  EXPECT_FALSE(nav().ForwardAction()->isEnabled());
  nav().Back();
  EXPECT_EQ(Current(), "M.Main");
  // A new analysis forgets the old choices.
  main().OpenProject(WriteProject());
  EXPECT_FALSE(nav().BackAction()->isEnabled());
}

TEST_F(NavigationViewsTest, ProceduresOpenedFromTheTableAreInTheHistory) {
  OpenProject();
  Select("M", "Main");
  main().ProcedureTable1()->trigger();
  TProcedureTableWindow& table = *main().ProcedureTableWindow();
  table.SetFilterText("Spare");
  ASSERT_EQ(table.Model()->rowCount(), 1);
  table.OpenRow(0);
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 5), "Spare");
  ASSERT_NE(nav().History().Current(), nullptr);
  EXPECT_EQ(FindSymbol(main().Session().Result(), *nav().History().Current()).Name, "Spare");
  nav().Back();
  EXPECT_EQ(Current(), "M.Main");
}

TEST_F(NavigationViewsTest, HierarchyOpensLazilyMarksRecursionAndOpensTheSourceAtTheCall) {
  OpenProject(true);
  main().show();
  Select("M", "Main");
  nav().HierarchyAction()->trigger();
  CallHierarchyView& view = *nav().Hierarchy();
  EXPECT_TRUE(view.isVisible());
  QTreeWidget& callees = *view.Callees();
  ASSERT_EQ(callees.topLevelItemCount(), 1);
  QTreeWidgetItem* top = callees.topLevelItem(0);
  ASSERT_EQ(top->childCount(), 2);
  QTreeWidgetItem* helper = top->child(0);
  EXPECT_EQ(helper->text(CallHierarchyView::NameColumn), "Helper");
  EXPECT_EQ(helper->text(CallHierarchyView::ModuleColumn), "M");
  EXPECT_EQ(helper->text(CallHierarchyView::KindColumn), "Sub");
  EXPECT_EQ(helper->text(CallHierarchyView::LineColumn), "3 (2)");
  EXPECT_EQ(top->child(1)->text(CallHierarchyView::LineColumn), "5");
  EXPECT_EQ(helper->childCount(), 0);  // not looked up until opened
  helper->setExpanded(true);
  ASSERT_EQ(helper->childCount(), 1);
  QTreeWidgetItem* other = helper->child(0);
  other->setExpanded(true);
  ASSERT_EQ(other->childCount(), 1);
  QTreeWidgetItem* again = other->child(0);
  EXPECT_TRUE(view.IsRecursive(again));
  EXPECT_EQ(again->text(CallHierarchyView::NameColumn), "Helper (recursive)");
  again->setExpanded(true);
  EXPECT_EQ(again->childCount(), 0);
  // A callee's call lies in its caller: Other under Helper opens Helper at line 8.
  view.OpenItem(other);
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 6), "Helper");
  EXPECT_EQ(dsp().rchDsp->textCursor().block().text(), "  Other");
  EXPECT_TRUE(
      dsp().rchDsp->textCursor().block().blockFormat().hasProperty(QTextFormat::BackgroundBrush));
  // The callers of Main: none; the view follows the tree.
  EXPECT_EQ(view.Callers()->topLevelItem(0)->childCount(), 0);
  Select("Tools", "Helper");
  EXPECT_EQ(view.Callers()->topLevelItem(0)->child(0)->text(0), "LoadAll");
  // A caller opens in its own body.
  view.OpenItem(view.Callers()->topLevelItem(0)->child(0));
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 7), "LoadAll");
  EXPECT_EQ(dsp().rchDsp->textCursor().block().text(), "  Helper 5");
  nav().Back();
  EXPECT_EQ(Current(), "Tools.Helper");
  main().OpenProject(WriteProject());
  EXPECT_EQ(view.Callees()->topLevelItemCount(), 0);
}

TEST_F(NavigationViewsTest, GoToDefinitionFollowsTheClassicMarking) {
  OpenProject();
  Select("Tools", "LoadAll");
  main().TreeView1DblClick();
  EXPECT_EQ(dsp().LineNumberOf(0), 2);
  // The marking gives an unqualified call to the Helper recorded first.
  const QTextCursor at = CursorOn(3, "Helper");
  const QPoint where = dsp().rchDsp->cursorRect(at).center();
  test::SendMouse(dsp().rchDsp->viewport(), QEvent::MouseButtonPress, where, Qt::LeftButton,
                  Qt::LeftButton);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(where),
                      QPointF(dsp().rchDsp->viewport()->mapToGlobal(where)), Qt::LeftButton,
                      Qt::NoButton, Qt::ControlModifier);
  QApplication::sendEvent(dsp().rchDsp->viewport(), &release);
  EXPECT_EQ(Current(), "M.Helper");
  EXPECT_EQ(dsp().LineNumberOf(0), 7);
  // F12 on Other in Helper's body.
  Activate(dsp());
  dsp().rchDsp->setTextCursor(CursorOn(8, "Other"));
  dsp().rchDsp->setFocus();
  QTest::keyClick(dsp().rchDsp, Qt::Key_F12);
  EXPECT_EQ(Current(), "M.Other");
  EXPECT_FALSE(dsp().GoToDefinition(CursorOn(10, "Sub")));  // not a procedure
  nav().Back();
  EXPECT_EQ(Current(), "M.Helper");
  EXPECT_EQ(dsp().LineNumberOf(0), 7);
}

TEST_F(NavigationViewsTest, GoToDefinitionFollowsThePreciseResolution) {
  OpenProject(true);
  Select("Tools", "LoadAll");
  main().TreeView1DblClick();
  EXPECT_TRUE(dsp().GoToDefinition(CursorOn(3, "Helper")));
  EXPECT_EQ(Current(), "Tools.Helper");  // its own module's private Helper
  Select("M", "Main");
  main().TreeView1DblClick();
  EXPECT_TRUE(dsp().GoToDefinition(CursorOn(5, "Other")));
  EXPECT_EQ(Current(), "M.Other");
  EXPECT_FALSE(dsp().GoToDefinition(CursorOn(10, "Other")));  // its own declaration
  // Another project gives the shown procedure's key to another procedure: nothing is guessed.
  dir.WriteLines("q/Q.vbp", {"Module=M; M.bas"});
  dir.WriteLines("q/M.bas", {"Attribute VB_Name = \"M\"", "Sub Alpha()", "  Beta", "End Sub",
                             "Sub Beta()", "End Sub", "Sub Gamma()", "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("q/Q.vbp")));
  EXPECT_FALSE(dsp().GoToDefinition(CursorOn(11, "Helper")));
  EXPECT_EQ(Current(), "none");
}

TEST_F(NavigationViewsTest, EnterOpensWhatADoubleClickOpensAndEscapeClosesTheWindows) {
  OpenProject();
  Select("M", "Main");
  QTest::keyClick(main().TreeView1(), Qt::Key_Return);
  EXPECT_TRUE(dsp().isVisible());
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 4), "Main");
  main().lsYCall()->setFocus();
  Select("M", "Helper");
  main().lsYCall()->setCurrentIndex(main().lsYCallItems()->index(1, 0));  // Other calls it
  QTest::keyClick(main().lsYCall(), Qt::Key_Enter);
  EXPECT_EQ(CurrentSourceTitle().substr(CurrentSourceTitle().size() - 5), "Other");
  Activate(dsp());
  QTest::keyClick(dsp().rchDsp, Qt::Key_Escape);
  EXPECT_FALSE(dsp().isVisible());
  main().Help2()->trigger();
  THelpWindow& help = *main().HelpWindow();
  Activate(help);
  QTest::keyClick(&help, Qt::Key_Escape);
  EXPECT_FALSE(help.isVisible());
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace tarnel
