// Faults that strike while the program runs: files that vanish or cannot be written, a settings
// file that is not a file, and external tools that cannot start or get hostile arguments.
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "platform/CodePage.h"
#include "platform/ProcessStart.h"
#include "reports/ReportWriter.h"
#include "support/ProjectFixture.h"
#include "ui/DbgForm.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/ResultTreeModel.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;
using test::Strings;

// How many of this process's descriptors are open on the file at native path.
int DescriptorsOn(const std::string& native) {
  std::error_code error;
  const fs::path target = fs::weakly_canonical(native, error);
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code linkError;
    fs::path link = fs::read_symlink(entry.path(), linkError);
    if (!linkError && link == target) ++count;
  }
  return count;
}

// Waits (bounded) for a file that another process writes; empty when it never came.
std::string WaitForFile(const std::string& native) {
  for (int i = 0; i < 500; ++i) {
    if (fs::exists(native)) return test::ReadNative(native);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

class RuntimeFaultTest : public test::UiFixture {
 protected:
  // Module1 (Main calls Helper) and Module2 (Helper) in folder/Two.vbp; returns its engine path.
  std::string WriteTwoModules(const std::string& folder) {
    dir.WriteLines(folder + "/Two.vbp",
                   {"Module=Module1; Module1.bas", "Module=Module2; Module2.bas"});
    dir.WriteLines(folder + "/Module1.bas",
                   {"Attribute VB_Name = \"Module1\"", "Sub Main()", "    Helper", "End Sub"});
    dir.WriteLines(folder + "/Module2.bas",
                   {"Attribute VB_Name = \"Module2\"", "Sub Helper()", "End Sub"});
    return NativeToEngine(dir.File(folder + "/Two.vbp"));
  }
  // Selects the tree node at position (tree order).
  void Select(int node) { main().TreeView1()->setCurrentIndex(main().TreeModel()->IndexOf(node)); }
  int Rows(QTreeView* view) { return view->model()->rowCount(); }
  // The state of the main window's views, to compare before and after a fault.
  Strings ViewState() {
    Strings state = TreeCaptions();
    state.push_back("title " + main().windowTitle().toStdString());
    state.push_back("panels " + main().PanelText(0).toStdString() + "|" +
                    main().PanelText(1).toStdString());
    state.push_back("ready " + std::to_string(main().Session().ViewsReady()));
    state.push_back("proc " +
                    (main().Session().CurrentProc() ? main().Session().CurrentProc()->Key : "-"));
    state.push_back("lists " + std::to_string(Rows(main().lsYCall())) + " " +
                    std::to_string(Rows(main().lsICall())));
    state.push_back("project " + main().Session().ProjectPath());
    return state;
  }
  // Answers the next save dialog of the main window with path, replacing a file of that name;
  // chosen gets the name that the dialog gives back (a name in a missing folder is taken as
  // typed).
  void SaveAs(const std::string& path) {
    prompts.WorkFileDialog([this, path](TFileDialog& files) {
      if (fs::exists(path) && !fs::is_directory(path)) prompts.ConfirmAnswers = {true};
      files.selectFile(path);
      files.accept();
      chosen = files.SelectedFile();
    });
  }
  std::vector<QAction*> ExecItems() {
    std::vector<QAction*> items;
    for (QAction* action : main().MAddIn()->actions()) {
      if (action->isVisible()) items.push_back(action);
    }
    return items;
  }
  // A symbolic link at name that leads to /dev/full, where every write fails.
  std::string FullDevice(const std::string& name) {
    dir.Write(name, "");
    fs::remove(dir.File(name));
    fs::create_symlink("/dev/full", dir.File(name));
    return dir.File(name);
  }

  // Opens project with Main selected, beside a folder named out/folder.txt and out/full.txt
  // leading to /dev/full; returns the latter.
  std::string OpenDemoWithUnwritableTargets(const std::string& project) {
    dir.Write("out/folder.txt/keep", "");
    std::string full = FullDevice("out/full.txt");
    Start();
    main().OpenProject(project);
    Select(3);
    return full;
  }

  std::string chosen;
};

// Module file faults between the declaration scan and the cross-reference pass.

TEST_F(RuntimeFaultTest, ModuleFileGoneBeforeThePassEndsTheOpenWithTheWindowBackAndEmpty) {
  const std::string good = WriteDemo("good");
  const std::string bad = WriteTwoModules("bad");
  const std::string module2 = dir.File("bad/Module2.bas");
  const std::vector<std::pair<const char*, std::function<void()>>> faults = {
      {"removed", [&] { fs::remove(module2); }},
      {"a folder",
       [&] {
         fs::remove(module2);
         fs::create_directory(module2);
       }},
      {"a device without end", [&] {
         fs::remove(module2);
         fs::create_symlink("/dev/zero", module2);
       }}};
  Start();
  main().show();
  for (const auto& [what, fault] : faults) {
    SCOPED_TRACE(what);
    errors.clear();
    main().OpenProject(good);
    Select(3);  // Main: both lists hold a row
    ASSERT_EQ(Rows(main().lsICall()), 1);
    bool duringPass = false;
    bool boxAfterDialog = false;
    QTimer::singleShot(0, [&] {
      // The declaration scan has ended and the pass waits for its first round of events.
      duringPass = windows->DbgForm->isVisible() && !main().isEnabled();
      fault();
    });
    prompts.OnBox = [&](const test::RecordingPrompts::Box&) {
      boxAfterDialog = !windows->DbgForm->isVisible() && main().isEnabled();
    };
    main().WMDropFiles({dir.File("bad/Two.vbp")});
    prompts.OnBox = nullptr;
    EXPECT_TRUE(duringPass);
    EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + module2 + " は開けません"});
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(boxAfterDialog);
    EXPECT_FALSE(windows->DbgForm->isVisible());
    EXPECT_TRUE(main().isEnabled());
    EXPECT_FALSE(main().Session().Analysing());
    // The views are empty; caption, project path and status stay those of the last good open.
    EXPECT_FALSE(main().Session().ViewsReady());
    EXPECT_EQ(main().TreeView1()->model()->rowCount(), 0);
    EXPECT_EQ(Rows(main().lsYCall()), 0);
    EXPECT_EQ(Rows(main().lsICall()), 0);
    EXPECT_EQ(main().Session().CurrentProc(), nullptr);
    EXPECT_EQ(main().Session().CurrentListItem(), nullptr);
    EXPECT_EQ(main().windowTitle().toStdString(), dir.File("good/Demo.vbp"));
    EXPECT_EQ(main().Session().ProjectPath(), good);
    EXPECT_EQ(main().PanelText(0), "Ready");
    // With the file back the same project opens to its end.
    fs::remove(module2);
    dir.WriteLines("bad/Module2.bas",
                   {"Attribute VB_Name = \"Module2\"", "Sub Helper()", "End Sub"});
    main().WMDropFiles({dir.File("bad/Two.vbp")});
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(main().Session().ViewsReady());
    EXPECT_EQ(main().Session().ProjectPath(), bad);
    EXPECT_EQ(test::KeyTexts(FindSymbol(main().Session().Result(), "4-0001").Calls),
              Strings{"4-0002"});
  }
}

