#include <gtest/gtest.h>

#include "platform/SourceText.h"

namespace tarnel {
namespace {

// Files with one short non-ASCII word, as they come from Japanese and Western machines.
const std::string kJapaneseCaption = "   Caption = \"\x91\xec\x8b\x85\"\r\n";         // 卓球
const std::string kJapaneseBackslash = "' \x95\x5c\x8e\xa6\r\nx = \"\x83\x5c\"\r\n";  // 表示, ソ
const std::string kHalfWidthKana = "MsgBox \"\xc3\xbd\xc4\"\r\n";                     // ﾃｽﾄ
const std::string kSpanish = "' C\xe1lculo del a\xf1o\r\n";               // Cálculo, año
const std::string kSpanishOne = "Sub Calcular()\r\n' est\xe1 listo\r\n";  // está
const std::string kFrench =
    "' Pr\xe9"
    "f\xe9rences\r\n";  // Préférences
const std::string kFrenchCapital =
    "' \xc9"
    "cole\r\n";  // École
const std::string kGerman =
    "Sub Gr\xf6\xdf"
    "e()\r\n";  // Größe

TEST(SourceTextTest, GuessesTheCodePageOfShortJapaneseAndWesternTexts) {
  EXPECT_EQ(GuessLegacyCodePage(kJapaneseCaption), SourceEncoding::Cp932);
  EXPECT_EQ(GuessLegacyCodePage(kJapaneseBackslash), SourceEncoding::Cp932);
  EXPECT_EQ(GuessLegacyCodePage(kHalfWidthKana), SourceEncoding::Cp932);
  EXPECT_EQ(GuessLegacyCodePage(kSpanish), SourceEncoding::Cp1252);
  EXPECT_EQ(GuessLegacyCodePage(kSpanishOne), SourceEncoding::Cp1252);
  EXPECT_EQ(GuessLegacyCodePage(kFrench), SourceEncoding::Cp1252);
  EXPECT_EQ(GuessLegacyCodePage(kFrenchCapital), SourceEncoding::Cp1252);
  EXPECT_EQ(GuessLegacyCodePage(kGerman), SourceEncoding::Cp1252);
  EXPECT_EQ(GuessLegacyCodePage("Sub Main()\r\n"), std::nullopt);
}

TEST(SourceTextTest, Utf8ValidityRejectsLegacyBytesAndMalformedForms) {
  EXPECT_TRUE(
      IsValidUtf8("Gr\xc3\xb6\xc3\x9f"
                  "e \xe5\x8d\x93\xe7\x90\x83 \xf0\x9f\x98\x80"));
  EXPECT_FALSE(IsValidUtf8(kSpanish));
  EXPECT_FALSE(IsValidUtf8(kJapaneseCaption));
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xe5\x8d"));      // cut short
  // The same after long plain runs, which are passed over a block at a time.
  const std::string run(40, 'a');
  EXPECT_TRUE(IsValidUtf8(run + "\xc3\xb6" + run + "\xf0\x9f\x98\x80" + run));
  EXPECT_FALSE(IsValidUtf8(run + "\xc3\xb6" + run + "\xc0\xaf"));
  EXPECT_FALSE(IsValidUtf8(run + "\xe5\x8d"));
}

TEST(SourceTextTest, DecodesCodePage1252IncludingItsPunctuationRow) {
  EXPECT_EQ(Cp1252ToUtf8("Gr\xf6\xdf"
                         "e \x80 \x93x\x94 \x81"),
            "Gr\xc3\xb6\xc3\x9f"
            "e \xe2\x82\xac \xe2\x80\x9cx\xe2\x80\x9d \xc2\x81");
  EXPECT_EQ(DecodeToUtf8("\x91\xec\x8b\x85", SourceEncoding::Cp932), "\xe5\x8d\x93\xe7\x90\x83");
  // Long plain runs between the accented letters are copied as they stand.
  const std::string run(37, 'x');
  EXPECT_EQ(Cp1252ToUtf8(run + "\xe9" + run + "\x80\xe9" + run),
            run + "\xc3\xa9" + run + "\xe2\x82\xac\xc3\xa9" + run);
  EXPECT_EQ(ParseSourceEncoding(" utf-8 "), SourceEncoding::Utf8);
  EXPECT_EQ(ParseSourceEncoding("AUTO"), SourceEncoding::Auto);
  EXPECT_EQ(ParseSourceEncoding("1252"), SourceEncoding::Cp1252);
  EXPECT_EQ(ParseSourceEncoding("latin1"), std::nullopt);
}

}  // namespace
}  // namespace tarnel
