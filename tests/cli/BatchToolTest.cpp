#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "BatchRun.h"
#include "cli/BatchTool.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class BatchToolTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    dir.Write("bin/resv.dic", "Call\r\n");
    Lines("Demo.vbp", {"Module=M; M.bas", "Form=Gone.frm"});
    Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Call Bump(1) ' \x95\x5c",
                    "End Sub", "Function Bump(n)", "    Bump = n", "End Function"});
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    return test::RunBatch(args, dir.File("bin/"), out, err);
  }
  std::ostringstream out;
  std::string err;
};

TEST_F(BatchToolTest, WritesTheReportAndReportsMissingModulesOnStandardError) {
  std::string project = dir.File("Demo.vbp");
  ASSERT_EQ(Run({project}), 0);
  EXPECT_EQ(out.str(), project +
                           "\r\n    \x95\x57\x8f\x80\xd3\xbc\xde\xad\xb0\xd9\r\n        M.bas\r\n"
                           "            Sub Main" +
                           std::string(20, ' ') +
                           "\x81\xa8 M.Bump\r\n"
                           "            Function Bump\r\n" +
                           std::string(40, ' ') +
                           "\x81\xa9 M.Main\r\n    \xcc\xab\xb0\xd1\xd3\xbc\xde\xad\xb0\xd9\r\n"
                           "        Gone.frm\r\n");
  EXPECT_EQ(err, "File Not Found : " + dir.File("Gone.frm") + "\n");
}

TEST_F(BatchToolTest, OptionsChooseTheFormDirectionStyleAndEncoding) {
  ASSERT_EQ(Run({"--form", "C", "--direction=Y", "--style", "D", "--utf8", dir.File("Demo.vbp")}),
            0);
  EXPECT_NE(out.str().find(",標準ﾓｼﾞｭｰﾙ\r\n"), std::string::npos);
  EXPECT_NE(out.str().find(",,,\"Function Bump(n)\",←,M.Main\r\n"), std::string::npos);
}

TEST_F(BatchToolTest, WritesFilesForTheReportTheTreeAndTheJson) {
  ASSERT_EQ(Run({"--output", dir.File("r.txt"), "--tree-dump", dir.File("t.txt"), "--json",
                 dir.File("s.json"), dir.File("Demo.vbp")}),
            0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(test::ReadNative(dir.File("r.txt")).substr(0, dir.File("Demo.vbp").size()),
            dir.File("Demo.vbp"));
  EXPECT_EQ(test::ReadNative(dir.File("t.txt")),
            "Vbp\r\n\t\x95\x57\x8f\x80\xd3\xbc\xde\xad\xb0\xd9\r\n\t\tM.bas\r\n\t\t\tMain\r\n"
            "\t\t\tBump\r\n\t\xcc\xab\xb0\xd1\xd3\xbc\xde\xad\xb0\xd9\r\n\t\tGone.frm\r\n");
  std::string json = test::ReadNative(dir.File("s.json"));
  EXPECT_EQ(json.rfind("{\"symbols\": [", 0), 0u);
  EXPECT_NE(json.find("{\"Level\": 2, \"Name\": \"標準ﾓｼﾞｭｰﾙ\", \"FullName\": \"Module\", \"Key\": "
                      "\"2-0001\", \"ParentKey\": \"1\", \"Scope\": \"G\", \"Kind\": 1, \"Text\": "
                      "\"Module\", \"StartLine\": 0, \"BodyLines\": 0, \"Calls\": [], "
                      "\"CalledBy\": []}"),
            std::string::npos);
  EXPECT_NE(
      json.find("\"Name\": \"Main\", \"FullName\": \"M.Main\", \"Key\": \"4-0001\", "
                "\"ParentKey\": \"3-0001\", \"Scope\": \"G\", \"Kind\": 11, \"Text\": "
                "\"Sub Main()\", \"StartLine\": 2, \"BodyLines\": 1, \"Calls\": [\"4-0002\"], "
                "\"CalledBy\": []"),
      std::string::npos);
}

TEST_F(BatchToolTest, FailuresExitWithOneAndTheirText) {
  EXPECT_EQ(Run({dir.File("Missing.vbp")}), 1);
  EXPECT_EQ(err, "ﾌｧｲﾙが見つかりません\n");
  EXPECT_EQ(Run({"--output", dir.File("no/dir/r.txt"), dir.File("Demo.vbp")}), 1);
  EXPECT_NE(err.find("を作成できません"), std::string::npos);
  EXPECT_EQ(Run({"--resv", dir.File("none.dic"), dir.File("Demo.vbp")}), 1);
  EXPECT_NE(err.find("は開けません"), std::string::npos);
}

TEST_F(BatchToolTest, AMissingDefaultDictionaryIsReportedAndTheAnalysisGoesOn) {
  std::filesystem::remove(dir.File("bin/resv.dic"));
  ASSERT_EQ(Run({dir.File("Demo.vbp")}), 0);
  EXPECT_EQ(err.rfind("ﾌｧｲﾙ " + dir.File("bin/resv.dic") + " は開けません\n", 0), 0u);
}

TEST_F(BatchToolTest, BadOptionsExitWithTwoAndUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--form", "X", "p.vbp"},
                                               {"--bogus", "p.vbp"},
                                               {"a.vbp", "b.vbp"},
                                               {"p.vbp", "--output"}}) {
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(err.find("usage: tarnel-xref"), std::string::npos);
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out.str(), kBatchToolUsage);
}

}  // namespace
}  // namespace tarnel