TEST_F(RuntimeFaultTest, ModuleGoneDuringTheOpenFromTheCommandLineStillShowsTheWindow) {
  const std::string bad = WriteTwoModules("bad");
  Start({dir.File("bad/Two.vbp")});
  QTimer::singleShot(0, [&] { fs::remove(dir.File("bad/Module1.bas")); });
  windows->Show();
  EXPECT_EQ(errors, Strings{"ﾌｧｲﾙ " + dir.File("bad/Module1.bas") + " は開けません"});
  EXPECT_TRUE(main().isVisible());
  EXPECT_TRUE(main().isEnabled());
  EXPECT_FALSE(windows->DbgForm->isVisible());
  EXPECT_EQ(main().windowTitle().toStdString(), "Tarnel 1.11");
  EXPECT_EQ(main().TreeView1()->model()->rowCount(), 0);
  EXPECT_EQ(main().Session().ProjectPath(), "");
}

// Report and source files that cannot be written.

TEST_F(RuntimeFaultTest, OutputFileThatCannotBeWrittenIsReportedAndLosesNothing) {
  const std::string project = WriteDemo();
  const std::string full = OpenDemoWithUnwritableTargets(project);
  const Strings before = ViewState();
  const std::vector<std::pair<std::string, const char*>> cases = {
      {dir.File("no-such-folder/report.txt"), "ﾌｧｲﾙ %s を作成できません"},
      {full, "%s に書き込めません"}};
  // The name of a folder opens that folder in the dialog; nothing is written.
  SaveAs(dir.File("out/folder.txt"));
  main().OutputFile1()->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(chosen.empty());
  for (const auto& [path, text] : cases) {
    SCOPED_TRACE(path);
    errors.clear();
    SaveAs(path);
    main().OutputFile1()->trigger();
    EXPECT_EQ(
        errors,
        Strings{
            QString::fromUtf8(text).replace("%s", QString::fromStdString(chosen)).toStdString()});
    EXPECT_EQ(DescriptorsOn(chosen), 0);
    EXPECT_EQ(ViewState(), before);
  }
  EXPECT_TRUE(fs::is_directory(dir.File("out/folder.txt")));
  EXPECT_FALSE(fs::exists(dir.File("no-such-folder")));
  // A good name afterwards gets the whole report.
  errors.clear();
  SaveAs(dir.File("out/report.txt"));
  main().OutputFile1()->trigger();
  EXPECT_TRUE(errors.empty());
  const std::string bytes = ExpectedReportBytes(project);
  EXPECT_EQ(test::ReadNative(dir.File("out/report.txt")), bytes);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 6);
}

