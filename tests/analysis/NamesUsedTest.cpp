#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/NamesUsed.h"
#include "analysis/VbLexer.h"
#include "platform/ByteText.h"

namespace tarnel {
namespace {

VbStatement StatementOf(const std::vector<VbToken>& tokens) {
  VbStatement statement;
  statement.Tokens = tokens;
  return statement;
}

std::vector<std::uint64_t> HashesOf(std::initializer_list<std::string_view> folded) {
  std::vector<std::uint64_t> hashes;
  for (std::string_view name : folded) hashes.push_back(NameHash(name));
  std::sort(hashes.begin(), hashes.end());
  return hashes;
}

// A name is noted once, by the hash of its fold without type character or brackets; other tokens
// are not names.
TEST(NamesUsedTest, NotesEachFoldedNameOnce) {
  const std::vector<VbToken> tokens = {
      {"Total$", 1, TokenKind::Identifier},      {"=", 1, TokenKind::Operator},
      {"[TOTAL]", 1, TokenKind::Identifier},     {"\"Name\"", 1, TokenKind::String},
      {"Sum", 1, TokenKind::Identifier},         {"12", 1, TokenKind::Number},
      {"\x82\x60Name", 1, TokenKind::Identifier}};
  NamesUsed names;
  names.Note(StatementOf(tokens));
  names.Note(StatementOf(tokens));
  EXPECT_EQ(names.Take(), HashesOf({"total", "sum", FoldCase("\x82\x60NAME")}));
  EXPECT_TRUE(names.Take().empty());  // taking starts afresh
}

// Far more names than the first table holds, each used many times.
TEST(NamesUsedTest, ManyNamesAreAllKept) {
  std::vector<std::string> texts;
  for (int i = 0; i < 5000; ++i) texts.push_back("Name" + std::to_string(i));
  std::vector<VbToken> tokens;
  for (const std::string& text : texts) tokens.push_back({text, 1, TokenKind::Identifier});
  NamesUsed names;
  for (int round = 0; round < 3; ++round) names.Note(StatementOf(tokens));
  std::vector<std::uint64_t> expected;
  for (const std::string& text : texts) expected.push_back(NameHash(FoldCase(text)));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names.Take(), expected);
}

}  // namespace
}  // namespace tarnel
