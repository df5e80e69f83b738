#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "analysis/AnalysisSteps.h"
#include "analysis/Symbol.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

using test::Keys;

class ProjectReaderTest : public test::ProjectFixture {};

TEST_F(ProjectReaderTest, TwoModuleProjectGivesExactlySixRecords) {
  Lines("Demo.vbp", {"Form=Main.frm", "Module=Util; Util.bas", "Name=\"Demo\""});
  Lines("Util.bas", {"Attribute VB_Name = \"Util\"", "", "Public Function Twice(n As Integer)",
                     "    Twice = n * 2", "End Function"});
  Lines("Main.frm", {"VERSION 4.00",
                     "Begin VB.Form Main",
                     "   Caption = \"Main\"",
                     "   ClientHeight = 3000",
                     "   ClientLeft = 60",
                     "   ClientTop = 300",
                     "   ClientWidth = 4000",
                     "   Height = 3400",
                     "   Left = 0",
                     "   LinkTopic = \"Form1\"",
                     "   ScaleHeight = 3000",
                     "   ScaleWidth = 4000",
                     "   Top = 0",
                     "   Width = 4100",
                     "   Begin VB.CommandButton Go",
                     "      Caption = \"Go\"",
                     "   End",
                     "End",
                     "   ",
                     "Attribute VB_Name = \"Main\"",
                     "Attribute VB_Creatable = False",
                     "Option Explicit",
                     "",
                     "Private Sub Form_Load()",
                     "    Twice 2",
                     "End Sub"});
  Analyze();

  EXPECT_EQ(ListKeys(), (Keys{"2-0001", "4-0001", "3-0001", "2-0002", "4-0002", "3-0002"}));
  EXPECT_TRUE(host.Messages.empty());

  TPassRec& group = Rec("2-0001");
  EXPECT_EQ(group.Level, 2);
  EXPECT_EQ(group.Kind, KindModuleGroup);
  EXPECT_EQ(group.Name, GroupCaption(KindModuleGroup));
  EXPECT_EQ(group.FullName, "Module");
  EXPECT_EQ(group.Text, "Module");
  EXPECT_EQ(group.ParentKey, "1");
  EXPECT_EQ(group.Scope, "G");
  EXPECT_EQ(Rec("2-0002").Name, "\xcc\xab\xb0\xd1\xd3\xbc\xde\xad\xb0\xd9");  // ﾌｫｰﾑﾓｼﾞｭｰﾙ

  TPassRec& util = Rec("3-0001");
  EXPECT_EQ(util.Level, 3);
  EXPECT_EQ(util.Kind, KindStdModule);
  EXPECT_EQ(util.Name, "Util.bas");
  EXPECT_EQ(util.FullName, "Util");
  EXPECT_EQ(util.ParentKey, "2-0001");
  EXPECT_EQ(util.Text, Engine("Util.bas"));
  TPassRec& form = Rec("3-0002");
  EXPECT_EQ(form.Kind, KindFormModule);
  EXPECT_EQ(form.Name, "Main.frm");
  EXPECT_EQ(form.FullName, "Main");
  EXPECT_EQ(form.ParentKey, "2-0002");

  TPassRec& twice = Rec("4-0001");
  EXPECT_EQ(twice.Kind, KindFunction);
  EXPECT_EQ(twice.Name, "Twice");
  EXPECT_EQ(twice.FullName, "Util.Twice");
  EXPECT_EQ(twice.ParentKey, "3-0001");
  EXPECT_EQ(twice.Scope, "G");
  EXPECT_EQ(twice.Text, "Public Function Twice(n As Integer)");
  EXPECT_EQ(twice.StartLine, 3);
  EXPECT_EQ(twice.BodyLines, 1);
  TPassRec& load = Rec("4-0002");
  EXPECT_EQ(load.Kind, KindSub);
  EXPECT_EQ(load.FullName, "Main.Form_Load");
  EXPECT_EQ(load.Scope, "P");
  EXPECT_EQ(load.StartLine, 24);
  EXPECT_EQ(load.BodyLines, 1);

  EXPECT_EQ(test::KeyTexts(load.Calls), (Keys{"4-0001"}));
  EXPECT_EQ(test::KeyTexts(twice.CalledBy), (Keys{"4-0002"}));
  EXPECT_TRUE(load.CalledBy.empty());
  EXPECT_TRUE(twice.Calls.empty());
}

