#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>

#include "platform/CodePage.h"

namespace tarnel {
namespace {

// The system's converter over the whole text, with each byte that starts no character as
// U+F700 + byte: what Cp932ToUtf8 must give, and whether no byte needed that.
std::string SystemCp932ToUtf8(std::string_view cp932, bool& valid) {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  std::string out;
  valid = true;
  while (!cp932.empty()) {
    char buffer[4096];
    char* in = const_cast<char*>(cp932.data());
    std::size_t inLeft = cp932.size();
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    const std::size_t rc = iconv(converter, &in, &inLeft, &to, &toLeft);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    cp932.remove_prefix(cp932.size() - inLeft);
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    AppendUtf8(0xF700 + static_cast<unsigned char>(cp932[0]), out);
    cp932.remove_prefix(1);
    valid = false;
  }
  iconv_close(converter);
  return out;
}

void ExpectSystemReading(std::string_view cp932) {
  bool valid = false;
  const std::string expected = SystemCp932ToUtf8(cp932, valid);
  ASSERT_EQ(Cp932ToUtf8(cp932), expected) << testing::PrintToString(std::string(cp932));
  ASSERT_EQ(IsValidCp932(cp932), valid) << testing::PrintToString(std::string(cp932));
}

// Every byte, every pair of bytes with some text around it, and random mixtures of ASCII, lead,
// trail and stray bytes read as the system's converter reads them.
TEST(CodePageTest, ReadsEveryByteAndPairAsTheSystemConverter) {
  for (int first = 0; first < 256; ++first) {
    const char one = static_cast<char>(first);
    ExpectSystemReading(std::string_view(&one, 1));
    for (int second = 0; second < 256; ++second) {
      const char text[4] = {static_cast<char>(first), static_cast<char>(second), 'a', '\x82'};
      ExpectSystemReading(std::string_view(text, 4));
    }
  }
  std::mt19937 random(932);
  const std::string pool = "aZ \\~\x81\x82\x9f\xe0\xfc\x40\x7e\x7f\x80\xa0\xa1\xdf\xfd\xff";
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) {
      c = random() % 3 == 0 ? static_cast<char>(random() % 256) : pool[random() % pool.size()];
    }
    ExpectSystemReading(text);
  }
}

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
