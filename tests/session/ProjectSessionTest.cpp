#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/Analysis.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "reports/LineSink.h"
#include "reports/ReportWriter.h"
#include "session/ProjectSession.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using Strings = std::vector<std::string>;
using test::ReadNative;
using test::SourcePath;

// Records what the views hear, and whether the records were still there when they heard it.
class RecordingObserver : public SessionObserver {
 public:
  explicit RecordingObserver(const ProjectSession& session) : session_(session) {}
  void ReleaseRecords() override {
    Heard.push_back("release " + std::to_string(session_.Result().SymbolList.Count()) + " " +
                    (session_.ViewsReady() ? "ready" : "not ready"));
  }
  void ProjectRead() override {
    Heard.push_back("read " + std::to_string(session_.Tree().Empty() ? 0 : 1) + " " +
                    (session_.ViewsReady() ? "ready" : "not ready"));
  }
  void ViewsReady() override { Heard.push_back(session_.ViewsReady() ? "ready" : "not ready"); }

  Strings Heard;

 private:
  const ProjectSession& session_;
};

class ProjectSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.WriteLines("demo/Demo.vbp", {"Module=Module1; Module1.bas", "Module=Module2; Module2.bas"});
    dir.WriteLines("demo/Module1.bas",
                   {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Bump 1",
                    "    Twice", "End Sub", "Private Function Bump(n As Integer) As Integer",
                    "    Bump = n + 1", "End Function"});
    dir.WriteLines("demo/Module2.bas", {"Attribute VB_Name = \"Module2\"", "Sub Twice()",
                                        "    Bump 2", "End Sub", "Sub Bump(n)", "End Sub"});
    dir.Write("prog/resv.dic", ReadNative(SourcePath("data/resv.dic")));
  }
  std::string Project() const { return NativeToEngine(dir.File("demo/Demo.vbp")); }
  std::string ProgramDir() const { return NativeToEngine(dir.File("prog/")); }
  const TPassRec* Proc(std::string_view module, std::string_view name) const {
    const SymbolList& list = session.Result().SymbolList;
    for (int i = 0; i < list.Count(); ++i) {
      const TPassRec& r = list.At(i);
      if (IsProcedureKind(r.Kind) && r.Name == name &&
          FindSymbol(session.Result(), r.ParentKey).FullName == module) {
        return &r;
      }
    }
    return nullptr;
  }
  Strings Names(CallSide side) const {
    Strings names;
    for (const CallRow& row : session.Rows(side))
      names.push_back(row.Module->FullName + "." + row.Proc->Name);
    return names;
  }

  test::TempDir dir;
  test::RecordingHost host;
  ProjectSession session{host, ProgramDir(), "Tarnel"};
};

TEST_F(ProjectSessionTest, OpeningTellsTheViewsToLetGoWhileTheOldRecordsStillExist) {
  RecordingObserver views(session);
  session.AddObserver(&views);
  session.OpenProject(Project());
  const int count = session.Result().SymbolList.Count();
  ASSERT_GT(count, 0);
  session.OpenProject(Project());
  EXPECT_EQ(views.Heard, (Strings{"release 0 not ready", "read 1 not ready", "ready",
                                  "release " + std::to_string(count) + " not ready",
                                  "read 1 not ready", "ready"}));
  EXPECT_EQ(session.Caption(), Project());
  EXPECT_EQ(session.ProjectPath(), Project());
  session.RemoveObserver(&views);
}

TEST_F(ProjectSessionTest, AFailedOpenLeavesNoRecordsAndTheViewsNotReady) {
  session.OpenProject(Project());
  EXPECT_THROW(session.OpenProject(NativeToEngine(dir.File("demo/Missing.vbp"))), TarnelError);
  EXPECT_FALSE(session.ViewsReady());
  EXPECT_FALSE(session.Analysing());
  EXPECT_EQ(session.Result().SymbolList.Count(), 0);
  EXPECT_FALSE(session.SelectNode(nullptr, true).has_value());
  // The caption and path stay those of the project opened last.
  EXPECT_EQ(session.ProjectPath(), Project());
}

