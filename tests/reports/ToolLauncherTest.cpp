#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "reports/ToolLauncher.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

using Strings = std::vector<std::string>;
using test::ReadNative;

// Module1 with Main (calls Bump) and Bump; the program folder is a subfolder of the fixture.
class ToolLauncherTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
    Lines("Module1.bas", {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Bump",
                          "End Sub", "Sub Bump()", "End Sub"});
    dir.Write("prog/keep", "");
    programDir = Engine("prog/");
    projectPath = Engine("Demo.vbp");
  }
  void Open() {
    Analyze();
    tree = ResultTree::Build(ctx.Result.SymbolList);
  }
  void Run(std::vector<std::string> tools, int tag) {
    ToolContext context{host,
                        {tree, ctx.Result.SymbolList, projectPath},
                        programDir,
                        projectPath,
                        [this](const std::string& line) {
                          started.push_back(line);
                          return starts;
                        }};
    RunTool(context, tools, tag);
  }
  std::string Temp(const char* name) { return ReadNative(dir.File(std::string("prog/") + name)); }

  ResultTree tree;
  std::string programDir;
  std::string projectPath;
  Strings started;
  bool starts = true;  // what the start of a command line reports
};

TEST_F(ToolLauncherTest, ModePWritesTheReportAndPassesTheTemporaryFile) {
  Open();
  Run({"&Report,P,F,B,S,viewer,", "&Sheet,P,C,Y,S,\"/opt/my sheet\","}, 0);
  EXPECT_EQ(started, Strings{"viewer \"" + programDir + "Xreftmp.txt\""});
  EXPECT_EQ(Temp("Xreftmp.txt").substr(0, projectPath.size() + 2), projectPath + "\r\n");

  Run({"&Report,P,F,B,S,viewer,", "&Sheet,P,C,Y,S,\"/opt/my sheet\","}, 1);
  EXPECT_EQ(started.back(), "/opt/my sheet \"" + programDir + "Xreftmp.csv\"");
  EXPECT_NE(Temp("Xreftmp.csv").find(",,Module1.bas"), std::string::npos);
}

TEST_F(ToolLauncherTest, ModePWithoutAProjectStartsNothing) {
  Run({"&Report,P,F,B,S,viewer,"}, 0);
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(host.Messages, Strings{" No Output Item \r"});
}

TEST_F(ToolLauncherTest, ModePWithAnEmptyLetterFieldIsRefused) {
  Open();
  Run({"&Report,P,\"\",B,S,viewer,", "&R,P,F,,S,viewer,", "&R,P,F,B,\"\",viewer,"}, 0);
  Run({"&Report,P,\"\",B,S,viewer,", "&R,P,F,,S,viewer,", "&R,P,F,B,\"\",viewer,"}, 1);
  Run({"&Report,P,\"\",B,S,viewer,", "&R,P,F,,S,viewer,", "&R,P,F,B,\"\",viewer,"}, 2);
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(host.Messages.size(), 3u);
  EXPECT_EQ(Temp("Xreftmp.txt"), "");
}

TEST_F(ToolLauncherTest, ModeAWritesTheTreeDumpWhateverTheFormSays) {
  Open();
  Run({"&Tree,A,T,N,S,viewer,"}, 0);
  EXPECT_EQ(started, Strings{"viewer \"" + programDir + "Xreftmp.txt\""});
  EXPECT_EQ(Temp("Xreftmp.txt"), "Vbp\r\n\t" + GroupCaption(KindModuleGroup) +
                                     "\r\n\t\tModule1.bas\r\n\t\t\tMain\r\n\t\t\tBump\r\n");
  // With "@VBP" the dump is still written, into the csv file, but the project is passed.
  Run({"&Tree,A,C,N,S,viewer,@VBP"}, 0);
  EXPECT_EQ(started.back(), "viewer \"" + projectPath + "\"");
  EXPECT_EQ(Temp("Xreftmp.csv").substr(0, 5), "Vbp\r\n");
}

TEST_F(ToolLauncherTest, OtherModesWriteNothingAndPassTheChosenArgument) {
  Open();
  Strings tools{"&Project,X,T,N,S,edit,@VBP", "&Notes,p,T,N,S,edit,notes.txt",
                "&Tmp,X,C,N,S,edit,"};
  Run(tools, 0);
  Run(tools, 1);
  Run(tools, 2);
  EXPECT_EQ(started, (Strings{"edit \"" + projectPath + "\"", "edit \"notes.txt\"",
                              "edit \"" + programDir + "Xreftmp.csv\""}));
  EXPECT_EQ(Temp("Xreftmp.txt"), "");
  EXPECT_EQ(Temp("Xreftmp.csv"), "");
}

TEST_F(ToolLauncherTest, AtVbpBeforeAnyProjectGivesAnEmptyQuotedArgument) {
  projectPath.clear();
  Run({"&Project,X,T,N,S,edit,@VBP"}, 0);
  EXPECT_EQ(started, Strings{"edit \"\""});
}

TEST_F(ToolLauncherTest, FewerThanSevenFieldsOrAMissingEntryIsTheListIndexError) {
  Open();
  EXPECT_THROW(Run({"&Report,P,F,B,S,viewer"}, 0), ListIndexError);
  EXPECT_THROW(Run({""}, 0), ListIndexError);
  EXPECT_THROW(Run({"&T,X,T,N,S,edit,"}, 1), ListIndexError);
  EXPECT_TRUE(started.empty());
}

TEST_F(ToolLauncherTest, UnquotedBlankInTheCaptionShiftsEveryField) {
  Open();
  Run({"My Tool,X,T,N,S,edit"}, 0);  // mode "Tool", command "S", argument "edit"
  EXPECT_EQ(started, Strings{"S \"edit\""});
  EXPECT_THROW(Run({"My Tool,X,T,N,edit"}, 0), ListIndexError);
}

TEST_F(ToolLauncherTest, LowerCaseFormSelectsTheTextFileAndPassesItsLetter) {
  Open();
  Run({"&R,P,c,B,S,viewer,"}, 0);
  EXPECT_EQ(started, Strings{"viewer \"" + programDir + "Xreftmp.txt\""});
  EXPECT_EQ(Temp("Xreftmp.csv"), "");
}

TEST_F(ToolLauncherTest, ACommandThatCannotStartIsReportedWithItsLineAfterTheFileIsWritten) {
  Open();
  starts = false;
  Run({"&Report,P,F,B,S,viewer,", "&Project,X,T,N,S,edit,@VBP"}, 0);
  Run({"&Report,P,F,B,S,viewer,", "&Project,X,T,N,S,edit,@VBP"}, 1);
  EXPECT_EQ(host.Messages, (Strings{"Cannot start : viewer \"" + programDir + "Xreftmp.txt\"",
                                    "Cannot start : edit \"" + projectPath + "\""}));
  EXPECT_EQ(Temp("Xreftmp.txt").substr(0, projectPath.size()), projectPath);
  // A started command says nothing.
  starts = true;
  Run({"&Project,X,T,N,S,edit,@VBP"}, 0);
  EXPECT_EQ(host.Messages.size(), 2u);
}

TEST_F(ToolLauncherTest, UnwritableTemporaryFileStartsNothing) {
  Open();
  programDir = Engine("no-such-folder/");
  EXPECT_THROW(Run({"&Tree,A,T,N,S,viewer,"}, 0), FileCreateError);
  EXPECT_THROW(Run({"&R,P,F,B,S,viewer,"}, 0), TarnelError);
  EXPECT_TRUE(started.empty());
}

}  // namespace
}  // namespace tarnel