TEST_F(ProjectReaderTest, ModulesAreNumberedByPassWhateverTheirLineOrder) {
  Lines("Demo.vbp", {"Class=C1; C1.cls", "Form=F1.frm", "Module=M1; M1.bas", "Module=M2; M2.bas",
                     "UserControl=U1.ctl", "PropertyPage=P1.pag"});
  for (auto name : {"M1.bas", "M2.bas"}) Lines(name, {"Attribute VB_Name = \"M\""});
  for (auto name : {"C1.cls", "F1.frm", "U1.ctl", "P1.pag"})
    Lines(name, {"Attribute VB_Name = \"X\""});
  Analyze();
  EXPECT_EQ(ListKeys(), (Keys{"2-0001", "3-0001", "3-0002", "2-0002", "3-0003", "2-0005", "3-0004",
                              "2-0006", "3-0005", "2-0007", "3-0006"}));
  EXPECT_EQ(Rec("3-0004").Name, "C1.cls");
  EXPECT_EQ(Rec("3-0004").Kind, KindClassModule);
  EXPECT_EQ(Rec("3-0005").Kind, KindUserControl);
  EXPECT_EQ(Rec("3-0006").Kind, KindPropertyPage);
  EXPECT_EQ(Rec("2-0007").FullName, "PropertyPage");
  EXPECT_EQ(host.EventRounds, 0);  // no procedure, no cross-reference pass
  EXPECT_TRUE(host.Calls.empty());
}

TEST_F(ProjectReaderTest, KindWordsMatchByteForByteAtTheLineStart) {
  Lines("Demo.vbp", {"form=lower.frm", "FormatVersion=F.frm", " Form=indented.frm", "Form=F.frm",
                     "Form=F.frm"});
  Lines("F.frm", {"Attribute VB_Name = \"F\"", "Sub A()", "End Sub"});
  Analyze();
  // "FormatVersion=..." is taken as a form line; the lower-case and indented lines are not.
  EXPECT_EQ(ListKeys(),
            (Keys{"2-0002", "4-0001", "3-0001", "4-0002", "3-0002", "4-0003", "3-0003"}));
  EXPECT_EQ(Rec("3-0001").Name, "F.frm");
  EXPECT_TRUE(host.Messages.empty());
  // The same module line twice: the file is read twice, its procedures recorded twice.
  EXPECT_EQ(Rec("4-0002").ParentKey, "3-0002");
  EXPECT_EQ(Rec("4-0003").ParentKey, "3-0003");
}

TEST_F(ProjectReaderTest, AProjectWithOnlyFormsHasOnlyTheFormGroup) {
  Lines("Demo.vbp", {"Form=A.frm"});
  Lines("A.frm", {"Attribute VB_Name = \"A\""});
  Analyze();
  EXPECT_EQ(ListKeys(), (Keys{"2-0002", "3-0001"}));
}

TEST_F(ProjectReaderTest, MissingModulesAreReportedAndKeptWithoutName) {
  Lines("Demo.vbp", {"Module=Gone; Gone.bas", "Form", "Form=/abs/Main.frm"});
  Analyze();
  EXPECT_EQ(host.Messages,
            (std::vector<std::string>{"File Not Found : " + Engine("Gone.bas"),
                                      "File Not Found : " + Engine("Form"),
                                      "File Not Found : " + Engine("/abs/Main.frm")}));
  EXPECT_EQ(host.RepeatedKinds, std::vector<RepeatedMessage>(3, RepeatedMessage::FileNotFound));
  EXPECT_EQ(Rec("3-0001").FullName, "");
  EXPECT_EQ(Rec("3-0002").Name, "Form");  // no separator: the whole line
  EXPECT_EQ(ctx.Result.SymbolList.Count(), 5);
}