TEST_F(RuntimeFaultTest, ReportFailingPastItsFirstBufferfulClosesTheFile) {
  // Enough procedures that the writes fail while lines are still being written, not at the end.
  std::string module = "Attribute VB_Name = \"Big\"\r\n";
  for (int i = 0; i < 2000; ++i) {
    module += "Sub ProcedureWithAFairlyLongName" + std::to_string(i) + "()\r\nEnd Sub\r\n";
  }
  dir.Write("big/Module1.bas", module);
  dir.WriteLines("big/Big.vbp", {"Module=Big; Module1.bas"});
  const std::string full = FullDevice("out/full.txt");
  Start();
  main().OpenProject(NativeToEngine(dir.File("big/Big.vbp")));
  MemoryLineSink expected;
  WriteXrefLines(
      expected,
      {main().Session().Tree(), main().Session().Result().SymbolList, main().Session().Caption()},
      {});
  std::size_t size = 0;
  for (const std::string& line : expected.Lines) size += line.size() + 2;
  ASSERT_GT(size, std::size_t{1} << 16);
  SaveAs(full);
  main().OutputFile1()->trigger();
  EXPECT_EQ(errors, Strings{full + " に書き込めません"});
  EXPECT_EQ(DescriptorsOn(full), 0);
  EXPECT_TRUE(main().Session().ViewsReady());
}

