#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/Errors.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class AnalysisInputsTest : public test::ProjectFixture {
 protected:
  void WriteProject(const std::string& folder) {
    Lines(folder + "Demo.vbp", {"Module=M; sub\\M.bas", "Class=C; c.CLS"});
    Lines(folder + "sub/M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "  Bump", "End Sub",
                                 "Sub Bump()", "End Sub"});
    Lines(folder + "C.cls",
          {"VERSION 1.0 CLASS", "Attribute VB_Name = \"C\"", "Sub Go()", "End Sub"});
  }
};

TEST_F(AnalysisInputsTest, TheProjectItsModulesAndTheDictionaryAreInputsUnderAnyName) {
  std::string dictionary = dir.Write("resv.dic", "Call\r\n");
  LoadReservedWords(ctx.Options, NativeToEngine(dictionary));
  WriteProject("");
  ASSERT_EQ(::link(dir.File("sub/M.bas").c_str(), dir.File("alias.bas").c_str()), 0);
  Analyze();
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("Demo.vbp")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("sub/M.bas")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("alias.bas")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("C.cls")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dictionary));
  EXPECT_FALSE(IsAnalysisInput(ctx, dir.File("report.txt")));
  EXPECT_FALSE(IsAnalysisInput(ctx, dir.File("c.cls")));  // no such file: a new one is no input

  // Another project's analysis: the first one's files are free again, the dictionary is not.
  Lines("other/O.vbp", {"Module=M; M.bas"});
  Lines("other/M.bas", {"Attribute VB_Name = \"M\""});
  Analyze("other/O.vbp");
  EXPECT_FALSE(IsAnalysisInput(ctx, dir.File("sub/M.bas")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dir.File("other/M.bas")));
  EXPECT_TRUE(IsAnalysisInput(ctx, dictionary));
}

TEST_F(AnalysisInputsTest, ProjectsUnderForeignFolderNamesFindTheirModules) {
  for (std::string folder :
       {"문서/", "새 폴더/", "源代码/", "测试/", "Změně/", "caf\xe9/", "bs\\dir/", "x:y/"}) {
    SCOPED_TRACE(folder);
    WriteProject(folder);
    host.Messages.clear();
    Analyze(folder + "Demo.vbp");
    EXPECT_EQ(host.Messages, std::vector<std::string>{});
    EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), std::vector<std::string>{Proc("Bump").Key});
    EXPECT_EQ(Proc("Go").FullName, "C.Go");
  }
}

TEST_F(AnalysisInputsTest, AProjectWhoseNameHoldsAColonIsReadFromItsOwnFolder) {
  WriteProject("p/");
  ASSERT_EQ(::rename(dir.File("p/Demo.vbp").c_str(), dir.File("p/x:Demo.vbp").c_str()), 0);
  Analyze("p/x:Demo.vbp");
  EXPECT_EQ(host.Messages, std::vector<std::string>{});
  EXPECT_EQ(Rec("3-0001").Text, Engine("p/") + "sub\\M.bas");
}

TEST_F(AnalysisInputsTest, AModuleTooLargeToReadIsAnOpenErrorWithItsPath) {
  Lines("Demo.vbp", {"Module=M; Big.bas"});
  std::string big = dir.Write("Big.bas", "");
  ASSERT_EQ(::truncate(big.c_str(), off_t{30} << 30), 0);
  try {
    Analyze();
    FAIL() << "read a 30 GB module";
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + dir.File("Big.bas") + " は開けません");
  }
}

}  // namespace
}  // namespace tarnel
