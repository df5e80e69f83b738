#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/ByProcedureKey.h"
#include "analysis/Symbol.h"

namespace tarnel {
namespace {

TEST(ByProcedureKeyTest, KeysAsTheAnalysisWritesThemStandByTheirNumber) {
  EXPECT_EQ(ProcedureKeyIndex(FormatKey(4, 1)), 0u);
  EXPECT_EQ(ProcedureKeyIndex(FormatKey(4, 12)), 11u);
  EXPECT_EQ(ProcedureKeyIndex(FormatKey(4, 12345)), 12344u);
  EXPECT_EQ(ProcedureKeyIndex(FormatKey(4, 99999999)), 99999998u);
  // Anything else is not a procedure number: another level, no number, a number written in
  // another way, or one that cannot have been given.
  for (std::string_view key :
       {"", "4-", "3-0001", "4-12", "4-01234", "4-0000", "4-12a4", "40-0001", "4-123456789"}) {
    EXPECT_EQ(ProcedureKeyIndex(key), std::nullopt) << key;
  }
}

TEST(ByProcedureKeyTest, BehavesAsAMapOfKeysWhateverTheirForm) {
  ByProcedureKey<std::vector<int>> table;
  EXPECT_TRUE(table.empty());
  table.reserve(10);
  EXPECT_TRUE(table.empty());  // room is not an entry
  EXPECT_EQ(table.find("4-0003"), table.end());

  table["4-0003"].push_back(3);
  table["4-12"].push_back(12);  // kept apart from "4-0012"
  table["4-0012"].push_back(120);
  table["4-0040"];  // an entry with an empty value is still an entry
  ASSERT_NE(table.find("4-0003"), table.end());
  EXPECT_EQ(table.find("4-0003")->second, (std::vector<int>{3}));
  EXPECT_EQ(table.find("4-12")->second, (std::vector<int>{12}));
  EXPECT_EQ(table.at("4-0012"), (std::vector<int>{120}));
  EXPECT_NE(table.find("4-0040"), table.end());
  EXPECT_EQ(table.find("4-0004"), table.end());
  EXPECT_EQ(table.size(), 4u);

  table.erase("4-0003");
  table.erase("4-12");
  table.erase("4-9999");  // absent: nothing happens
  EXPECT_EQ(table.find("4-0003"), table.end());
  EXPECT_EQ(table.find("4-12"), table.end());
  EXPECT_EQ(table.size(), 2u);
  // Made again after erasing, it starts empty.
  EXPECT_TRUE(table["4-0003"].empty());
  EXPECT_THROW(table.at("4-0005"), std::out_of_range);

  const auto& constant = table;
  EXPECT_NE(constant.find("4-0012"), constant.end());
  table.clear();
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(constant.find("4-0012"), constant.end());
}

TEST(ByProcedureKeyTest, RenumberingMovesEntriesFromAPlaceOnAndDropsTheGone) {
  constexpr std::uint32_t kGone = 0xFFFFFFFFu;
  ByProcedureKey<std::vector<int>> table;
  for (int n = 1; n <= 5; ++n) table[FormatKey(4, n)].push_back(n);
  table["4-7"].push_back(70);  // not a number the analysis gives: untouched
  // Procedure 3 is gone and one is added before the old 4: 4 and 5 move two places on.
  const std::vector<std::uint32_t> to = {0, 1, kGone, 4, 5};
  table.Renumber(2, to, kGone);
  EXPECT_EQ(table.at(FormatKey(4, 1)), (std::vector<int>{1}));
  EXPECT_EQ(table.at(FormatKey(4, 2)), (std::vector<int>{2}));
  EXPECT_EQ(table.find(FormatKey(4, 3)), table.end());
  EXPECT_EQ(table.find(FormatKey(4, 4)), table.end());
  EXPECT_EQ(table.at(FormatKey(4, 5)), (std::vector<int>{4}));
  EXPECT_EQ(table.at(FormatKey(4, 6)), (std::vector<int>{5}));
  EXPECT_EQ(table.at("4-7"), (std::vector<int>{70}));
  EXPECT_EQ(table.size(), 5u);

  // Moving back onto lower places, and an entry past what `to` covers, dropped.
  table[FormatKey(4, 9)].push_back(9);
  table.Renumber(4, {0, 1, 2, 3, 4, 3, kGone, kGone}, kGone);
  EXPECT_EQ(table.at(FormatKey(4, 4)), (std::vector<int>{5}));
  EXPECT_EQ(table.at(FormatKey(4, 5)), (std::vector<int>{4}));
  EXPECT_EQ(table.find(FormatKey(4, 6)), table.end());
  EXPECT_EQ(table.find(FormatKey(4, 9)), table.end());
  EXPECT_EQ(table.size(), 5u);
}

}  // namespace
}  // namespace tarnel