TEST_F(RuntimeFaultTest, SourceSaveThatCannotBeWrittenKeepsTheTextAndItsMarks) {
  const std::string project = WriteDemo();
  const std::string full = OpenDemoWithUnwritableTargets(project);
  main().TreeView1DblClick();
  TDspForm& dsp = *windows->DspForm;
  ASSERT_TRUE(dsp.isVisible());
  dsp.CheckSubFunction1Click();
  const QString html = dsp.rchDsp->document()->toHtml();
  const Strings shown = dsp.ShownLines();
  const QString title = dsp.windowTitle();
  ASSERT_EQ(shown, (Strings{"Public Sub Main()", "    Bump 1", "End Sub"}));
  const Strings viewsBefore = ViewState();
  std::string target;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.File("out/folder.txt"), "ﾌｧｲﾙ " + dir.File("out/folder.txt") + " を作成できません"},
      {dir.File("gone/source.txt"), "ﾌｧｲﾙ " + dir.File("gone/source.txt") + " を作成できません"},
      {full, full + " に書き込めません"}};
  for (const auto& [path, text] : cases) {
    SCOPED_TRACE(path);
    errors.clear();
    target = path;
    prompts.ChooseFileName(target);
    dsp.SavetoFile1->trigger();
    EXPECT_EQ(errors, Strings{text});
    EXPECT_EQ(DescriptorsOn(path), 0);
    EXPECT_TRUE(dsp.isVisible());
    EXPECT_EQ(dsp.windowTitle(), title);
    EXPECT_EQ(dsp.ShownLines(), shown);
    EXPECT_EQ(dsp.rchDsp->document()->toHtml(), html);
  }
  EXPECT_EQ(ViewState(), viewsBefore);
  errors.clear();
  target = dir.File("out/source.txt");
  prompts.ChooseFileName(target);
  dsp.SavetoFile1->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(test::ReadNative(target), "Public Sub Main()\r\n    Bump 1\r\nEnd Sub\r\n");
}

// Settings files that are not what they should be.

TEST_F(RuntimeFaultTest, SettingsFileThatCannotBeWrittenIsReportedAndTheProgramGoesOn) {
  const std::string project = WriteDemo();
  const std::string ini = Prog("tarnel.ini");
  const std::vector<std::pair<const char*, std::function<void()>>> faults = {
      {"a folder", [&] { dir.Write("prog/tarnel.ini/[Exec]", "a=&A,X,T,N,S,edit,\r\n"); }},
      {"a device that takes no data", [&] { FullDevice("prog/tarnel.ini"); }}};
  for (const auto& [what, fault] : faults) {
    SCOPED_TRACE(what);
    fs::remove_all(ini);
    fault();
    errors.clear();
    Start();
    EXPECT_EQ(errors, Strings{ini + " に書き込めません"});
    EXPECT_TRUE(ExecItems().empty());
    EXPECT_TRUE(main().Session().ToolList().empty());
    windows->Show();
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(main().isEnabled());
    // Without drops, the open dialog still opens projects.
    prompts.WorkFileDialog([&](TFileDialog& files) {
      files.selectFile(dir.File("demo/Demo.vbp"));
      files.accept();
    });
    main().OpenV()->trigger();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(main().Session().ViewsReady());
    EXPECT_EQ(main().Session().ProjectPath(), project);
    EXPECT_EQ(TreeCaptions().size(), 5u);
  }
  EXPECT_TRUE(fs::is_symlink(ini));
}

