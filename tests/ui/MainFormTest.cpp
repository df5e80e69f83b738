#include <QAction>
#include <QDate>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "controls/Separate.h"
#include "platform/CodePage.h"
#include "reports/ReportWriter.h"
#include "support/MouseEvents.h"
#include "ui/AboutDlg.h"
#include "ui/DbgForm.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/HelpWindow.h"
#include "ui/MainForm.h"
#include "ui/QtUserPrompts.h"
#include "ui/ResultTreeModel.h"

namespace tarnel {
namespace {

using test::Strings;

const std::string kStdGroup = Cp932ToUtf8(GroupCaption(KindModuleGroup));

class MainFormTest : public test::UiFixture {
 protected:
  // The visible items of the "&Exec" menu: caption and Tag.
  std::vector<std::pair<std::string, int>> ExecItems() {
    std::vector<std::pair<std::string, int>> items;
    for (QAction* action : main().MAddIn()->actions()) {
      if (action->isVisible())
        items.emplace_back(action->text().toStdString(), action->data().toInt());
    }
    return items;
  }
  // Drops files named by their native bytes, encoded in the URLs as a file manager does.
  void Drop(const Strings& nativePaths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : nativePaths) {
      urls << QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
    }
    mime.setUrls(urls);
    // As a real drag: the drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main(), &drop);
  }
  std::string Title() { return main().windowTitle().toStdString(); }
  int TopRows() { return main().TreeView1()->model()->rowCount(); }
};

TEST_F(MainFormTest, StartWithoutSettingsCreatesTheFileWithTheDateOnly) {
  Start();
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(ExecItems().empty());
  ASSERT_EQ(main().MAddIn()->actions().size(), 1);
  EXPECT_FALSE(main().Mdummy()->isVisible());
  std::string today =
      QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
  EXPECT_EQ(test::ReadNative(Prog("tarnel.ini")), "[Date]\r\nLast=" + today + "\r\n");
  EXPECT_TRUE(main().acceptDrops());
  EXPECT_FALSE(main().Session().Context().Options.ReservedWords.Words().empty());
  EXPECT_EQ(Title(), "Tarnel 1.11");
  EXPECT_EQ(main().PanelText(0), "");
}

TEST_F(MainFormTest, TheDesktopAddsNothingToTheCaptions) {
  const bool quitOnLast = QApplication::quitOnLastWindowClosed();
  SetUpApplication();
  EXPECT_EQ(QApplication::applicationName(), "Tarnel");
  // A display name that is set and not empty is appended to every window title.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "");
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
  QApplication::setQuitOnLastWindowClosed(quitOnLast);
}

TEST_F(MainFormTest, EmptyExecMenuStillDropsDown) {
  Start();
  main().show();
  QApplication::processEvents();
  QMenuBar* bar = main().menuBar();
  const QRect title = bar->actionGeometry(main().MAddIn()->menuAction());
  ASSERT_FALSE(title.isEmpty());
  QTest::mouseClick(bar, Qt::LeftButton, {}, title.center());
  EXPECT_TRUE(main().MAddIn()->isVisible());
  EXPECT_GE(main().MAddIn()->width(), 100);
  EXPECT_GE(main().MAddIn()->height(), 8);
  main().MAddIn()->close();
}

TEST_F(MainFormTest, BoxesAndTheAboutBoxAreCentredOnTheirWindow) {
  Start();
  main().show();
  main().move(40, 30);
  QApplication::processEvents();
  const QPoint centre = main().frameGeometry().center();
  std::unique_ptr<QMessageBox> box = MakeMessageBox(&main(), MessageKind::Error, "text");
  EXPECT_LE((box->frameGeometry().center() - centre).manhattanLength(), 2);
  QPoint aboutCentre;
  prompts.DialogAnswers.push_back([&](QDialog& dialog) {
    aboutCentre = dialog.frameGeometry().center();
    return int(QDialog::Accepted);
  });
  main().About1()->trigger();
  EXPECT_LE((aboutCentre - centre).manhattanLength(), 2);
}

TEST_F(MainFormTest, ExecEntriesBecomeItemsInFileOrderWithTheirNumberAsTag) {
  dir.WriteLines("prog/tarnel.ini", {"[Date]", "Last=old", "[Exec]", "zz=&Zeta,X,T,N,S,edit,",
                                     "aa=\"&Alpha tool\",A,T,N,S,edit,", "mm=&Mu,P,F,B,S,view,"});
  Start();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ExecItems(), (std::vector<std::pair<std::string, int>>{
                             {"&Zeta", 0}, {"&Alpha tool", 1}, {"&Mu", 2}}));
  EXPECT_EQ(main().Session().ToolList().size(), 3u);
  EXPECT_EQ(main().Session().ToolList()[2], "&Mu,P,F,B,S,view,");
  EXPECT_NE(test::ReadNative(Prog("tarnel.ini")).find("[Date]\r\nLast="), std::string::npos);
  EXPECT_EQ(test::ReadNative(Prog("tarnel.ini")).find("Last=old"), std::string::npos);
}

