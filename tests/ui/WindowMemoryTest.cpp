#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QStatusBar>
#include <QTreeView>
#include <filesystem>

#include "UiFixture.h"
#include "platform/Profile.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/ListSplit.h"
#include "ui/MainForm.h"
#include "ui/ResultTreeModel.h"
#include "ui/WindowMemory.h"

namespace tarnel {
namespace {

using test::Strings;

class WindowMemoryTest : public test::UiFixture {
 protected:
  TWindowMemory& memory() { return *windows->Memory; }
  // Starts with one screen of 1600 x 1000 standing in for whatever the test machine has.
  TMainForm& StartOnScreen() {
    Start();
    memory().Screens = [] { return std::vector<ScreenRect>{{0, 0, 1600, 1000}}; };
    return main();
  }
  std::string Ini() { return NativeToEngine(Prog("tarnel.ini")); }
  Strings RecentItems() {
    Strings texts;
    for (QAction* a : memory().RecentMenu()->actions()) texts.push_back(a->text().toStdString());
    return texts;
  }
  // Projects p0 .. p(n-1), each in its own folder.
  std::vector<std::string> WriteProjects(int n) {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) paths.push_back(WriteDemo("p" + std::to_string(i)));
    return paths;
  }
};

TEST_F(WindowMemoryTest, FirstStartHasTheDesignedWindowAndWritesNothingBeforeClosing) {
  StartOnScreen();
  windows->Show();
  EXPECT_EQ(main().centralWidget()->width(), 543);
  EXPECT_EQ(main().centralWidget()->height() + main().statusBar()->height(), 298);
  EXPECT_EQ(main().lsYCall()->height(), 137);
  EXPECT_EQ(test::ReadNative(Prog("tarnel.ini")).find("[Window]"), std::string::npos);
  EXPECT_FALSE(memory().RecentMenu()->isEnabled());
}

TEST_F(WindowMemoryTest, ClosingRemembersTheWindowAndTheNextStartRestoresIt) {
  dir.WriteLines("prog/tarnel.ini",
                 {"; my notes", "[Window]", "Theme=dark", "[Exec]", "a=&Edit,X,T,N,S,edit,"});
  StartOnScreen();
  windows->Show();
  main().setGeometry(200, 150, 900, 640);
  main().Panel2()->resize(260, main().Panel2()->height());
  main().lsYCall()->resize(main().lsYCall()->width(), 100);
  main().lsICall()->header()->resizeSection(0, 140);
  QFont font("DejaVu Sans");
  font.setPointSizeF(14);
  windows->DspForm->SetDisplayFont(font);
  const double share = main().ListSplit()->Share();
  main().close();
  EXPECT_TRUE(errors.empty());
  const std::string ini = Ini();
  EXPECT_EQ(GetProfileString(ini, "Window", "Width"), "900");
  EXPECT_EQ(GetProfileString(ini, "Window", "Theme"), "dark");  // the user's own keys stay
  EXPECT_EQ(GetProfileString(ini, "Exec", "a"), "&Edit,X,T,N,S,edit,");
  EXPECT_EQ(test::ReadNative(Prog("tarnel.ini")).substr(0, 12), "; my notes\r\n");

  windows.reset();
  StartOnScreen();
  windows->Show();
  EXPECT_EQ(main().geometry(), QRect(200, 150, 900, 640));
  EXPECT_EQ(main().Panel2()->width(), 260);
  EXPECT_NEAR(main().ListSplit()->Share(), share, 0.001);
  EXPECT_EQ(main().lsICall()->header()->sectionSize(0), 140);
  EXPECT_EQ(main().lsYCall()->header()->sectionSize(0), 100);
  EXPECT_EQ(windows->DspForm->DisplayFont().family(), "DejaVu Sans");
  EXPECT_DOUBLE_EQ(windows->DspForm->DisplayFont().pointSizeF(), 14);
}

TEST_F(WindowMemoryTest, AGeometryThatFitsNoScreenFallsBackToTheDesignedOne) {
  dir.WriteLines("prog/tarnel.ini", {"[Window]", "Left=-2400", "Top=100", "Width=1200",
                                     "Height=800", "TreeWidth=2000", "CallerShare=zz"});
  StartOnScreen();
  windows->Show();
  EXPECT_EQ(main().centralWidget()->width(), 543);
  EXPECT_EQ(main().centralWidget()->height() + main().statusBar()->height(), 298);
  // The tree never takes the whole designed window.
  EXPECT_LE(main().Panel2()->width(), 543 - 40);
  EXPECT_EQ(main().lsYCall()->height(), 137);
}

TEST_F(WindowMemoryTest, BothListsGrowWithTheWindow) {
  StartOnScreen();
  windows->Show();
  const int upper = main().lsYCall()->height();
  const int lower = main().lsICall()->height();
  main().resize(main().width(), main().height() + 300);
  EXPECT_GT(main().lsYCall()->height(), upper + 100);
  EXPECT_GT(main().lsICall()->height(), lower + 100);
  EXPECT_EQ(main().lsICall()->y(), main().Separater2()->y() + 5);
  main().resize(main().width(), main().height() - 300);
  EXPECT_EQ(main().lsYCall()->height(), upper);
}

TEST_F(WindowMemoryTest, RecentProjectsAreMostRecentFirstWithoutDuplicatesAndAtMostEight) {
  const std::vector<std::string> paths = WriteProjects(10);
  StartOnScreen();
  for (const std::string& path : paths) main().OpenProject(path);
  main().OpenProject(paths[4]);
  const Strings items = RecentItems();
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[0], "&1 " + paths[4]);
  EXPECT_EQ(items[1], "&2 " + paths[9]);
  EXPECT_EQ(items[7], "&8 " + paths[2]);
  EXPECT_EQ(std::count_if(items.begin(), items.end(),
                          [&](const std::string& s) { return s.find(paths[4]) != s.npos; }),
            1);
  // A failed open is not remembered.
  main().WMDropFiles({dir.File("nothing-here.vbp")});
  EXPECT_EQ(RecentItems().size(), 8u);
  EXPECT_EQ(RecentItems()[0], "&1 " + paths[4]);

