#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analysis/TokenTable.h"
#include "platform/ByteText.h"

namespace tarnel {
namespace {

// Procedure records by name and full name, in recording order. Long bodies make the table
// frozen (see TokenTable's constructor), short ones leave it open: every test runs with both.
struct Procedures {
  explicit Procedures(bool longBodies = false) : BodyLines(longBodies ? 100000 : 1) {}
  void Add(std::string name, std::string fullName) {
    TPassRec& record = Records.emplace_back();
    record.Name = std::move(name);
    record.FullName = std::move(fullName);
    record.BodyLines = BodyLines;
    List.push_back(&record);
  }
  int BodyLines;
  std::deque<TPassRec> Records;
  std::vector<TPassRec*> List;
};

class TokenTableTest : public ::testing::TestWithParam<bool> {
 protected:
  TokenTableTest() : procedures(GetParam()) {
    // Names of every length around the eight-byte steps, and some with double-byte letters.
    for (const char* name : {"Go", "Refresh", "RefreshX", "RefreshAll", "CalculateMonthlyTotals",
                             "\x82\x60\x82\x61", "Total\x82\x60Sum"}) {
      procedures.Add(name, std::string("M.") + name);
    }
    reserved.LoadFromBytes("If\r\nrefresh\r\n");
  }
  TokenTable::Meaning Look(std::string_view token) {
    if (!table) {
      table.emplace(procedures.List, reserved);
      EXPECT_EQ(table->Frozen(), GetParam());
    }
    return table->Look(token, scratch);
  }
  Procedures procedures;
  ReservedWordList reserved;
  std::optional<TokenTable> table;
  std::string scratch;
};

TEST_P(TokenTableTest, FindsNamesWithoutRegardToCaseAtEveryLength) {
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
  EXPECT_EQ(Look("M.CALCULATEMONTHLYTOTALS").Callee, 4);
  EXPECT_EQ(Look("m.calculatemonthlytotal").Callee, -1);
  EXPECT_EQ(Look("").Callee, -1);
}

TEST_P(TokenTableTest, ReservedWordsMatchExactlyAndStillNameTheirProcedure) {
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
class TokenTablePrecedenceTest : public ::testing::TestWithParam<bool> {};

TEST_P(TokenTablePrecedenceTest, FullNamesWinAndTheFirstOfEqualTextsCounts) {
  Procedures procedures(GetParam());
  procedures.Add("Dup", "M.Dup");
  procedures.Add("X.Y", "M.Solo");
  procedures.Add("dup", "x.y");
  procedures.Add("Solo", "N.Solo");
  // Dots far into a text, a full name without one, and a reserved word with one.
  procedures.Add("Print", "LongModuleName.Print");
  procedures.Add("Dotless", "NoDotAtAll");
  procedures.Add("Debug.Print", "M.Debug.Print");
  ReservedWordList reserved;
  reserved.LoadFromBytes("Dup\r\nEnd\r\nEND\r\nDebug.Print\r\n");
  TokenTable table(procedures.List, reserved);
  EXPECT_EQ(table.Frozen(), GetParam());
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
  EXPECT_EQ(table.Look("longmodulename.print", scratch).Callee, 4);
  EXPECT_EQ(table.Look("longmodulename.prin", scratch).Callee, -1);
  EXPECT_EQ(table.Look("nodotatall", scratch).Callee, 5);
  EXPECT_EQ(table.Look("Dotless", scratch).Callee, 5);
  const TokenTable::Meaning print = table.Look("Debug.Print", scratch);
  EXPECT_TRUE(print.Reserved);
  EXPECT_EQ(print.Callee, 6);
  EXPECT_FALSE(table.Look("DEBUG.PRINT", scratch).Reserved);
  EXPECT_EQ(table.Look("m.debug.print", scratch).Callee, 6);
  for (const char* text : {".", "a.", ".a", "abcdefg.", "abcdefgh.", "abcdefghijklmno.p"}) {
    EXPECT_EQ(table.Look(text, scratch).Callee, -1) << text;
  }
}

// Many reserved words, of every length around eight bytes, in several cases, some of them also
// the names of procedures: each form, written exactly or not, means all it means.
class TokenTableReservedTest : public ::testing::TestWithParam<bool> {};

TEST_P(TokenTableReservedTest, EveryFormOfEveryLengthKeepsItsWholeMeaning) {
  Procedures procedures(GetParam());
  std::string dictionary;
  std::vector<std::string> words;
  for (std::size_t length = 1; length <= 11; ++length) {
    std::string word;
    for (std::size_t i = 0; i < length; ++i) word += static_cast<char>('a' + (length + i) % 26);
    word[0] = static_cast<char>(word[0] - 32);  // "Bc", "Cde", ...
    words.push_back(word);
    dictionary += word + "\r\n";
    if (length % 2 == 0) {
      dictionary += FoldCase(word) + "\r\n";  // a second exact form
      procedures.Add(FoldCase(word), "M." + word);
    }
  }
  ReservedWordList reserved;
  reserved.LoadFromBytes(dictionary);
  TokenTable table(procedures.List, reserved);
  EXPECT_EQ(table.Frozen(), GetParam());
  std::string scratch;
  for (std::size_t n = 0; n < words.size(); ++n) {
    const std::string& word = words[n];
    const bool named = (n + 1) % 2 == 0;
    const int callee = named ? static_cast<int>(n / 2) : -1;
    std::string upper = word;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& form : {word, FoldCase(word), upper}) {
      const TokenTable::Meaning meaning = table.Look(form, scratch);
      const bool exact = form == word || (named && form == FoldCase(word));
      EXPECT_EQ(meaning.Reserved, exact) << form;
      EXPECT_TRUE(meaning.ReservedAnyCase) << form;
      EXPECT_EQ(meaning.Callee, callee) << form;
      EXPECT_TRUE(table.IsReservedFold(FoldCase(form))) << form;
    }
    EXPECT_FALSE(table.Look(word + "x", scratch).ReservedAnyCase) << word;
    EXPECT_FALSE(table.IsReservedFold(FoldCase(word + "x"))) << word;
    EXPECT_FALSE(table.IsReservedFold(word)) << word;  // not folded: no fold of a reserved word
  }
}

// Thousands of names in a frozen table, equal texts among them in every case: each text means
// what its first full name, else its first name, gives it, also where a name reads like an
// earlier procedure's full name.
TEST(TokenTableManyTest, EveryTextKeepsItsFirstMeaning) {
  Procedures procedures(true);
  for (int i = 0; i < 6000; ++i) {
    std::string name = "Proc" + std::to_string(i % 4500) + (i % 7 == 0 ? "_\x82\x60" : "");
    const std::string module = "Mod" + std::to_string(i / 100);
    if (i % 50 == 1) name = procedures.Records.back().FullName;
    procedures.Add(i % 2 == 0 ? name : FoldCase(name), module + "." + name);
  }
  std::map<std::string, int> expected;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < procedures.Records.size(); ++i) {
      const TPassRec& record = procedures.Records[i];
      expected.emplace(FoldCase(pass == 0 ? record.FullName : record.Name), static_cast<int>(i));
    }
  }
  ReservedWordList reserved;
  reserved.LoadFromBytes("Proc12\r\nDim\r\n");
  TokenTable table(procedures.List, reserved);
  ASSERT_TRUE(table.Frozen());
  std::string scratch;
  for (const auto& [text, callee] : expected) {
    ASSERT_EQ(table.Look(text, scratch).Callee, callee) << text;
    ASSERT_EQ(table.Look(text + "x", scratch).Callee, -1) << text;
  }
  EXPECT_TRUE(table.Look("Proc12", scratch).Reserved);
  EXPECT_EQ(table.Look("Proc12", scratch).Callee, 12);
  EXPECT_TRUE(table.Look("Dim", scratch).Reserved);
  EXPECT_EQ(table.Look("Dim", scratch).Callee, -1);
}

const auto kTableKinds = ::testing::Values(false, true);
const auto kTableKindName = [](const ::testing::TestParamInfo<bool>& info) {
  return std::string(info.param ? "Frozen" : "Open");
};
INSTANTIATE_TEST_SUITE_P(Tables, TokenTableTest, kTableKinds, kTableKindName);
INSTANTIATE_TEST_SUITE_P(Tables, TokenTablePrecedenceTest, kTableKinds, kTableKindName);
INSTANTIATE_TEST_SUITE_P(Tables, TokenTableReservedTest, kTableKinds, kTableKindName);

}  // namespace
}  // namespace tarnel