TEST_F(MainFormTest, EntryWithoutFieldsStopsStartUpAfterTheItemsBeforeIt) {
  dir.WriteLines("prog/tarnel.ini",
                 {"[Exec]", "a=&First,X,T,N,S,edit,", "b=   ", "c=&Third,X,T,N,S,edit,"});
  Start();
  EXPECT_EQ(errors, Strings{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています : [Exec] b"});
  EXPECT_EQ(ExecItems(), (std::vector<std::pair<std::string, int>>{{"&First", 0}}));
  // The dictionary, the drop target and the hook come after the settings.
  EXPECT_TRUE(main().Session().Context().Options.ReservedWords.Words().empty());
  EXPECT_FALSE(main().acceptDrops());
}

TEST_F(MainFormTest, MissingDictionaryIsReportedOnceAndDropsAreNotAccepted) {
  std::remove(Prog("resv.dic").c_str());
  Start();
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + Prog("resv.dic") + " は開けません"});
  EXPECT_FALSE(main().acceptDrops());
  // The program still works: a project opens.
  std::string project = WriteDemo();
  main().OpenProject(project);
  EXPECT_TRUE(main().Session().ViewsReady());
}

TEST_F(MainFormTest, UnwritableSettingsFileIsReportedWithItsPath) {
  Start({}, NativeToEngine(dir.File("no-such-folder/")));
  EXPECT_EQ(errors, Strings{dir.File("no-such-folder/tarnel.ini") + " に書き込めません"});
  EXPECT_FALSE(main().acceptDrops());
}

TEST_F(MainFormTest, FirstArgumentWithVbpExtensionInAnyCaseOpensBeforeTheWindowShows) {
  std::string project = WriteDemo();
  std::string given = dir.File("demo/Demo.VbP");
  Start({given, "other.vbp"});
  bool visibleDuringOpen = true;
  QTimer::singleShot(0, [&] { visibleDuringOpen = main().isVisible(); });
  windows->Show();
  EXPECT_FALSE(visibleDuringOpen);
  EXPECT_TRUE(main().isVisible());
  EXPECT_EQ(Title(), given);  // the path exactly as given
  EXPECT_EQ(main().Session().ProjectPath(), NativeToEngine(given));
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(TreeCaptions(),
            (Strings{"Vbp", " " + kStdGroup, "  Module1.bas", "   Main", "   Bump"}));
}

