#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace tarnel {
namespace {

TEST(CodePageTest, ConvertsJapaneseBothWays) {
  const std::string cp932 = "\x95\x57\x8f\x80\xd3\xbc\xde\xad\xb0\xd9";  // 標準ﾓｼﾞｭｰﾙ
  EXPECT_EQ(Cp932ToUtf8(cp932), "標準ﾓｼﾞｭｰﾙ");
  EXPECT_EQ(Utf8ToCp932("標準ﾓｼﾞｭｰﾙ"), cp932);
  EXPECT_EQ(Utf8ToCp932("→←"), "\x81\xa8\x81\xa9");
  EXPECT_EQ(Cp932ToUtf8("\\"), "\\");
}

TEST(CodePageTest, InvalidBytesSurviveTheRoundTrip) {
  const std::string bytes = std::string("ok \x81\x20 \xa0\xfd\xff end \x82", 15);
  std::string utf8 = Cp932ToUtf8(bytes);
  EXPECT_EQ(Utf8ToCp932(utf8), bytes);
}

TEST(CodePageTest, CharactersWithoutACodePage932FormBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
  EXPECT_FALSE(RepresentableInCp932("😀"));
  EXPECT_TRUE(RepresentableInCp932("表示"));
}

}  // namespace
}  // namespace tarnel
