#include <gtest/gtest.h>

#include "session/CallHierarchy.h"
#include "session/ProcedureSearch.h"
#include "session/SelectionHistory.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

std::vector<std::string> FullNames(const std::vector<ProcedureSearch::Match>& matches) {
  std::vector<std::string> names;
  for (const auto& m : matches) names.push_back(m.Record->FullName);
  return names;
}

class ProcedureSearchTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Module=Util; Util.bas", "Module=Data; Data.bas"});
    // "\x82\x60\x82\x61" is full-width "ＡＢ"; "\x83\x5c" ends in 0x5C, "\x83\x41" in "A".
    Lines("Util.bas",
          {"Attribute VB_Name = \"Util\"", "Sub LoadData()", "End Sub", "Sub ReloadAll()",
           "End Sub", "Sub Do_load()", "End Sub", "Sub Data()", "End Sub",
           "Sub \x82\x60\x82\x61"
           "Calc()",
           "End Sub", "Sub X\x83\x41Y()", "End Sub"});
    Lines("Data.bas", {"Attribute VB_Name = \"Data\"", "Sub Save()", "End Sub"});
    Analyze();
  }
};

TEST_F(ProcedureSearchTest, RanksPrefixThenWordStartThenSubstring) {
  ProcedureSearch search(ctx.Result.SymbolList);
  // LoadData starts with "load"; Do_load has it after "_"; ReloadAll only inside.
  EXPECT_EQ(FullNames(search.Find("LOAD", 10)),
            (test::Keys{"Util.LoadData", "Util.Do_load", "Util.ReloadAll"}));
  // A capital after a small letter starts a word: "Data" in LoadData; the procedure named Data
  // wins as a prefix match, and Data.Save matches through its module name.
  EXPECT_EQ(FullNames(search.Find("data", 10)),
            (test::Keys{"Util.Data", "Data.Save", "Util.LoadData"}));
  EXPECT_EQ(FullNames(search.Find("util.rel", 10)), (test::Keys{"Util.ReloadAll"}));
  EXPECT_EQ(FullNames(search.Find("load", 1)), (test::Keys{"Util.LoadData"}));
  EXPECT_TRUE(search.Find("", 10).empty());
  EXPECT_TRUE(search.Find("nothing", 10).empty());
}

TEST_F(ProcedureSearchTest, JapaneseTextMatchesWholeCharactersWithoutLetterCase) {
  ProcedureSearch search(ctx.Result.SymbolList);
  // Full-width "ａｂ" folds to the same as "ＡＢ".
  EXPECT_EQ(FullNames(search.Find("\x82\x81\x82\x82", 10)), (test::Keys{"Util.\x82\x60\x82\x61"
                                                                        "Calc"}));
  // "A" is the second byte of "\x83\x41", not a character of its own: X\x83\x41Y has no "a".
  auto found = FullNames(search.Find("ay", 10));
  EXPECT_TRUE(found.empty());
  // A lead byte alone never matches.
  EXPECT_TRUE(search.Find("\x83", 10).empty());
}

TEST_F(ProcedureSearchTest, RankOfOneNameServesTheTreeFilter) {
  EXPECT_EQ(ProcedureSearch::Rank("LoadData", "Util.LoadData", "data"), MatchRank::WordStart);
  EXPECT_EQ(ProcedureSearch::Rank("LoadData", "Util.LoadData", "oad"), MatchRank::Substring);
  EXPECT_EQ(ProcedureSearch::Rank("LoadData", "Util.LoadData", "zz"), MatchRank::None);
}

TEST(SelectionHistoryTest, BackAndForwardFollowTheSelectionsLikeABrowser) {
  SelectionHistory history;
  EXPECT_FALSE(history.Back());
  history.Visit("4-0001");
  history.Visit("4-0002");
  history.Visit("4-0002");  // the same again adds nothing
  history.Visit("4-0003");
  EXPECT_EQ(history.Back(), "4-0002");
  EXPECT_EQ(history.Back(), "4-0001");
  EXPECT_FALSE(history.Back());
  EXPECT_EQ(history.Forward(), "4-0002");
  // A new selection after going back drops what was ahead.
  history.Visit("4-0009");
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(history.Back(), "4-0002");
  EXPECT_EQ(history.Back(), "4-0001");
}

TEST(SelectionHistoryTest, KeepsOnlyTheNewestEntriesWithinItsCapacity) {
  SelectionHistory history(3);
  for (const char* key : {"a", "b", "c", "d"}) history.Visit(key);
  EXPECT_EQ(history.Back(), "c");
  EXPECT_EQ(history.Back(), "b");
  EXPECT_FALSE(history.Back());
  history.Clear();
  EXPECT_EQ(history.Current(), nullptr);
}

class CallHierarchyTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    // Main -> A -> B -> A (a cycle), Main -> B.
    Lines("Demo.vbp", {"Module=M; M.bas"});
    Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    A", "    B", "End Sub",
                    "Sub A()", "    B", "End Sub", "Sub B()", "    A", "End Sub"});
    Analyze();
  }
  std::vector<std::string> Names(const CallHierarchy& h, const std::vector<int>& nodes) {
    std::vector<std::string> names;
    for (int n : nodes) names.push_back(h.At(n).Record->Name + (h.At(n).Recursive ? "*" : ""));
    return names;
  }
};

TEST_F(CallHierarchyTest, CalleesOpenLazilyAndACycleIsMarkedNotOpenedAgain) {
  CallHierarchy h(ctx.Result.SymbolList, Proc("Main"), CallHierarchy::Direction::Callees);
  EXPECT_EQ(h.Count(), 1);
  const auto top = h.Expand(0);
  EXPECT_EQ(Names(h, top), (test::Keys{"A", "B"}));
  EXPECT_EQ(h.Count(), 3);  // nothing below A or B yet
  const auto belowA = h.Expand(top[0]);
  EXPECT_EQ(Names(h, belowA), (test::Keys{"B"}));
  const auto belowB = h.Expand(belowA[0]);
  EXPECT_EQ(Names(h, belowB), (test::Keys{"A*"}));  // A is already on the path
  EXPECT_FALSE(h.CanExpand(belowB[0]));
  EXPECT_TRUE(h.Expand(belowB[0]).empty());
  // Opening a node twice looks nothing up again.
  EXPECT_EQ(h.Expand(top[0]), belowA);
}

TEST_F(CallHierarchyTest, CallersGoUpTheChainToTheRoots) {
  CallHierarchy h(ctx.Result.SymbolList, Proc("B"), CallHierarchy::Direction::Callers);
  const auto top = h.Expand(0);
  EXPECT_EQ(Names(h, top), (test::Keys{"Main", "A"}));
  EXPECT_FALSE(h.CanExpand(top[0]));  // nobody calls Main
  EXPECT_EQ(Names(h, h.Expand(top[1])), (test::Keys{"Main", "B*"}));
}

}  // namespace
}  // namespace tarnel