TEST_F(ProjectReaderTest, ThousandsOfMissingModulesGiveOneMessageEach) {
  std::string vbp;
  for (int i = 0; i < 3000; ++i) vbp += "Module=M; missing" + std::to_string(i) + ".bas\r\n";
  dir.Write("Demo.vbp", vbp);
  Analyze();
  EXPECT_EQ(host.Messages.size(), 3000u);
  EXPECT_EQ(ctx.Result.SymbolList.Count(), 3001);
  EXPECT_EQ(Rec("3-3000").Name, "missing2999.bas");
}

TEST_F(ProjectReaderTest, AMissingProjectFailsWithFileNotFoundAndLeavesTheListEmpty) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\""});
  Analyze();
  ASSERT_EQ(ctx.Result.SymbolList.Count(), 2);
  try {
    Analyze("Other.vbp");
    FAIL();
  } catch (const FileNotFoundError& e) {
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
  }
  EXPECT_EQ(ctx.Result.SymbolList.Count(), 0);
}

TEST_F(ProjectReaderTest, AnUnreadableModuleEndsTheAnalysisWithTheOpenError) {
  Lines("Demo.vbp", {"Module=A; A.bas", "Module=B; B.bas", "Module=C; C.bas"});
  Lines("A.bas", {"Attribute VB_Name = \"A\"", "Sub One()", "End Sub"});
  // A pipe exists but is no plain file: it cannot be read as a module.
  ASSERT_EQ(mkfifo(dir.File("B.bas").c_str(), 0600), 0);
  Lines("C.bas", {"Attribute VB_Name = \"C\""});
  try {
    Analyze();
    FAIL();
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + dir.File("B.bas") + " は開けません");
  }
  // The records added so far stay; the module being read does not enter the list.
  EXPECT_EQ(ListKeys(), (Keys{"2-0001", "4-0001", "3-0001"}));
}

TEST_F(ProjectReaderTest, AReferenceThatNamesAFolderIsAMissingFile) {
  Lines("Demo.vbp", {"Module=E; ", "Module=F; Sub", "Module=M; M.bas"});
  dir.Write("Sub/x.bas", "");
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub One()", "End Sub"});
  Analyze();
  EXPECT_EQ(host.Messages, (std::vector<std::string>{"File Not Found : " + Engine(""),
                                                     "File Not Found : " + Engine("Sub")}));
  EXPECT_EQ(Rec("3-0003").FullName, "M");
}

TEST_F(ProjectReaderTest, ModuleReferencesResolveOnThisFileSystem) {
  // 表 (0x95 0x5C) in the folder name: its second byte must not split the path.
  const std::string hyo = "\x95\x5c";
  dir.Write(Cp932ToUtf8(hyo) + "/Demo.vbp", "Form=..\\FORMS\\MAIN.FRM\r\nModule=M; Sub\\m.BAS\r\n");
  dir.Write("Forms/Main.frm", "Attribute VB_Name = \"Main\"\r\nSub S()\r\nEnd Sub\r\n");
  dir.Write(Cp932ToUtf8(hyo) + "/sub/M.bas", "Attribute VB_Name = \"M\"\r\n");
  std::string project = NativeToEngine(dir.Path()) + hyo + "\\Demo.vbp";
  AnalysisRun run(ctx.Options, ctx.Result, host);
  RunAnalysis(run, project);
  EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
  EXPECT_EQ(run.ProjectDir, NativeToEngine(dir.Path()) + hyo + "/");
  EXPECT_EQ(Rec("3-0002").FullName, "Main");
  EXPECT_EQ(Rec("3-0002").Text, run.ProjectDir + "..\\FORMS\\MAIN.FRM");
  EXPECT_EQ(Rec("3-0001").FullName, "M");
}