TEST_F(MainFormTest, ArgumentAndDropNamedInCodePage932BytesOpenTheProject) {
  const std::string project = WriteDemo(test::kSjisFolder);
  // The project file's own name is not UTF-8 either: "試験.vbp".
  const std::string sjisName = test::kSjisFolder + "/\x8E\x8E\x8C\xB1.vbp";
  dir.Write(sjisName, test::ReadNative(dir.File(test::kSjisFolder + "/Demo.vbp")));
  const std::string shownFolder = Cp932ToUtf8(test::kSjisFolder);
  EXPECT_EQ(shownFolder, "表プロジェクト");

  Start({dir.File(test::kSjisFolder + "/Demo.vbp")});
  windows->Show();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(main().Session().ProjectPath(), project);
  EXPECT_EQ(Title(), dir.File(shownFolder + "/Demo.vbp"));
  EXPECT_EQ(TreeCaptions().size(), 5u);

  Start();
  Drop({dir.File(sjisName)});
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(main().Session().ProjectPath(), dir.File(sjisName));
  EXPECT_EQ(Title(), dir.File(shownFolder + "/試験.vbp"));
  EXPECT_EQ(TreeCaptions().size(), 5u);
}

TEST_F(MainFormTest, OtherFirstArgumentsOpenNothing) {
  WriteDemo();
  dir.WriteLines("demo.vbp.d/Demo", {"Module=Module1; Module1.bas"});
  dir.WriteLines("demo/Demo.txt", {"Module=Module1; Module1.bas"});
  for (const Strings& args :
       {Strings{dir.File("demo/Demo.txt")}, Strings{dir.File("demo.vbp.d/Demo")},
        Strings{"Demo", dir.File("demo/Demo.vbp")}, Strings{}}) {
    Start(args);
    windows->Show();
    EXPECT_EQ(TopRows(), 0);
    EXPECT_EQ(Title(), "Tarnel 1.11");
    EXPECT_FALSE(main().Session().ViewsReady());
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, DropOpensOnlyAProjectThatIsTheFirstFile) {
  std::string project = WriteDemo();
  std::string text = dir.Write("demo/notes.txt", "x");
  Start();
  Drop({text, dir.File("demo/Demo.vbp")});
  EXPECT_FALSE(main().Session().ViewsReady());
  EXPECT_EQ(TopRows(), 0);
  Drop({dir.File("demo/Demo.vbp"), text});
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(main().Session().ProjectPath(), project);
  EXPECT_EQ(TreeCaptions().size(), 5u);
}

TEST_F(MainFormTest, DropOnTheMinimisedWindowOpensAndRestoresIt) {
  std::string project = WriteDemo();
  Start();
  main().showMinimized();
  ASSERT_TRUE(main().isMinimized());
  Drop({dir.File("demo/Demo.vbp")});
  EXPECT_EQ(main().Session().ProjectPath(), project);
  EXPECT_FALSE(main().isMinimized());
}

TEST_F(MainFormTest, SecondProjectReplacesTheFirst) {
  std::string first = WriteDemo("one");
  dir.WriteLines("two/Two.vbp", {"Class=C1; C1.cls"});
  dir.WriteLines("two/C1.cls", {"Attribute VB_Name = \"C1\"", "Public Sub Run()", "End Sub"});
  std::string second = NativeToEngine(dir.File("two/Two.vbp"));
  Start();
  main().OpenProject(first);
  main().OpenProject(second);
  EXPECT_EQ(Title(), dir.File("two/Two.vbp"));
  EXPECT_EQ(main().Session().ProjectPath(), second);
  EXPECT_EQ(TreeCaptions(), (Strings{"Vbp", " " + Cp932ToUtf8(GroupCaption(KindClassGroup)),
                                     "  C1.cls", "   Run"}));
  EXPECT_EQ(main().Session().Result().SymbolList.Count(), 3);
}

TEST_F(MainFormTest, FailedOpenLeavesTheViewsEmptyAndKeepsCaptionPathAndStatus) {
  std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  Drop({dir.File("demo/Missing.vbp")});
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙが見つかりません"});
  EXPECT_FALSE(main().Session().ViewsReady());
  EXPECT_EQ(TopRows(), 0);
  EXPECT_EQ(main().lsYCall()->model()->rowCount(), 0);
  EXPECT_EQ(Title(), dir.File("demo/Demo.vbp"));
  EXPECT_EQ(main().Session().ProjectPath(), project);
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_TRUE(main().isEnabled());
  // The next open that runs to its end brings the views back.
  main().OpenProject(project);
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(TopRows(), 1);
}

TEST_F(MainFormTest, ProgressDialogShowsWhileThePassRunsWithTheMainWindowDisabled) {
  std::string project = WriteDemo();
  Start();
  main().show();
  int rounds = 0;
  bool alwaysShownAndDisabled = true;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!main().Session().Analysing()) return;
    ++rounds;
    alwaysShownAndDisabled =
        alwaysShownAndDisabled && windows->DbgForm->isVisible() && !main().isEnabled();
  });
  probe.start();
  main().OpenProject(project);
  probe.stop();
  EXPECT_GT(rounds, 0);
  EXPECT_TRUE(alwaysShownAndDisabled);
  EXPECT_FALSE(windows->DbgForm->isVisible());
  EXPECT_TRUE(main().isEnabled());
  // Four records: the last counter is 3/3 and the bar stands full.
  EXPECT_EQ(windows->DbgForm->DbgPrg->text().toStdString(), "Process Xref 3/3");
  EXPECT_EQ(windows->DbgForm->ProgressBar1->value(), 3);
  EXPECT_EQ(windows->DbgForm->ProgressBar1->maximum(), 3);
}