TEST_F(RuntimeFaultTest, SettingsFileFullOfGarbageKeepsItsBytesAndStillGivesItsEntries) {
  // Every byte value but the line ends and "[", so that the garbage stays one line outside any
  // section; NUL and Ctrl-Z included.
  std::string garbage = "x";
  for (int round = 0; round < 256; ++round) {
    for (int b = 0; b < 256; ++b) {
      char c = static_cast<char>((b * 37 + round) & 0xFF);
      if (c != '\r' && c != '\n' && c != '[') garbage += c;
    }
  }
  const std::string hugeValue(2'000'000, 'A');
  std::string content = garbage + "\r\n[Exec]\r\nhuge=" + hugeValue + "\r\n" +
                        std::string("bin=\x81\xFF\xFE\x1A,X,T,N,S,edit,") + '\0' + "tail\r\n" +
                        "ok=&Ok,X,T,N,S,edit,\r\n";
  dir.Write("prog/tarnel.ini", content);
  const std::string project = WriteDemo();
  Start();
  EXPECT_TRUE(errors.empty());
  std::vector<QAction*> items = ExecItems();
  ASSERT_EQ(items.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(items[static_cast<std::size_t>(i)]->data().toInt(), i);
  EXPECT_EQ(items[0]->text().size(), 1023);  // the value is cut, the caption is its one field
  EXPECT_EQ(items[2]->text(), "&Ok");
  ASSERT_EQ(main().Session().ToolList().size(), 3u);
  EXPECT_EQ(main().Session().ToolList()[0], std::string(1023, 'A'));
  // The date is added; nothing else of the file is lost.
  const std::string after = test::ReadNative(Prog("tarnel.ini"));
  EXPECT_EQ(after.substr(0, content.size()), content);
  EXPECT_EQ(after.substr(content.size(), 12), "[Date]\r\nLast");
  EXPECT_FALSE(main().Session().Context().Options.ReservedWords.Words().empty());
  EXPECT_TRUE(main().acceptDrops());
  main().OpenProject(project);
  EXPECT_TRUE(main().Session().ViewsReady());
  // An item whose entry is cut short fails at its click with the designed error only.
  items[0]->trigger();
  EXPECT_EQ(errors, Strings{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています : [Exec] huge"});
}

// External tools started for real.

class RuntimeToolTest : public RuntimeFaultTest {
 protected:
  void SetUp() override {
    RuntimeFaultTest::SetUp();
    // Writes how many arguments it got, then each in brackets on a line; the file appears whole.
    recorder = dir.Write("tools/argv.sh",
                         "#!/bin/sh\nout=\"$0.out\"\n{ echo \"$#\"; printf '[%s]\\n' \"$@\"; } "
                         "> \"$out.part\" && mv \"$out.part\" \"$out\"\n");
    ::chmod(recorder.c_str(), 0755);
  }
  // The arguments that the recorder received, as it wrote them; empty when it never ran.
  std::string Received() {
    std::string got = WaitForFile(recorder + ".out");
    fs::remove(recorder + ".out");
    return got;
  }
  // Starts the windows with the real process start for the tools.
  TMainForm& StartForReal(std::string programDir = {}) {
    prompts.Starter = StartProcess;
    Start({}, std::move(programDir));
    return main();
  }
  // An "Exec" value field: quoted, inner quotes doubled.
  static std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  }

  std::string recorder;
};

TEST_F(RuntimeToolTest, ProgramThatCannotStartIsReportedWithItsCommandAndTheNextToolRuns) {
  dir.Write("tools/plain.txt", "not a program");
  dir.Write("tools/folder/keep", "");
  dir.Write("tools/nointerp.sh", "#!/no/such/interpreter\n");
  ::chmod(dir.File("tools/nointerp.sh").c_str(), 0755);
  dir.WriteLines("prog/tarnel.ini",
                 {"[Exec]", "a=&Missing,P,F,B,S," + dir.File("tools/no-such-program") + ",",
                  "b=&NotInPath,X,T,N,S,tarnel-no-such-program-anywhere,x",
                  "c=&Plain,A,T,N,S," + dir.File("tools/plain.txt") + ",",
                  "d=&Folder,X,T,N,S," + dir.File("tools/folder") + ",x",
                  "e=&NoInterpreter,X,T,N,S," + dir.File("tools/nointerp.sh") + ",x",
                  "f=&Good,X,T,N,S," + recorder + ",done"});
  const std::string project = WriteDemo();
  StartForReal();
  main().OpenProject(project);
  std::vector<QAction*> items = ExecItems();
  ASSERT_EQ(items.size(), 6u);
  for (int i = 0; i < 5; ++i) items[static_cast<std::size_t>(i)]->trigger();
  EXPECT_TRUE(errors.empty());
  const std::string temp = "\"" + Prog("Xreftmp.txt") + "\"";
  EXPECT_EQ(messages, (Strings{"Cannot start : " + dir.File("tools/no-such-program") + " " + temp,
                               "Cannot start : tarnel-no-such-program-anywhere \"x\"",
                               "Cannot start : " + dir.File("tools/plain.txt") + " " + temp,
                               "Cannot start : " + dir.File("tools/folder") + " \"x\"",
                               "Cannot start : " + dir.File("tools/nointerp.sh") + " \"x\""}));
  // The files are written before the start is tried.
  EXPECT_EQ(test::ReadNative(Prog("Xreftmp.txt")).substr(0, 4), "Vbp\r");
  EXPECT_TRUE(main().isEnabled());
  items[5]->trigger();
  EXPECT_EQ(Received(), "1\n[done]\n");
}

TEST_F(RuntimeToolTest, ArgumentWithQuotesBlanksAndShellSyntaxArrivesAsOneArgument) {
  const std::string trap = dir.File("trap");
  const std::vector<std::string> arguments = {
      "it's a \"quoted\" word; touch " + trap + "1 && touch " + trap + "2 | tee " + trap + "3 > " +
          trap + "4",
      "$(touch " + trap + "5) `touch " + trap + "6` ${HOME} * ?",
      "odd \" quote",
      "ends in a backslash \\",
      "\\\"already escaped\\\"",
      "",
  };
  const std::string project = WriteDemo();
  std::string ini = "[Exec]\r\n";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    ini += "k" + std::to_string(i) + "=&T" + std::to_string(i) + ",X,T,N,S," + recorder + "," +
           Quoted(arguments[i]) + "\r\n";
  }
  dir.Write("prog/tarnel.ini", ini);
  StartForReal();
  main().OpenProject(project);
  std::vector<QAction*> items = ExecItems();
  ASSERT_EQ(items.size(), arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    SCOPED_TRACE(arguments[i]);
    items[i]->trigger();
    // An empty argument means the temporary file's path.
    const std::string expected = arguments[i].empty() ? Prog("Xreftmp.txt") : arguments[i];
    EXPECT_EQ(Received(), "1\n[" + expected + "]\n");
  }
  EXPECT_TRUE(errors.empty());
  for (int i = 1; i <= 6; ++i) EXPECT_FALSE(fs::exists(trap + std::to_string(i))) << i;
}

TEST_F(RuntimeToolTest, PathsHoldingShellSyntaxReachTheToolUnchanged) {
  // Folder names may hold anything but "/" on this system; the tools get them exactly.
  const std::string odd = "it's \"odd\" & $(touch trap) `x`; y | z";
  const std::string progDir = "prog " + odd + "/";
  dir.Write(progDir + "resv.dic", test::ReadNative(Prog("resv.dic")));
  dir.WriteLines(progDir + "tarnel.ini",
                 {"[Exec]", "r=&Report,P,F,B,S," + recorder + ",",
                  "t=&Tree,A,C,N,S," + recorder + ",", "p=&Project,X,T,N,S," + recorder + ",@VBP"});
  const std::string project = WriteDemo("project " + odd);
  StartForReal(NativeToEngine(dir.File(progDir)));
  EXPECT_TRUE(errors.empty());
  main().OpenProject(project);
  ASSERT_TRUE(main().Session().ViewsReady());
  std::vector<QAction*> items = ExecItems();
  ASSERT_EQ(items.size(), 3u);
  items[0]->trigger();
  EXPECT_EQ(Received(), "1\n[" + dir.File(progDir + "Xreftmp.txt") + "]\n");
  items[1]->trigger();
  EXPECT_EQ(Received(), "1\n[" + dir.File(progDir + "Xreftmp.csv") + "]\n");
  items[2]->trigger();
  EXPECT_EQ(Received(), "1\n[" + dir.File("project " + odd + "/Demo.vbp") + "]\n");
  EXPECT_EQ(test::ReadNative(dir.File(progDir + "Xreftmp.txt")).substr(0, project.size()), project);
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(fs::exists("trap"));
  EXPECT_FALSE(fs::exists(dir.File("trap")));
}

}  // namespace
}  // namespace tarnel
