#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "UiFixture.h"
#include "ui/DspForm.h"
#include "ui/MainForm.h"
#include "ui/ProcedureTableModel.h"
#include "ui/ProcedureTableWindow.h"

namespace tarnel {
namespace {

using test::Strings;

class ProcedureTableWindowTest : public test::UiFixture {
 protected:
  // Module1: Main calls Helper and Bump; Helper calls Bump; Module2: Zed calls Bump.
  void OpenProject(bool precise = false) {
    if (precise) dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=Precise"});
    dir.WriteLines("t/T.vbp", {"Module=Module1; Module1.bas", "Module=Module2; Module2.bas"});
    dir.WriteLines("t/Module1.bas",
                   {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Helper",
                    "    Bump", "End Sub", "Private Function Helper()", "    Bump", "End Function",
                    "Sub Bump()", "End Sub"});
    dir.WriteLines("t/Module2.bas",
                   {"Attribute VB_Name = \"Module2\"", "Sub Zed()", "    Bump", "End Sub"});
    Start();
    main().OpenProject(NativeToEngine(dir.File("t/T.vbp")));
    main().ProcedureTable1()->trigger();
    ASSERT_NE(main().ProcedureTableWindow(), nullptr);
  }
  TProcedureTableWindow& window() { return *main().ProcedureTableWindow(); }
  Strings ColumnTexts(int column) {
    Strings texts;
    QAbstractItemModel* model = window().Table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      texts.push_back(model->index(row, column).data().toString().toStdString());
    }
    return texts;
  }
  void SelectRows(std::initializer_list<int> rows) {
    QItemSelectionModel* selection = window().Table()->selectionModel();
    selection->clear();
    for (int row : rows) {
      selection->select(window().Table()->model()->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
};

TEST_F(ProcedureTableWindowTest, ListsEveryProcedureAndSortsByAHeaderClick) {
  OpenProject();
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(ColumnTexts(1), (Strings{"Main", "Helper", "Bump", "Zed"}));
  EXPECT_EQ(ColumnTexts(0), (Strings{"Module1", "Module1", "Module1", "Module2"}));
  EXPECT_EQ(window().Table()->model()->columnCount(), 8);  // no marks in the classic reading
  EXPECT_EQ(window().CountLabel()->text(), "4 procedures");

  QHeaderView* header = window().Table()->horizontalHeader();
  const int callers = ProcedureTable::Callers;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(callers) + 5, 5));
  const Strings first = ColumnTexts(callers);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(callers) + 5, 5));
  const Strings second = ColumnTexts(callers);
  // One click ranks one way, the next the other; counts compare as numbers.
  const Strings ascending{"0", "0", "1", "3"};
  const Strings descending{"3", "1", "0", "0"};
  EXPECT_TRUE((first == ascending && second == descending) ||
              (first == descending && second == ascending));
  window().Model()->sort(callers, Qt::DescendingOrder);
  EXPECT_EQ(ColumnTexts(1).front(), "Bump");
}

TEST_F(ProcedureTableWindowTest, FilterKeepsTheOrderAndCountsWhatItShows) {
  OpenProject();
  window().Model()->sort(ProcedureTable::Name, Qt::DescendingOrder);
  QTest::keyClicks(window().FilterField(), "uM");  // letter case ignored
  EXPECT_EQ(ColumnTexts(1), (Strings{"Bump"}));
  EXPECT_EQ(window().CountLabel()->text(), "1 of 4 procedures");
  window().SetFilterText("module2.");  // the module part of Module.Name
  EXPECT_EQ(window().FilterField()->text(), "module2.");
  EXPECT_EQ(ColumnTexts(1), (Strings{"Zed"}));
  window().SetFilterText("");
  EXPECT_EQ(ColumnTexts(1), (Strings{"Zed", "Main", "Helper", "Bump"}));
}

TEST_F(ProcedureTableWindowTest, CopiesSelectedRowsAsTabsOrCsv) {
  OpenProject();
  SelectRows({3, 0});
  window().CopyRows(false);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "Module1\tMain\tSub\tG\t2\t2\t0\t2\nModule2\tZed\tSub\tG\t2\t1\t0\t1\n");
  window().findChild<QAction*>("CopyTableCsv")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "Module,Name,Kind,Scope,Line,Lines,Callers,Callees\r\n"
            "Module1,Main,Sub,G,2,2,0,2\r\nModule2,Zed,Sub,G,2,1,0,1\r\n");
  // Nothing selected: the clipboard keeps what it had.
  SelectRows({});
  window().CopyRows(false);
  EXPECT_EQ(QApplication::clipboard()->text().left(6), "Module");
}

TEST_F(ProcedureTableWindowTest, SavesTheShownRowsAsCsvAndNeverOverAnInput) {
  OpenProject();
  window().SetFilterText("bump");
  const std::string target = dir.File("out.csv");
  prompts.ChooseFileName(target);
  window().findChild<QAction*>("SaveTable")->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(test::ReadNative(target),
            "Module,Name,Kind,Scope,Line,Lines,Callers,Callees\r\n"
            "Module1,Bump,Sub,G,9,0,3,0\r\n");

  const std::string module = dir.File("t/Module1.bas");
  const std::string before = test::ReadNative(module);
  window().SaveAs(module);
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + module + " を作成できません"});
  EXPECT_EQ(test::ReadNative(module), before);
}

TEST_F(ProcedureTableWindowTest, PreciseReadingAddsTheMarks) {
  OpenProject(true);
  ASSERT_EQ(window().Table()->model()->columnCount(), 9);
  EXPECT_EQ(window().Table()->model()->headerData(8, Qt::Horizontal).toString(), "Mark");
  EXPECT_EQ(ColumnTexts(8), (Strings{"", "", "", "Unused"}));
}

TEST_F(ProcedureTableWindowTest, DoubleClickOpensTheSourceAndANewProjectRefills) {
  OpenProject();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  const QRect cell = window().Table()->visualRect(window().Table()->model()->index(3, 1));
  QTest::mouseClick(window().Table()->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(window().Table()->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_FALSE(windows->DspForm->ShownLines().empty());
  EXPECT_EQ(windows->DspForm->ShownLines().front(), "Sub Zed()");

  dir.WriteLines("u/U.vbp", {"Module=Only; Only.bas"});
  dir.WriteLines("u/Only.bas", {"Attribute VB_Name = \"Only\"", "Sub One()", "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("u/U.vbp")));
  EXPECT_EQ(ColumnTexts(1), Strings{"One"});
}

}  // namespace
}  // namespace tarnel