TEST_F(MainFormTest, EventsRunEveryFewMillisecondsNotOncePerRecord) {
  // 3,000 procedures, each calling the next.
  std::string text = "Attribute VB_Name = \"Module1\"\r\n";
  constexpr int kProcedures = 3000;
  for (int i = 0; i < kProcedures; ++i) {
    text += "Sub P" + std::to_string(i) + "()\r\n    P" + std::to_string(i + 1) + "\r\nEnd Sub\r\n";
  }
  dir.WriteLines("many/Many.vbp", {"Module=Module1; Module1.bas"});
  dir.Write("many/Module1.bas", text);
  Start();
  int rounds = 0;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (main().Session().Analysing()) ++rounds;
  });
  probe.start();
  QElapsedTimer clock;
  clock.start();
  main().OpenProject(NativeToEngine(dir.File("many/Many.vbp")));
  const qint64 elapsed = clock.elapsed();
  probe.stop();
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_GT(rounds, 0);
  // A round at most every 40 ms while the pass runs, and the first at once.
  EXPECT_LE(rounds, elapsed / 40 + 2) << elapsed << " ms";
  EXPECT_EQ(
      windows->DbgForm->DbgPrg->text().toStdString(),
      "Process Xref " + std::to_string(kProcedures + 1) + "/" + std::to_string(kProcedures + 1));
}

TEST_F(MainFormTest, CancelDuringThePassStillBuildsTheTree) {
  std::string project = WriteDemo();
  Start();
  // Two clicks in the first round count as one.
  QTimer::singleShot(0, [&] {
    windows->DbgForm->btnCancel->click();
    windows->DbgForm->btnCancel->click();
  });
  main().OpenProject(project);
  EXPECT_TRUE(main().Session().ViewsReady());
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_EQ(TreeCaptions().size(), 5u);
  EXPECT_FALSE(windows->DbgForm->isVisible());
  EXPECT_TRUE(main().isEnabled());
  EXPECT_EQ(windows->DbgForm->DbgPrg->text().toStdString(), "Process Xref 0/3");
  EXPECT_EQ(Title(), project);
  // Cancelled before the first record: no relation was found, and the second panel says so.
  EXPECT_EQ(main().PanelText(1), "Cross-reference cancelled at record 0 of 3");
  for (int i = 0; i < main().Session().Result().SymbolList.Count(); ++i) {
    EXPECT_TRUE(main().Session().Result().SymbolList.At(i).Calls.empty());
  }
  // Entering the tree again keeps the note; choosing a node shows that node's text.
  main().TreeView1Enter();
  EXPECT_EQ(main().PanelText(1), "Cross-reference cancelled at record 0 of 3");
  main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(2));
  EXPECT_EQ(main().PanelText(1).toStdString(),
            Cp932ToUtf8(main().Session().Tree().Node(2).Record->Text));
  // The next pass starts with the flag cleared and leaves no note.
  main().OpenProject(project);
  EXPECT_FALSE(FindSymbol(main().Session().Result(), "4-0001").Calls.empty());
  EXPECT_EQ(main().PanelText(1).indexOf("cancelled"), -1);
}

