#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "analysis/TokenTable.h"

namespace tarnel {
namespace {

// Procedure records by name and full name, in recording order.
struct Procedures {
  void Add(std::string name, std::string fullName) {
    TPassRec& record = Records.emplace_back();
    record.Name = std::move(name);
    record.FullName = std::move(fullName);
    List.push_back(&record);
  }
  std::deque<TPassRec> Records;
  std::vector<TPassRec*> List;
};

class TokenTableTest : public ::testing::Test {
 protected:
  TokenTableTest() {
    // Names of every length around the eight-byte steps, and some with double-byte letters.
    for (const char* name : {"Go", "Refresh", "RefreshX", "RefreshAll", "CalculateMonthlyTotals",
                             "\x82\x60\x82\x61", "Total\x82\x60Sum"}) {
      procedures.Add(name, std::string("M.") + name);
    }
    reserved.LoadFromBytes("If\r\nrefresh\r\n");
  }
  TokenTable::Meaning Look(std::string_view token) {
    if (!table) table.emplace(procedures.List, reserved);
    return table->Look(token, scratch);
  }
  Procedures procedures;
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
// stands (a name may read like another's full name); a reserved word that no procedure bears
// names nothing.
TEST(TokenTablePrecedenceTest, FullNamesWinAndTheFirstOfEqualTextsCounts) {
  Procedures procedures;
  procedures.Add("Dup", "M.Dup");
  procedures.Add("X.Y", "M.Solo");
  procedures.Add("dup", "x.y");
  procedures.Add("Solo", "N.Solo");
  ReservedWordList reserved;
  reserved.LoadFromBytes("Dup\r\nEnd\r\nEND\r\n");
  TokenTable table(procedures.List, reserved);
  std::string scratch;
  EXPECT_EQ(table.Look("DUP", scratch).Callee, 0);
  EXPECT_TRUE(table.Look("Dup", scratch).Reserved);
  EXPECT_EQ(table.Look("Dup", scratch).Callee, 0);
  EXPECT_EQ(table.Look("X.Y", scratch).Callee, 2);  // the full name x.y, of the third procedure
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
