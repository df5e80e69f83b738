#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/NameIndex.h"

namespace tarnel {
namespace {

class NameIndexTest : public ::testing::Test {
 protected:
  NameIndexTest() {
    for (int i = 0; i < 6; ++i) records[i].Name = "r" + std::to_string(i);
    // Texts on both sides of the eight-byte steps and of a short string's room.
    index.Append("Main", &records[0]);
    index.Append("CalculateMonthlyTotalsForAll", &records[1]);
    index.Append("MAIN", &records[2]);
    index.Append("Other", &records[3]);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < index.Count(); ++i) texts.emplace_back(index.TextAt(i));
    return texts;
  }
  TPassRec records[6];
  NameIndex index;
};

TEST_F(NameIndexTest, FindsTheFirstEntryOfATextWithoutRegardToCase) {
  EXPECT_EQ(index.IndexOf("main"), 0);
  EXPECT_EQ(index.Find("MAIN"), &records[0]);
  EXPECT_EQ(index.IndexOf("calculatemonthlytotalsforall"), 1);
  EXPECT_EQ(index.IndexOf("Mai"), -1);
  EXPECT_EQ(index.Find("Nothing"), nullptr);
  // Entries appended after a lookup are found too.
  index.Append("Late", &records[4]);
  EXPECT_EQ(index.IndexOf("LATE"), 4);
}

TEST_F(NameIndexTest, SpliceReplacesEntriesAndTheLookupFollows) {
  EXPECT_EQ(index.IndexOf("other"), 3);
  std::vector<std::pair<std::string, TPassRec*>> replacement{
      {"Fresh", &records[4]}, {"AnotherLongProcedureName", &records[5]}};
  index.Splice(1, 2, std::move(replacement));
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Main", "Fresh", "AnotherLongProcedureName", "Other"}));
  EXPECT_EQ(index.RecordAt(2), &records[5]);
  EXPECT_EQ(index.IndexOf("other"), 3);
  EXPECT_EQ(index.IndexOf("calculatemonthlytotalsforall"), -1);
  EXPECT_EQ(index.Find("fresh"), &records[4]);
  // Removing only, and adding at the end.
  index.Splice(0, 1, {});
  index.Splice(3, 0, {{"Tail", &records[0]}});
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Fresh", "AnotherLongProcedureName", "Other", "Tail"}));
  EXPECT_EQ(index.IndexOf("main"), -1);
  EXPECT_EQ(index.IndexOf("tail"), 3);
}

TEST_F(NameIndexTest, ForgettingTheRecordsKeepsTheTexts) {
  index.ForgetRecords();
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Main", "CalculateMonthlyTotalsForAll", "MAIN", "Other"}));
  EXPECT_EQ(index.IndexOf("other"), 3);
  EXPECT_EQ(index.Find("other"), nullptr);
  index.Clear();
  EXPECT_EQ(index.Count(), 0);
  EXPECT_EQ(index.IndexOf("main"), -1);
}

}  // namespace
}  // namespace tarnel