TEST_F(MainFormTest, CancelPartWayNamesTheRecordWhereThePassStopped) {
  std::string project = WriteDemo();
  Start();
  // The pass lets events run before a record once 40 ms have passed since the last round: a
  // first round that takes longer makes the second come before record 1.
  int rounds = 0;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!main().Session().Analysing()) return;
    if (++rounds == 1) QThread::msleep(60);
    if (rounds == 2) windows->DbgForm->btnCancel->click();
  });
  probe.start();
  main().OpenProject(project);
  probe.stop();
  EXPECT_EQ(main().PanelText(0), "Ready");
  EXPECT_EQ(main().PanelText(1), "Cross-reference cancelled at record 1 of 3");
  // Record 0 (the group) was passed; Main, record 2, was not reached.
  EXPECT_TRUE(FindSymbol(main().Session().Result(), "4-0001").Calls.empty());
}

TEST_F(MainFormTest, ProgressDialogHasNoCloseBoxAndIgnoresEscape) {
  Start();
  TDbgForm& dbg = *windows->DbgForm;
  EXPECT_EQ(dbg.windowTitle().toStdString(), "プロジェクト解析中");
  EXPECT_FALSE(dbg.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dbg.windowFlags() & Qt::WindowSystemMenuHint);
  dbg.show();
  dbg.reject();
  EXPECT_FALSE(dbg.close());
  EXPECT_TRUE(dbg.isVisible());
  dbg.hide();
}