TEST_F(ProjectSessionTest, SelectingAProcedureGivesItsCallersCalleesAndStatusText) {
  EXPECT_FALSE(session.SelectNode(nullptr, false).has_value());  // nothing open yet
  session.OpenProject(Project());
  const TPassRec* bump = Proc("Module1", "Bump");
  ASSERT_NE(bump, nullptr);
  const std::optional<std::string> status = session.SelectNode(bump, true);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, bump->Text);
  EXPECT_EQ(session.CurrentProc(), bump);
  // The classic reading takes the first procedure of a name, so Twice's call reaches it too.
  EXPECT_EQ(Names(CallSide::Callers), (Strings{"Module1.Main", "Module2.Twice"}));
  EXPECT_TRUE(Names(CallSide::Callees).empty());

  const TPassRec* main = Proc("Module1", "Main");
  session.SelectNode(main, true);
  EXPECT_TRUE(Names(CallSide::Callers).empty());
  EXPECT_EQ(Names(CallSide::Callees), (Strings{"Module1.Bump", "Module2.Twice"}));

  // A module is shown but is no procedure to double-click.
  const TPassRec& module = FindSymbol(session.Result(), main->ParentKey);
  EXPECT_EQ(*session.SelectNode(&module, true), module.Text);
  EXPECT_EQ(session.CurrentProc(), nullptr);
  EXPECT_FALSE(session.ProcedureForTree().has_value());
}

TEST_F(ProjectSessionTest, ListItemsChooseWhatADoubleClickShowsAndWhichNameIsMarked) {
  session.OpenProject(Project());
  const TPassRec* main = Proc("Module1", "Main");
  session.SelectNode(main, true);
  EXPECT_FALSE(session.ProcedureForList(CallSide::Callees).has_value());
  EXPECT_FALSE(session.FocusListItem(CallSide::Callees, 2).has_value());
  EXPECT_FALSE(session.FocusListItem(CallSide::Callers, 0).has_value());

  const TPassRec* twice = Proc("Module2", "Twice");
  EXPECT_EQ(*session.FocusListItem(CallSide::Callees, 1), twice->Text);
  EXPECT_EQ(session.CurrentListItem(), twice);
  std::optional<ProcedureRequest> callee = session.ProcedureForList(CallSide::Callees);
  ASSERT_TRUE(callee);
  EXPECT_EQ(callee->Proc, main);
  EXPECT_EQ(callee->MarkName, "Twice");

  // Twice's callers: Main shown with Twice marked.
  session.SelectNode(twice, true);
  EXPECT_EQ(session.CurrentListItem(), nullptr);  // a new selection drops the list item
  session.FocusListItem(CallSide::Callers, 0);
  std::optional<ProcedureRequest> caller = session.ProcedureForList(CallSide::Callers);
  ASSERT_TRUE(caller);
  EXPECT_EQ(caller->Proc, main);
  EXPECT_EQ(caller->MarkName, "Twice");
  std::optional<ProcedureRequest> own = session.ProcedureForTree();
  ASSERT_TRUE(own);
  EXPECT_EQ(own->Proc, twice);
  EXPECT_EQ(own->MarkName, "Twice");
}

TEST_F(ProjectSessionTest, ACancelledPassKeepsItsNoteUntilTheUserMovesOn) {
  host.OnEvents = [this](int) { host.Cancel = true; };
  session.OpenProject(Project());
  host.OnEvents = nullptr;
  ASSERT_FALSE(session.CancelNote().empty());
  EXPECT_EQ(session.CancelNote().rfind("Cross-reference cancelled at record ", 0), 0u);
  const TPassRec* main = Proc("Module1", "Main");
  // Coming back to the tree keeps the note; moving the selection ends it.
  EXPECT_EQ(*session.SelectNode(main, false), session.CancelNote());
  EXPECT_EQ(*session.SelectNode(main, true), main->Text);
  EXPECT_TRUE(session.CancelNote().empty());
  // A fresh pass starts without a request to stop.
  session.OpenProject(Project());
  EXPECT_TRUE(session.CancelNote().empty());
}

TEST_F(ProjectSessionTest, AnOpenWhileAnalysingIsIgnored) {
  int nested = 0;
  host.OnEvents = [&](int) {
    if (nested++ == 0) session.OpenProject(NativeToEngine(dir.File("demo/Missing.vbp")));
  };
  EXPECT_NO_THROW(session.OpenProject(Project()));
  EXPECT_TRUE(session.ViewsReady());
  EXPECT_EQ(session.ProjectPath(), Project());
}

TEST_F(ProjectSessionTest, SettingsGiveTheReadingAndToolsUpToAMalformedEntry) {
  dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=precise", "[Exec]",
                                     "a=&First,X,T,N,S,edit,", "b=   ", "c=&Third,X,T,N,S,edit,"});
  try {
    session.LoadSettings("2026/01/02");
    FAIL() << "no error for the empty entry";
  } catch (const TarnelError& e) {
    EXPECT_STREQ(e.what(), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています : [Exec] b");
  }
  EXPECT_EQ(session.Reading(), ReadingKind::Precise);
  EXPECT_EQ(session.ToolList(), (Strings{"&First,X,T,N,S,edit,", ""}));
  EXPECT_EQ(session.ToolCaptions(), (Strings{"&First"}));
  EXPECT_NE(ReadNative(dir.File("prog/tarnel.ini")).find("Last=2026/01/02"), std::string::npos);
}

