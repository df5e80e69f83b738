#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "analysis/Analysis.h"
#include "platform/Errors.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class InputFilesTest : public test::ProjectFixture {};

TEST_F(InputFilesTest, TheProjectItsModulesAndTheDictionaryUnderAnyNameAreInputs) {
  Lines("Demo.vbp",
        {"Module=Module1; MODULE1.BAS", "Form=Sub\\Form1.frm", "Module=Gone; Gone.bas"});
  Lines("Module1.bas", {"Attribute VB_Name = \"Module1\"", "Sub Main()", "End Sub"});
  Lines("sub/form1.FRM", {"Attribute VB_Name = \"Form1\""});
  const std::string other = dir.Write("notes.txt", "x");
  LoadReservedWords(ctx.Options, NativeToEngine(dir.Write("resv.dic", "Call\r\n")));
  Analyze();
  ASSERT_EQ(::link(dir.File("Module1.bas").c_str(), dir.File("alias.bas").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("Demo.vbp").c_str(), dir.File("link.vbp").c_str()), 0);

  for (const char* input : {"Demo.vbp", "Module1.bas", "sub/form1.FRM", "resv.dic", "alias.bas",
                            "link.vbp", "./sub/../Demo.vbp"}) {
    EXPECT_TRUE(IsAnalysisInput(ctx, dir.File(input))) << input;
  }
  // Other files, spellings that name nothing on disk, and the missing module are free to write.
  for (const char* free : {"notes.txt", "MODULE1.BAS", "Gone.bas", "sub", "new.txt"}) {
    EXPECT_FALSE(IsAnalysisInput(ctx, dir.File(free))) << free;
  }
  EXPECT_FALSE(IsAnalysisInput(ctx, other + "/"));
}

TEST_F(InputFilesTest, ANewAnalysisReplacesTheFilesOfTheLastOne) {
  Lines("One.vbp", {"Module=A; A.bas"});
  Lines("A.bas", {"Attribute VB_Name = \"A\""});
  Lines("Two.vbp", {"Module=B; B.bas"});
  Lines("B.bas", {"Attribute VB_Name = \"B\""});
  Analyze("One.vbp");
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("A.bas")));
  Analyze("Two.vbp");
  EXPECT_FALSE(IsAnalysisInput(ctx, dir.File("A.bas")));
  EXPECT_FALSE(IsAnalysisInput(ctx, dir.File("One.vbp")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("B.bas")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("Two.vbp")));
}

TEST_F(InputFilesTest, TheLoadedDictionaryIsAnInputBeforeAnyAnalysis) {
  const std::string first = dir.Write("first.dic", "Call\r\n");
  const std::string second = dir.Write("second.dic", "If\r\n");
  LoadReservedWords(ctx.Options, NativeToEngine(first));
  EXPECT_TRUE(IsAnalysisInput(ctx, first));
  // Only the dictionary in use is protected; the one it replaced may be written again.
  LoadReservedWords(ctx.Options, NativeToEngine(second));
  EXPECT_TRUE(IsAnalysisInput(ctx, second));
  EXPECT_FALSE(IsAnalysisInput(ctx, first));
}

TEST_F(InputFilesTest, AnAnalysisThatFailsStillProtectsWhatItRead) {
  Lines("Demo.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Lines("A.bas", {"Attribute VB_Name = \"A\"", "Sub Main()", "End Sub"});
  Lines("B.bas", {"Attribute VB_Name = \"B\"", "Sub Other()", "End Sub"});
  // B goes once the declarations are read: the pass fails on it.
  host.OnEvents = [this](int) { std::filesystem::remove(dir.File("B.bas")); };
  EXPECT_THROW(Analyze(), FileOpenError);
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("Demo.vbp")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("A.bas")));
}

}  // namespace
}  // namespace tarnel