TEST_F(MainFormTest, OutputFileWritesTheTextReportWithTheDefaultExtension) {
  std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  prompts.WorkFileDialog([&](TFileDialog& files) {
    EXPECT_EQ(files.windowTitle(), "Save");
    EXPECT_EQ(files.nameFilters(), (QStringList{"ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "CSVﾌｧｲﾙ (*.csv)"}));
    EXPECT_EQ(files.defaultSuffix(), "txt");
    EXPECT_NE(files.HelpButton(), nullptr);
    files.selectFile(dir.File("out/report"));
    files.accept();
  });
  dir.Write("out/keep", "");
  main().OutputFile1()->trigger();
  EXPECT_TRUE(errors.empty());
  const std::string bytes = ExpectedReportBytes(project);
  EXPECT_EQ(test::ReadNative(dir.File("out/report.txt")), bytes);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 6);
}

TEST_F(MainFormTest, OutputFileTypedWithoutExtensionTakesTheChosenTypeAndItsForm) {
  std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  dir.Write("out/report1.txt", "old");
  prompts.ConfirmAnswers = {false};
  prompts.WorkFileDialog([&](TFileDialog& files) {
    files.SetFolder(dir.File("out/"));
    files.SetFileName("report1");
    // The text type: the file exists, the user is asked and declines.
    files.accept();
    EXPECT_EQ(files.result(), int(QDialog::Rejected));
    files.selectNameFilter("CSVﾌｧｲﾙ (*.csv)");
    EXPECT_EQ(files.defaultSuffix(), "csv");
    files.accept();
  });
  main().OutputFile1()->trigger();
  EXPECT_EQ(prompts.Confirmations,
            Strings{dir.File("out/report1.txt") + " already exists.\nDo you want to replace it?"});
  EXPECT_EQ(prompts.Boxes.at(0).Title, "Save");
  EXPECT_EQ(test::ReadNative(dir.File("out/report1.txt")), "old");
  MemoryLineSink csv;
  WriteXrefLines(csv, {main().Session().Tree(), main().Session().Result().SymbolList, project},
                 {ReportForm::Comma});
  std::string expected;
  for (const std::string& line : csv.Lines) expected += line + "\r\n";
  EXPECT_EQ(test::ReadNative(dir.File("out/report1.csv")), expected);
  EXPECT_NE(expected.find(','), std::string::npos);
}

TEST_F(MainFormTest, CancelledDialogsDoNothing) {
  std::string project = WriteDemo();
  Start();
  prompts.CancelFileDialog();
  prompts.CancelFileDialog();
  main().OpenV()->trigger();
  main().OutputFile1()->trigger();
  EXPECT_EQ(prompts.FileRequests.size(), 2u);
  EXPECT_FALSE(main().Session().ViewsReady());
  EXPECT_TRUE(errors.empty() && messages.empty());
}

TEST_F(MainFormTest, OpenDialogFiltersProjectsAndOpensTheChosenOne) {
  std::string project = WriteDemo();
  Start();
  prompts.WorkFileDialog([&](TFileDialog& files) {
    EXPECT_EQ(files.windowTitle(), "Open");
    EXPECT_EQ(files.nameFilters(), QStringList{"VisualBasic4.0 Project (*.vbp)"});
    EXPECT_NE(files.HelpButton(), nullptr);
    files.selectFile(dir.File("demo/Demo.vbp"));
    files.accept();
  });
  main().OpenV()->trigger();
  EXPECT_EQ(main().Session().ProjectPath(), project);
}

TEST_F(MainFormTest, TheFileDialogsHelpButtonsOpenTheirOwnTopics) {
  Start();
  for (const char* topic : {"context2", "context3"}) {
    prompts.WorkFileDialog([this, topic](TFileDialog& files) {
      files.HelpButton()->click();
      EXPECT_EQ(main().HelpWindow()->CurrentAnchor(), topic);
    });
  }
  main().OpenV()->trigger();
  main().OutputFile1()->trigger();
  EXPECT_EQ(prompts.FileRequests.size(), 2u);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, OpenDialogBrowsesIntoACodePage932FolderAndOpensTheProjectByItsBytes) {
  const std::string project = WriteDemo(test::kSjisFolder);
  dir.Write(test::kSjisFolder + "/notes.txt", "x");
  dir.Write(test::kSjisFolder + "/OTHER.VBP", "");
  dir.Write("plain/keep", "");
  Start();
  Strings listed;
  prompts.WorkFileDialog([&](TFileDialog& files) {
    NativeFolderModel* model = files.Model();
    files.SetFolder(dir.Path());
    Strings top;
    for (int row = 0; row < model->rowCount(); ++row) {
      top.push_back(model->index(row, 0).data().toString().toStdString());
    }
    EXPECT_EQ(top, (Strings{"plain", "prog", "表プロジェクト"}));  // folders only here
    files.ActivateRow(model->RowOf("表プロジェクト"));
    EXPECT_EQ(model->Folder(), dir.File(test::kSjisFolder + "/"));
    for (int row = 0; row < model->rowCount(); ++row) {
      listed.push_back(model->index(row, 0).data().toString().toStdString());
    }
    files.ActivateRow(model->RowOf("Demo.vbp"));
  });
  main().OpenV()->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(listed, (Strings{"Demo.vbp", "OTHER.VBP"}));  // projects only, any letter case
  EXPECT_EQ(main().Session().ProjectPath(), project);
  EXPECT_EQ(TreeCaptions().size(), 5u);
}

TEST_F(MainFormTest, ExecItemsRunEveryModeWithTheirTemporaryFiles) {
  dir.WriteLines("prog/tarnel.ini",
                 {"[Exec]", "r=&Report,P,F,B,S,viewer,", "s=&Sheet,P,C,Y,S,\"/opt/my sheet\",",
                  "t=&Tree,A,T,N,S,tv,", "p=&Project,X,T,N,S,edit,@VBP", "n=&Short,X,T,N,S,edit"});
  std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  QList<QAction*> items = main().MAddIn()->actions();
  ASSERT_EQ(items.size(), 6);
  const std::string prog = ProgramDir();
  items[1]->trigger();
  EXPECT_EQ(test::ReadNative(Prog("Xreftmp.txt")).substr(0, project.size()), project);
  items[2]->trigger();
  EXPECT_NE(test::ReadNative(Prog("Xreftmp.csv")).find(",,Module1.bas\r\n"), std::string::npos);
  items[3]->trigger();
  EXPECT_EQ(test::ReadNative(Prog("Xreftmp.txt")),
            "Vbp\r\n\t" + GroupCaption(KindModuleGroup) +
                "\r\n\t\tModule1.bas\r\n\t\t\tMain\r\n\t\t\tBump\r\n");
  items[4]->trigger();
  EXPECT_EQ(started, (Strings{"viewer \"" + prog + "Xreftmp.txt\"",
                              "/opt/my sheet \"" + prog + "Xreftmp.csv\"",
                              "tv \"" + prog + "Xreftmp.txt\"", "edit \"" + project + "\""}));
  items[5]->trigger();  // six fields: the list index error with the entry's key, nothing started
  EXPECT_EQ(errors, Strings{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています : [Exec] n"});
  EXPECT_EQ(started.size(), 4u);
}

TEST_F(MainFormTest, ReportToolBeforeAnyProjectShowsNoOutputItem) {
  dir.WriteLines("prog/tarnel.ini", {"[Exec]", "r=&Report,P,F,B,S,viewer,"});
  Start();
  main().MAddIn()->actions()[1]->trigger();
  EXPECT_EQ(messages, Strings{" No Output Item \r"});
  EXPECT_TRUE(started.empty());
}

TEST_F(MainFormTest, AboutBoxShowsItsLabelsWithOkAsDefault) {
  Start();
  main().About1()->trigger();
  ASSERT_EQ(prompts.Dialogs, std::vector<QDialog*>{windows->AboutDlg.get()});
  TAboutDlg& about = *windows->AboutDlg;
  EXPECT_EQ(about.windowTitle(), "Tarnel");
  EXPECT_EQ(about.Label2->text(), "Tarnel");
  EXPECT_EQ(about.Label3->text(), "for");
  EXPECT_EQ(about.Label1->text(), "Visual Basic 4.0");
  EXPECT_EQ(about.Label4->text(), "Ver 1.11");
  EXPECT_LT(about.Label2->y(), about.Label3->y());
  EXPECT_LT(about.Label3->y(), about.Label1->y());
  EXPECT_TRUE(about.OKBtn->isDefault());
  EXPECT_FALSE(about.Image1->pixmap().isNull());
}

TEST_F(MainFormTest, HelpOpensTheContentsAndF1TheFocusedControlsTopic) {
  Start();
  main().Help2()->trigger();
  EXPECT_TRUE(main().HelpWindow()->isVisible());
  EXPECT_EQ(main().HelpWindow()->CurrentAnchor(), "context1");
  main().show();
  main().activateWindow();
  main().lsICall()->setFocus();
  QApplication::setActiveWindow(&main());
  main().lsICall()->setFocus();
  main().HelpForFocus();
  EXPECT_EQ(main().HelpWindow()->CurrentAnchor(), "context5");
  main().TreeView1()->setFocus();
  main().HelpForFocus();
  EXPECT_EQ(main().HelpWindow()->CurrentAnchor(), "context4");
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, MissingHelpFileIsReported) {
  std::remove(Prog("xref.hlp").c_str());
  Start();
  main().Help2()->trigger();
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + Prog("xref.hlp") + " は開けません"});
}

TEST_F(MainFormTest, LayoutHasTheDesignedSizes) {
  Start();
  main().show();
  EXPECT_EQ(main().Panel2()->width(), 153);
  EXPECT_EQ(main().Separater1()->width(), 2);
  EXPECT_EQ(main().lsYCall()->height(), 137);
  EXPECT_EQ(main().Separater2()->height(), 5);
  EXPECT_EQ(main().statusBar()->height(), 24);
  EXPECT_EQ(main().StatusPanel(0)->width(), 150);
  EXPECT_EQ(main().centralWidget()->width(), 543);
  EXPECT_EQ(main().centralWidget()->height() + main().statusBar()->height(), 298);
  EXPECT_FALSE(main().Read1()->isVisible());
  EXPECT_EQ(main().File1()->title(), "&File");
  EXPECT_EQ(main().OutputFile1()->text(), "O&utput File");
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

TEST_F(MainFormTest, TreeDoubleClickShowsTheProcedureInTheSourceWindow) {
  std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(3));  // Main
  ASSERT_NE(main().Session().CurrentProc(), nullptr);
  main().TreeView1DblClick();
  EXPECT_TRUE(windows->DspForm->isVisible());
  ASSERT_FALSE(windows->DspForm->ShownLines().empty());
  EXPECT_EQ(windows->DspForm->ShownLines().front(), "Public Sub Main()");
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

using test::SendMouse;

TEST_F(MainFormTest, SplitterBarsResizeTheTreeAndTheUpperList) {
  Start();
  main().show();
  QApplication::processEvents();
  SendMouse(main().Separater1(), QEvent::MouseButtonPress, {0, 50}, Qt::LeftButton, Qt::LeftButton);
  // The upright line runs from below the menu over the status bar to the window's bottom.
  auto* bar = static_cast<TSeparater*>(main().Separater1());
  const int top = main().centralWidget()->y();
  ASSERT_EQ(bar->ShownLines().size(), 1u);
  EXPECT_EQ(bar->ShownLines()[0], QLine(154, top, 154, main().height() - 1));
  EXPECT_GT(main().height() - 1, main().statusBar()->y());
  SendMouse(main().Separater1(), QEvent::MouseMove, {40, 50}, Qt::NoButton, Qt::LeftButton);
  SendMouse(main().Separater1(), QEvent::MouseButtonRelease, {40, 50}, Qt::LeftButton, {});
  EXPECT_EQ(main().Panel2()->width(), 193);
  EXPECT_EQ(main().Separater1()->x(), 193);
  EXPECT_EQ(main().Panel1()->x(), 195);

  SendMouse(main().Separater2(), QEvent::MouseButtonPress, {0, 2}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(main().Separater2(), QEvent::MouseMove, {0, -60}, Qt::NoButton, Qt::LeftButton);
  SendMouse(main().Separater2(), QEvent::MouseButtonRelease, {0, -60}, Qt::LeftButton, {});
  EXPECT_EQ(main().lsYCall()->height(), 137 - 62);
  EXPECT_EQ(main().lsICall()->y(), main().Separater2()->y() + 5);
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

TEST_F(MainFormTest, ProjectArrivingWhileAnAnalysisRunsIsIgnored) {
  std::string first = WriteDemo("one");
  std::string second = WriteDemo("two");
  Start();
  bool tried = false;
  QTimer::singleShot(0, [&] {
    tried = true;
    main().WMDropFiles({dir.File("two/Demo.vbp")});
  });
  main().OpenProject(first);
  EXPECT_TRUE(tried);
  EXPECT_EQ(main().Session().ProjectPath(), first);
  EXPECT_EQ(TreeCaptions().size(), 5u);
  EXPECT_TRUE(errors.empty());
  main().WMDropFiles({dir.File("two/Demo.vbp")});
  EXPECT_EQ(main().Session().ProjectPath(), second);
}

}  // namespace
}  // namespace tarnel
