#include <gtest/gtest.h>

#include <optional>

#include "analysis/TokenTable.h"

namespace tarnel {
namespace {

class TokenTableTest : public ::testing::Test {
 protected:
  TokenTableTest() {
    // Names of every length around the eight-byte steps, and some with double-byte letters.
    for (const char* name : {"Go", "Refresh", "RefreshX", "RefreshAll", "CalculateMonthlyTotals",
                             "\x82\x60\x82\x61", "Total\x82\x60Sum"}) {
      names.Append(name, nullptr);
      fullNames.Append(std::string("M.") + name, nullptr);
    }
    reserved.LoadFromBytes("If\r\nrefresh\r\n");
  }
  TokenTable::Meaning Look(std::string_view token) {
    if (!table) table.emplace(names, fullNames, reserved);
    return table->Look(token, scratch);
  }
  NameIndex names, fullNames;
  ReservedWordList reserved;
  std::optional<TokenTable> table;
  std::string scratch;
};

TEST_F(TokenTableTest, FindsNamesWithoutRegardToCaseAtEveryLength) {
  EXPECT_EQ(Look("GO").Callee, 0);
  EXPECT_EQ(Look("refreshx").Callee, 2);
  EXPECT_EQ(Look("REFRESHALL").Callee, 3);
  EXPECT_EQ(Look("calculatemonthlytotals").Callee, 4);
  EXPECT_EQ(Look("calculatemonthlytotal").Callee, -1);
  EXPECT_EQ(Look("Refresh_").Callee, -1);
  // Full-width A and B in either case; a double-byte letter past the first eight bytes.
  EXPECT_EQ(Look("\x82\x81\x82\x82").Callee, 5);
  EXPECT_EQ(Look("TOTAL\x82\x81sum").Callee, 6);
  EXPECT_EQ(Look("m.refreshall").Callee, 3);
  EXPECT_EQ(Look("").Callee, -1);
}

TEST_F(TokenTableTest, ReservedWordsMatchExactlyAndStillNameTheirProcedure) {
  EXPECT_TRUE(Look("If").Reserved);
  EXPECT_FALSE(Look("IF").Reserved);
  TokenTable::Meaning refresh = Look("refresh");
  EXPECT_TRUE(refresh.Reserved);
  EXPECT_EQ(refresh.Callee, 1);
  EXPECT_FALSE(Look("Refresh").Reserved);
}

// The first of equal texts counts, and a full name over a name of the same text wherever each
// stands; a reserved word that no procedure bears names nothing.
TEST(TokenTablePrecedenceTest, FullNamesWinAndTheFirstOfEqualTextsCounts) {
  NameIndex names, fullNames;
  for (const char* name : {"Dup", "X.Y", "dup", "Solo"}) names.Append(name, nullptr);
  for (const char* name : {"M.Dup", "M.Solo", "x.y", "N.Solo"}) fullNames.Append(name, nullptr);
  ReservedWordList reserved;
  reserved.LoadFromBytes("Dup\r\nEnd\r\nEND\r\n");
  TokenTable table(names, fullNames, reserved);
  std::string scratch;
  EXPECT_EQ(table.Look("DUP", scratch).Callee, 0);
  EXPECT_TRUE(table.Look("Dup", scratch).Reserved);
  EXPECT_EQ(table.Look("Dup", scratch).Callee, 0);
  EXPECT_EQ(table.Look("X.Y", scratch).Callee, 2);  // the full name x.y, third of its index
  EXPECT_EQ(table.Look("m.solo", scratch).Callee, 1);
  EXPECT_EQ(table.Look("SOLO", scratch).Callee, 3);
  const TokenTable::Meaning end = table.Look("END", scratch);
  EXPECT_TRUE(end.Reserved);
  EXPECT_EQ(end.Callee, -1);
  EXPECT_TRUE(table.Look("End", scratch).Reserved);
  EXPECT_FALSE(table.Look("end", scratch).Reserved);
  EXPECT_TRUE(table.Look("end", scratch).ReservedAnyCase);
}

}  // namespace
}  // namespace tarnel
