#include <gtest/gtest.h>

#include "reports/ExportText.h"

namespace tarnel {
namespace {

TEST(ExportTextTest, Utf8CheckRejectsTruncatedOverlongAndSurrogateForms) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain/path.bas"));
  EXPECT_TRUE(IsValidUtf8("モジュール.bas"));
  EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x98\x80"));   // four bytes
  EXPECT_FALSE(IsValidUtf8("\xe3\x83"));          // cut at the end
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\x83\x82\x83\x57"));  // code page 932
}

TEST(ExportTextTest, NativeNamesInCodePage932BecomeUtf8) {
  EXPECT_EQ(NativeToUtf8("\x83\x82\x83\x57\x83\x85\x81\x5b\x83\x8b.bas"), "モジュール.bas");
  EXPECT_EQ(NativeToUtf8("モジュール.bas"), "モジュール.bas");
}

TEST(ExportTextTest, JsonStringsEscapeQuotesBackslashesAndControlCharacters) {
  std::string out = "x";
  AppendJsonString(out, "a\"b\\c\td\r\n\x01表");
  EXPECT_EQ(out, "x\"a\\\"b\\\\c\\td\\r\\n\\u0001表\"");
}

TEST(ExportTextTest, JsonEscapesAtTheEdgesAndSideBySideKeepTheTextAroundThem) {
  std::string out;
  AppendJsonString(out, "\"\x1f\\\\x\x7f\xe8\xa1\xa8\n");
  EXPECT_EQ(out, "\"\\\"\\u001f\\\\\\\\x\x7f\xe8\xa1\xa8\\n\"");
  out.clear();
  AppendJsonString(out, "");
  AppendJsonString(out, std::string_view("a\0b", 3));
  EXPECT_EQ(out, "\"\"\"a\\u0000b\"");
}

TEST(ExportTextTest, CsvFieldsAreQuotedOnlyWhenTheyHoldACommaAQuoteOrALineEnd) {
  std::string out;
  for (const char* field : {"plain", "a,b", "say \"hi\"", "two\r\nlines", "表"}) {
    AppendCsvField(out, field);
    out += '|';
  }
  EXPECT_EQ(out, "plain|\"a,b\"|\"say \"\"hi\"\"\"|\"two\r\nlines\"|表|");
}

}  // namespace
}  // namespace tarnel
