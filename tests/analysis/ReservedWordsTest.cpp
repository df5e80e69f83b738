#include <gtest/gtest.h>

#include "analysis/Analysis.h"
#include "analysis/ReservedWords.h"
#include "platform/Errors.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using Words = std::vector<std::string>;

Words Load(std::string_view content) {
  ReservedWordList list;
  list.LoadFromBytes(content);
  return list.Words();
}

TEST(ReservedWordsTest, AnyLineEndSplitsAndTheLastLineNeedsNone) {
  EXPECT_EQ(Load("If\r\nSub\r\nCall\r\n"), (Words{"If", "Sub", "Call"}));
  EXPECT_EQ(Load("If\nSub\nCall"), (Words{"If", "Sub", "Call"}));
  EXPECT_EQ(Load("If\rSub\rCall\r"), (Words{"If", "Sub", "Call"}));
  EXPECT_EQ(Load(""), Words{});
}

TEST(ReservedWordsTest, EmptyLinesAndBlanksAreKeptAndNulEndsTheContent) {
  EXPECT_EQ(Load("If\r\n\r\nThen\r\n"), (Words{"If", "", "Then"}));
  EXPECT_EQ(Load("If\r\n\r\n"), (Words{"If", ""}));
  EXPECT_EQ(Load(" Call\t\r\n"), (Words{" Call\t"}));
  EXPECT_EQ(Load(std::string("A\r\nB\0C\r\nD", 9)), (Words{"A", "B"}));
}

TEST(ReservedWordsTest, MembershipIsExact) {
  ReservedWordList list;
  list.LoadFromBytes("Call \r\nIf\r\n\r\n");
  EXPECT_FALSE(list.Contains("Call"));
  EXPECT_TRUE(list.Contains("Call "));
  EXPECT_TRUE(list.Contains("If"));
  EXPECT_FALSE(list.Contains("IF"));
  EXPECT_FALSE(list.Contains("if"));
  EXPECT_TRUE(list.Contains(""));
}

TEST(ReservedWordsTest, AMissingDictionaryFailsWithItsPathAndLeavesTheListAsItWas) {
  test::TempDir dir;
  test::RecordingHost host;
  AnalysisContext ctx(host);
  try {
    LoadReservedWords(ctx.Options, dir.File("resv.dic"));
    FAIL();
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + dir.File("resv.dic") + " は開けません");
  }
  EXPECT_TRUE(ctx.Options.ReservedWords.Words().empty());
  LoadReservedWords(ctx.Options, dir.Write("resv.dic", "Call\r\nIf\r\n"));
  EXPECT_EQ(ctx.Options.ReservedWords.Words(), (Words{"Call", "If"}));
}

TEST(ReservedWordsTest, TheBundledDictionaryHoldsTheCommonWords) {
  test::RecordingHost host;
  AnalysisContext ctx(host);
  LoadReservedWords(ctx.Options, test::SourcePath("data/resv.dic"));
  for (auto word : {"If", "Then", "Call", "Dim", "MsgBox", "Left$", "True"}) {
    EXPECT_TRUE(ctx.Options.ReservedWords.Contains(word)) << word;
  }
  EXPECT_FALSE(ctx.Options.ReservedWords.Contains(""));
}

}  // namespace
}  // namespace tarnel
