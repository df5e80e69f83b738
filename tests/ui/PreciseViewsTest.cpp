#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "ui/CallListModel.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/MainForm.h"
#include "ui/UnusedWindow.h"

namespace tarnel {
namespace {

class PreciseViewsTest : public test::UiFixture {
 protected:
  std::string WriteProject() {
    dir.WriteLines("p/P.vbp", {"Module=M; M.bas"});
    dir.WriteLines("p/M.bas", {"Attribute VB_Name = \"M\"",  // 1
                               "Sub Main()",                 // 2
                               "  Helper 1",                 // 3
                               "  x = 2",                    // 4
                               "  Helper 3: Other",          // 5
                               "End Sub",                    // 6
                               "Sub Helper(n)",              // 7
                               "End Sub",                    // 8
                               "Sub Other()",                // 9
                               "End Sub",                    // 10
                               "Sub Spare()",                // 11
                               "End Sub"});
    return NativeToEngine(dir.File("p/P.vbp"));
  }
  void Select(const std::string& name) {
    main().TreeView1()->expandAll();
    const QModelIndexList hits = main().TreeView1()->model()->match(
        main().TreeView1()->model()->index(0, 0), Qt::DisplayRole, QString::fromStdString(name), 1,
        Qt::MatchRecursive | Qt::MatchExactly);
    ASSERT_FALSE(hits.isEmpty()) << name;
    main().TreeView1()->setCurrentIndex(hits.front());
    main().TreeView1Change(hits.front());
  }
  // The shown lines with a background, by their physical line numbers.
  std::vector<int> MarkedLines(int firstLine) {
    std::vector<int> lines;
    QTextDocument* doc = windows->DspForm->rchDsp->document();
    int line = firstLine;
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next(), ++line) {
      if (b.blockFormat().hasProperty(QTextFormat::BackgroundBrush)) lines.push_back(line);
    }
    return lines;
  }
};

TEST_F(PreciseViewsTest, CallListsShowTheFirstCallSiteAndOpenTheSourceWithItMarked) {
  dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=Precise"});
  Start();
  main().OpenProject(WriteProject());
  Select("Main");
  CallListModel& callees = *main().lsICallItems();
  ASSERT_EQ(callees.Count(), 2);
  EXPECT_EQ(callees.columnCount(), 7);
  EXPECT_EQ(callees.Text(0, 6), "3 (2)");
  EXPECT_EQ(callees.Text(1, 6), "5");
  main().lsICall()->setFocus();
  main().lsICall()->setCurrentIndex(callees.index(0, 0));
  main().lsYCallChange(main().lsICall(), 0);
  main().lsYCallDblClick(main().lsICall());
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(MarkedLines(2), (std::vector<int>{3, 5}));

  Select("Helper");
  CallListModel& callers = *main().lsYCallItems();
  ASSERT_EQ(callers.Count(), 1);
  EXPECT_EQ(callers.Text(0, 6), "3 (2)");
}

TEST_F(PreciseViewsTest, ClassicListsKeepTheirSixColumnsAndTheUnusedItemWaits) {
  Start();
  main().OpenProject(WriteProject());
  Select("Main");
  EXPECT_EQ(main().lsICallItems()->columnCount(), 6);
  emit main().Options1()->aboutToShow();
  EXPECT_FALSE(main().UnusedProcedures1()->isEnabled());
}

TEST_F(PreciseViewsTest, UnusedWindowListsSortsOpensAndSaves) {
  dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=Precise"});
  Start();
  main().OpenProject(WriteProject());
  emit main().Options1()->aboutToShow();
  ASSERT_TRUE(main().UnusedProcedures1()->isEnabled());
  main().UnusedProcedures1()->trigger();
  TUnusedWindow* window = main().UnusedWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->Count(), 1);
  EXPECT_EQ(window->Text(0, 0), "Unused");
  EXPECT_EQ(window->Text(0, 1), "M.Spare");
  EXPECT_EQ(window->Text(0, 4), "11");
  std::vector<std::string> opened;
  window->OpenSource = [&](const TPassRec& proc) { opened.push_back(proc.Name); };
  emit window->lvUnused->itemDoubleClicked(window->lvUnused->topLevelItem(0), 0);
  EXPECT_EQ(opened, std::vector<std::string>{"Spare"});
  window->SaveAs(dir.File("u.csv"));
  EXPECT_EQ(test::ReadNative(dir.File("u.csv")),
            "Mark,Name,Kind,File,Line\r\nUnused,M.Spare,Sub,M.bas,11\r\n");
  // A failed save reaches the error box over the window.
  ASSERT_TRUE(errors.empty());
  window->SaveAs(dir.File("no/such/folder/u.txt"));
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(prompts.Boxes.back().Over, window);
  // File > Save As offers unused.txt in the dialog's folder and saves what is chosen.
  prompts.WorkFileDialog([&](TFileDialog& files) {
    EXPECT_EQ(files.nameFilters(), (QStringList{"Text (*.txt)", "CSV (*.csv)", "All files (*)"}));
    files.SetFolder(dir.File(""));
    files.SetFileName("u2");
    files.accept();
  });
  window->findChild<QAction*>("SaveUnused")->trigger();
  EXPECT_EQ(prompts.FileRequests.back().Preselect, "unused.txt");
  EXPECT_EQ(test::ReadNative(dir.File("u2.txt")), "Unused\tM.Spare\tSub\tM.bas\t11\r\n");
  // Reading the project again refreshes the open list instead of keeping old records.
  main().OpenProject(WriteProject());
  EXPECT_EQ(window->Count(), 1);
}

}  // namespace
}  // namespace tarnel