TEST_F(ProjectReaderTest, LfOnlyFilesReadLikeCrLfFiles) {
  dir.Write("Demo.vbp", "Module=M; M.bas\n");
  dir.Write("M.bas", "Attribute VB_Name = \"M\"\nSub A()\n  B\nEnd Sub\nSub B()\nEnd Sub\n");
  Analyze();
  EXPECT_EQ(Proc("A").StartLine, 2);
  EXPECT_EQ(Proc("B").StartLine, 5);
  EXPECT_EQ(test::KeyTexts(Proc("A").Calls), (Keys{Proc("B").Key}));
}

TEST_F(ProjectReaderTest, ASecondAnalysisInKeyOrderGivesTheSameRecords) {
  Lines("Demo.vbp", {"Form=F.frm", "Module=M; M.bas"});
  Lines("F.frm", {"Attribute VB_Name = \"F\"", "Sub A()", "  B", "End Sub"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub B()", "End Sub"});
  Analyze();
  std::vector<std::pair<std::string, std::string>> first;
  for (auto k : {"4-0001", "4-0002"}) first.emplace_back(Rec(k).FullName, Rec(k).ParentKey);
  ctx.Result.SymbolList.SwitchToKeyOrder();
  Analyze();
  EXPECT_EQ(ListKeys(), (Keys{"2-0001", "2-0002", "3-0001", "3-0002", "4-0001", "4-0002"}));
  for (int i = 0; i < 2; ++i) {
    const TPassRec& r = Rec(i == 0 ? "4-0001" : "4-0002");
    EXPECT_EQ(r.FullName, first[i].first);
    EXPECT_EQ(r.ParentKey, first[i].second);
  }
  EXPECT_EQ(test::KeyTexts(Proc("A").Calls), (Keys{"4-0001"}));
}

TEST_F(ProjectReaderTest, ARelativeProjectPathFindsItsModulesBesideIt) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\""});
  std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  AnalysisRun run(ctx.Options, ctx.Result, host);
  RunAnalysis(run, "Demo.vbp");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(run.ProjectDir, "");
  EXPECT_EQ(Rec("3-0001").FullName, "M");
}

TEST_F(ProjectReaderTest, BadModuleBytesNeverStopTheAnalysis) {
  std::string binary;
  for (int i = 0; i < 200000; ++i) binary += static_cast<char>((i * 7919) % 256);
  dir.Write("bin.bas", binary);
  dir.Write("long.bas", "Attribute VB_Name = \"L\"\r\nSub Big()\r\n" +
                            std::string(10'000'000, 'x') +
                            " Big2\r\nEnd Sub\r\nSub Big2()\r\nEnd Sub\r\n");
  dir.Write("bad.bas", "Attribute VB_Name = \"\x82\"\r\nSub \xff\xfe(x)\r\n\x81\r\nEnd Sub\r\n");
  dir.Write("noends.bas",
            std::string("Attribute VB_Name = \"N\"\rSub X()\r") + std::string(5000, 'y'));
  Lines("Demo.vbp",
        {"Module=A; bin.bas", "Module=B; long.bas", "Module=C; bad.bas", "Module=D; noends.bas"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Big").Calls), (Keys{Proc("Big2").Key}));
  EXPECT_EQ(Proc("\xff\xfe").FullName, "\x82.\xff\xfe");
  EXPECT_EQ(Proc("X").BodyLines, 1);  // no end line: the body runs to the end of the file
  EXPECT_FALSE(host.ProgressShown);
}

TEST_F(ProjectReaderTest, EachAnalysisDecodesAsItsOptionsSay) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "End Sub"});
  ctx.Options.Encoding = SourceEncoding::Utf8;
  Analyze();
  EXPECT_FALSE(ctx.Result.Decoder.KeepsBytes());
  EXPECT_EQ(Rec("2-0001").Name, Cp932ToUtf8(GroupCaption(KindModuleGroup)));
  // The decoder is the result's: the next analysis takes the options as they stand then.
  ctx.Options.Encoding = SourceEncoding::Cp932;
  Analyze();
  EXPECT_TRUE(ctx.Result.Decoder.KeepsBytes());
  EXPECT_EQ(Rec("2-0001").Name, GroupCaption(KindModuleGroup));
}

}  // namespace
}  // namespace tarnel
