#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "analysis/ProcedureKey.h"
#include "analysis/Symbol.h"

namespace tarnel {
namespace {

static_assert(sizeof(ProcedureKey) == 4, "a link is kept as its number alone");

// Level, dash, and the number with at least four digits, as "%d-%.4ld" writes them; also the
// values no analysis gives (a negative number, a level of two digits).
TEST(ProcedureKeyTest, FormatKeyWritesWhatThePrintfFormatWrites) {
  for (int level : {0, 2, 3, 4, 9, 10, -1}) {
    for (long number : {0L, 1L, 7L, 42L, 999L, 1000L, 9999L, 10000L, 123456789L,
                        9223372036854775807L, -1L, -12345L}) {
      char expected[48];
      std::snprintf(expected, sizeof expected, "%d-%.4ld", level, number);
      EXPECT_EQ(FormatKey(level, number), expected) << level << " " << number;
    }
  }
}

// The text is the key the analysis gives the procedure: every digit count, the padding, the
// 10-byte cut past eight digits and the largest number.
TEST(ProcedureKeyTest, TextIsTheKeyTheAnalysisWrites) {
  for (std::uint32_t number : {0u, 1u, 9u, 12u, 999u, 1000u, 9999u, 10000u, 12345u, 99999999u,
                               100000000u, 123456789u, 4294967295u}) {
    const std::string expected = RecordKey(FormatKey(4, number)).Str();
    const ProcedureKey key(number);
    EXPECT_EQ(key.Text(), expected);
    EXPECT_EQ(std::string(key), expected);
    char buffer[ProcedureKey::kMaxText];
    EXPECT_EQ(key.FormatTo(buffer), expected);
    EXPECT_TRUE(key == expected);
  }
}

TEST(ProcedureKeyTest, ReadsKeyTextBackToTheSameKey) {
  for (const char* text : {"4-0001", "4-0012", "4-9999", "4-10000", "4-99999999"}) {
    const ProcedureKey key{std::string_view(text)};
    EXPECT_EQ(key.Text(), text);
    EXPECT_EQ(key, ProcedureKey(key.Number()));
  }
  EXPECT_EQ(ProcedureKey(std::string_view("4-0012")).Number(), 12u);
  // Text that no procedure number gives cannot stand for a link.
  for (const char* text :
       {"", "stale", "3-0001", "4-12", "4-00ab", "4-01234", "4-0000", "4-123456789", "4-0012 "}) {
    EXPECT_THROW(ProcedureKey{std::string_view(text)}, std::invalid_argument) << text;
  }
}

TEST(ProcedureKeyTest, EqualsOnlyItsOwnTextByteForByte) {
  const ProcedureKey key(12);
  EXPECT_TRUE(key == "4-0012");
  EXPECT_FALSE(key == "4-12");
  EXPECT_FALSE(key == "4-0012 ");
  EXPECT_FALSE(key == "4-0013");
  EXPECT_FALSE(key == "");
  EXPECT_NE(key, ProcedureKey(13));
}

}  // namespace
}  // namespace tarnel
