#include <gtest/gtest.h>
#include <unistd.h>

#include "analysis/Analysis.h"
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

}  // namespace
}  // namespace tarnel