  main().close();
  windows.reset();
  StartOnScreen();
  EXPECT_EQ(RecentItems().size(), 8u);
  memory().RecentMenu()->actions()[2]->trigger();  // paths[8]
  EXPECT_EQ(main().Session().ProjectPath(), paths[8]);
  EXPECT_EQ(RecentItems()[0], "&1 " + paths[8]);
}

TEST_F(WindowMemoryTest, AMissingRecentProjectIsOfferedForRemoval) {
  const std::vector<std::string> paths = WriteProjects(2);
  StartOnScreen();
  main().OpenProject(paths[0]);
  main().OpenProject(paths[1]);
  std::filesystem::remove_all(dir.File("p0"));
  prompts.ConfirmAnswers.push_back(true);
  memory().RecentMenu()->actions()[1]->trigger();
  ASSERT_EQ(prompts.Confirmations.size(), 1u);
  EXPECT_EQ(prompts.Confirmations[0],
            paths[0] + " is not there any more.\nRemove it from the recent projects?");
  EXPECT_EQ(RecentItems(), Strings{"&1 " + paths[1]});
  EXPECT_EQ(main().Session().ProjectPath(), paths[1]);
  EXPECT_TRUE(errors.empty());
}

TEST_F(WindowMemoryTest, EachFileDialogStartsWhereItsKindWasLastAccepted) {
  dir.WriteLines("a/x.txt", {"x"});
  dir.WriteLines("b/y.txt", {"y"});
  StartOnScreen();
  {
    TFileDialog open(&main(), "Open", TFileDialog::Mode::Open, prompts);
    open.SetPurpose("Open");
    open.selectFile(dir.File("a/x.txt"));
    open.accept();
  }
  {
    TFileDialog save(&main(), "Save", TFileDialog::Mode::Save, prompts);
    save.SetPurpose("Report");
    prompts.ConfirmAnswers.push_back(true);  // y.txt is there: replace it
    save.selectFile(dir.File("b/y.txt"));
    save.accept();
  }
  main().close();
  windows.reset();
  StartOnScreen();
  TFileDialog open(&main(), "Open", TFileDialog::Mode::Open, prompts);
  open.SetPurpose("Open");
  EXPECT_EQ(open.Model()->Folder(), dir.File("a/"));
  TFileDialog save(&main(), "Save", TFileDialog::Mode::Save, prompts);
  save.SetPurpose("Report");
  EXPECT_EQ(save.Model()->Folder(), dir.File("b/"));
  // A remembered folder that is gone is not used.
  std::filesystem::remove_all(dir.File("a"));
  TFileDialog again(&main(), "Open", TFileDialog::Mode::Open, prompts);
  again.SetPurpose("Open");
  EXPECT_NE(again.Model()->Folder(), dir.File("a/"));
}

TEST_F(WindowMemoryTest, FontSettingRoundTripsAndRejectsGarbage) {
  QFont font("IPAGothic");
  font.setPointSizeF(10.5);
  QFont back;
  ASSERT_TRUE(FontFromSetting(FontSetting(font), back));
  EXPECT_EQ(back.family(), "IPAGothic");
  EXPECT_DOUBLE_EQ(back.pointSizeF(), 10.5);
  QFont pixels("X");
  pixels.setPixelSize(13);
  ASSERT_TRUE(FontFromSetting(FontSetting(pixels), back));
  EXPECT_EQ(back.pixelSize(), 13);
  for (const char* bad :
       {"", "Face", "Face,pt", "Face,em,12", ",pt,12", "Face,pt,0", "F,px,9999"}) {
    EXPECT_FALSE(FontFromSetting(bad, back)) << bad;
  }
}

TEST_F(WindowMemoryTest, ListHeadersCountTheRowsOfTheSelectedProcedure) {
  const std::string project = WriteDemo();
  StartOnScreen();
  main().OpenProject(project);
  QAbstractItemModel* callers = main().lsYCall()->model();
  QAbstractItemModel* callees = main().lsICall()->model();
  EXPECT_EQ(callers->headerData(0, Qt::Horizontal).toString(), "Name");
  main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(3));  // Main
  EXPECT_EQ(callers->headerData(0, Qt::Horizontal).toString(), "Name (0)");
  EXPECT_EQ(callees->headerData(0, Qt::Horizontal).toString(), "Name (1)");
  EXPECT_EQ(callees->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
            "Main calls 1 procedure(s)");
  EXPECT_EQ(callers->headerData(1, Qt::Horizontal).toString(), "Scope");
  main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(2));  // the module
  EXPECT_EQ(callers->headerData(0, Qt::Horizontal).toString(), "Name");
}

}  // namespace
}  // namespace tarnel
