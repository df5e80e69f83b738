#include <gtest/gtest.h>

#include "analysis/ResultTree.h"
#include "platform/Errors.h"
#include "reports/JsonExport.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

// Two modules whose procedures are recorded in an order that key order changes: the forms pass
// records the form's group and module after the standard module's procedures.
class JsonExportTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Form=F.frm", "Module=M; M.bas"});
    Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Show", "End Sub"});
    Lines("F.frm", {"Attribute VB_Name = \"F\"", "Sub Show()", "End Sub"});
    Analyze();
  }
  std::string Json() const {
    StringByteSink out;
    WriteSymbolsJson(out, ctx.Result.SymbolList);
    return out.Text;
  }
};

TEST_F(JsonExportTest, RecordsComeInRecordingOrderEvenAfterTheTreeSortedTheList) {
  const std::string before = Json();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  ASSERT_TRUE(ctx.Result.SymbolList.InKeyOrder());
  EXPECT_EQ(Json(), before);
  // The standard module (first pass) comes before the form in recording order.
  EXPECT_LT(before.find("\"FullName\": \"M.Main\""), before.find("\"FullName\": \"F.Show\""));
}

// Code page 932 text is converted, ASCII goes in as it is, quotes are escaped, numbers are
// written in full.
TEST_F(JsonExportTest, TextIsConvertedAndEscapedAndNumbersWrittenInFull) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  // One written line holding them all: its CR LF pairs make them separate lines of the file.
  std::string text = "Attribute VB_Name = \"\x95\x5c\"\r\nSub Say(s = \"q\")\r\n";
  for (int i = 0; i < 12345; ++i) text += "'\r\n";
  text += "End Sub";
  Lines("M.bas", {text});
  Analyze();
  const std::string json = Json();
  EXPECT_NE(json.find("\"FullName\": \"\xe8\xa1\xa8.Say\", \"Key\": \"4-0001\", \"ParentKey\": "
                      "\"3-0001\", \"Scope\": \"G\", \"Kind\": 11, \"Text\": \"Sub Say(s = "
                      "\\\"q\\\")\", \"StartLine\": 2, \"BodyLines\": 12345, \"Calls\": []"),
            std::string::npos)
      << json;
}

// Key lists of every length: none, one, and more than go into the writer's block at once.
TEST_F(JsonExportTest, KeyListsOfEveryLengthAreWrittenWhole) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  std::string text = "Attribute VB_Name = \"M\"\r\nSub Target()\r\nEnd Sub\r\n";
  std::string expected = "\"CalledBy\": [";
  for (int i = 1; i <= 150; ++i) {
    text += "Sub Caller" + std::to_string(i) + "()\r\n    Target\r\nEnd Sub\r\n";
    if (i > 1) expected += ", ";
    expected += "\"" + FormatKey(4, i + 1) + "\"";
  }
  expected += "]";
  dir.Write("M.bas", text);
  Analyze();
  const std::string json = Json();
  EXPECT_NE(json.find("\"FullName\": \"M.Target\""), std::string::npos);
  EXPECT_NE(json.find(expected), std::string::npos) << json.substr(0, 2000);
  EXPECT_NE(json.find("\"Calls\": [\"4-0001\"], \"CalledBy\": []"), std::string::npos);
}

TEST_F(JsonExportTest, RecordedWalksAdditionOrderWhileAtWalksKeyOrder) {
  std::vector<std::string> recorded;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i)
    recorded.push_back(ctx.Result.SymbolList.Recorded(i).Key);
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  std::vector<std::string> after;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i)
    after.push_back(ctx.Result.SymbolList.Recorded(i).Key);
  EXPECT_EQ(after, recorded);
  EXPECT_NE(ListKeys(), recorded);
  EXPECT_THROW(ctx.Result.SymbolList.Recorded(ctx.Result.SymbolList.Count()), ListIndexError);
}

}  // namespace
}  // namespace tarnel