TEST_F(ProjectSessionTest, ChangingTheReadingIsRememberedAndReadsTheProjectAgain) {
  session.ChangeReading(ReadingKind::Precise);  // nothing open: nothing read
  EXPECT_FALSE(session.ViewsReady());
  session.OpenProject(Project());
  RecordingObserver views(session);
  session.AddObserver(&views);
  session.ChangeReading(ReadingKind::Classic);
  EXPECT_EQ(views.Heard.size(), 3u);
  EXPECT_EQ(session.Reading(), ReadingKind::Classic);
  EXPECT_NE(ReadNative(dir.File("prog/tarnel.ini")).find("Reading=Classic"), std::string::npos);
  session.RemoveObserver(&views);
}

TEST_F(ProjectSessionTest, TheRecordsKeepTheEncodingTheirAnalysisBeganWith) {
  session.OpenProject(Project());
  EXPECT_EQ(session.RecordEncoding(), TextEncoding::Cp932);
  session.ChangeEncoding(SourceEncoding::Cp1252);
  EXPECT_EQ(session.RecordEncoding(), TextEncoding::Utf8);
  EXPECT_NE(ReadNative(dir.File("prog/tarnel.ini")).find("Encoding=1252"), std::string::npos);

  // A setting that cannot be saved changes nothing: the records stay as they were read.
  const int count = session.Context().Result.SymbolList.Count();
  std::filesystem::remove(dir.File("prog/tarnel.ini"));
  dir.Write("prog/tarnel.ini/x", "");  // a folder where the file should be
  EXPECT_THROW(session.ChangeEncoding(SourceEncoding::Cp932), std::exception);
  EXPECT_EQ(session.Encoding(), SourceEncoding::Cp1252);
  EXPECT_EQ(session.RecordEncoding(), TextEncoding::Utf8);
  EXPECT_EQ(session.Context().Result.SymbolList.Count(), count);
}

TEST_F(ProjectSessionTest, AModuleStatusIsItsPathInTheRecordsEncoding) {
  dir.WriteLines("表/P.vbp", {"Module=M; M.bas"});
  dir.WriteLines("表/M.bas", {"Attribute VB_Name = \"M\"", "Sub A()", "End Sub"});
  const std::string project = NativeToEngine(dir.File("表/P.vbp"));
  const auto moduleStatus = [&] {
    const SymbolList& list = session.Context().Result.SymbolList;
    for (int i = 0; i < list.Count(); ++i) {
      if (IsModuleKind(list.At(i).Kind)) return session.SelectNode(&list.At(i), true).value_or("");
    }
    return std::string();
  };
  session.OpenProject(project);
  EXPECT_EQ(moduleStatus(), FolderOf(project) + "M.bas");  // engine text, code page 932
  session.ChangeEncoding(SourceEncoding::Utf8);
  EXPECT_EQ(moduleStatus(), dir.File("表/M.bas"));
}

TEST_F(ProjectSessionTest, ToolsWriteTheReportAndStartTheirCommandWithTheEntryKeyOnErrors) {
  dir.WriteLines("prog/tarnel.ini",
                 {"[Exec]", "r=&Report,P,F,B,S,viewer,", "n=&Short,P,F,B,S,viewer"});
  session.LoadSettings("today");
  session.OpenProject(Project());
  Strings started;
  auto start = [&](const std::string& line) {
    started.push_back(line);
    return true;
  };
  session.RunTool(0, start);
  ASSERT_EQ(started, (Strings{"viewer \"" + ProgramDir() + "Xreftmp.txt\""}));

  MemoryLineSink expected;
  WriteXrefLines(expected, {session.Tree(), session.Result().SymbolList, Project()}, {});
  std::string bytes;
  for (const std::string& line : expected.Lines) bytes += line + "\r\n";
  EXPECT_EQ(ReadNative(dir.File("prog/Xreftmp.txt")), bytes);

  try {
    session.RunTool(1, start);
    FAIL() << "no error for the six-field entry";
  } catch (const TarnelError& e) {
    EXPECT_STREQ(e.what(), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています : [Exec] n");
  }
  EXPECT_THROW(session.RunTool(7, start), ListIndexError);
  EXPECT_EQ(started.size(), 1u);
}

TEST_F(ProjectSessionTest, SavedReportHasTheCaptionOfTheOpenProject) {
  session.OpenProject(Project());
  const std::string target = dir.File("out/report.txt");
  dir.Write("out/.keep", "");
  session.SaveReport(NativeToEngine(target));
  const std::string saved = ReadNative(target);
  EXPECT_EQ(saved.substr(0, Project().size()), Project());
  EXPECT_NE(saved.find("Twice"), std::string::npos);
}

}  // namespace
}  // namespace tarnel
