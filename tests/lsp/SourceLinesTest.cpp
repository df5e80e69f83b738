#include <gtest/gtest.h>

#include "lsp/SourceLines.h"
#include "lsp/Uri.h"
#include "platform/ByteText.h"

namespace tarnel {
namespace {

TEST(SourceLinesTest, CutsAtEveryLineEnd) {
  SourceLines lines("a\r\nb\rc\nd");
  ASSERT_EQ(lines.Count(), 4);
  EXPECT_EQ(lines.Line(1), "b");
  EXPECT_EQ(lines.Line(3), "d");
  EXPECT_EQ(lines.Line(4), "");
  EXPECT_EQ(lines.Line(-1), "");
}

// Every text of up to eight bytes of "a", CR and LF: the lines are those that the reader of
// module files cuts, empty ones and a last one without a line end included.
TEST(SourceLinesTest, CutsEveryTextAsTheFileReaderDoes) {
  const char bytes[] = {'a', '\r', '\n'};
  for (int length = 0; length <= 8; ++length) {
    int texts = 1;
    for (int k = 0; k < length; ++k) texts *= 3;
    for (int n = 0; n < texts; ++n) {
      std::string text;
      for (int k = 0, rest = n; k < length; ++k, rest /= 3) text += bytes[rest % 3];
      const std::vector<std::string_view> expected = SplitLines(text);
      const SourceLines lines(text);
      ASSERT_EQ(lines.Count(), static_cast<int>(expected.size())) << testing::PrintToString(text);
      for (int i = 0; i < lines.Count(); ++i) {
        ASSERT_EQ(lines.Line(i), expected[static_cast<std::size_t>(i)])
            << testing::PrintToString(text) << " line " << i;
      }
    }
  }
}

TEST(SourceLinesTest, CountsUtf16UnitsBothWays) {
  // "表" is 3 bytes and one unit; "𝄞" 4 bytes and two units.
  const std::string line =
      "a\xe8\xa1\xa8"
      "b\xf0\x9d\x84\x9e"
      "c";
  EXPECT_EQ(SourceLines::Utf16Column(line, 4), 2);
  EXPECT_EQ(SourceLines::Utf16Column(line, 9), 5);
  EXPECT_EQ(SourceLines::ByteOffset(line, 5), 9u);
  EXPECT_EQ(SourceLines::ByteOffset(line, 4), 5u);  // inside the pair: the character's start
  EXPECT_EQ(SourceLines::ByteOffset(line, 99), line.size());
  EXPECT_EQ(SourceLines::ByteOffset(line, -3), 0u);
  // Bytes that start no character count one each, and never run past the line.
  EXPECT_EQ(SourceLines::Utf16Column("\xff\xe8\xa1", 3), 3);
  EXPECT_EQ(SourceLines::Utf16Column("ab", 50), 2);
}

// An editor's positions in a whole text: lines ended three ways, columns in UTF-16 units that
// stop at the line's end, and lines past the last one at the end of the text.
TEST(SourceLinesTest, FindsEditorPositionsInAWholeText) {
  const std::string text = "ab\r\n\xe8\xa1\xa8\xf0\x9d\x84\x9ez\rc\n\r\nlast";
  EXPECT_EQ(TextOffset(text, 0, 0), 0u);
  EXPECT_EQ(TextOffset(text, 0, 2), 2u);
  EXPECT_EQ(TextOffset(text, 0, 9), 2u);   // past the line: before its CR LF
  EXPECT_EQ(TextOffset(text, 1, 1), 7u);   // after the three bytes of one unit
  EXPECT_EQ(TextOffset(text, 1, 3), 11u);  // after a pair of units
  EXPECT_EQ(TextOffset(text, 1, 4), 12u);  // before the CR alone
  EXPECT_EQ(TextOffset(text, 2, 0), 13u);  // after it
  EXPECT_EQ(TextOffset(text, 3, 5), 15u);  // an empty line
  EXPECT_EQ(TextOffset(text, 4, 2), 19u);
  EXPECT_EQ(TextOffset(text, 4, 99), text.size());
  EXPECT_EQ(TextOffset(text, 5, 0), text.size());
  EXPECT_EQ(TextOffset(text, -1, -1), 0u);
  EXPECT_EQ(TextOffset("a\r\n", 1, 0), 3u);  // after the last line end
  EXPECT_EQ(TextOffset("", 0, 3), 0u);
}

TEST(SourceLinesTest, FindsTheNameUnderTheCursor) {
  const std::string line = "    x = Module1.WriteLog(n2)";
  auto [first, last] = WordAt(line, 18);
  EXPECT_EQ(line.substr(first, last - first), "WriteLog");
  std::tie(first, last) = WordAt(line, 24);  // just after the name
  EXPECT_EQ(line.substr(first, last - first), "WriteLog");
  std::tie(first, last) = WordAt(line, 6);  // on "="
  EXPECT_EQ(first, last);
  std::tie(first, last) = WordAt("x = 12", 5);  // a number
  EXPECT_EQ(first, last);
}

TEST(SourceLinesTest, FindsWholeWordsOnlyInCode) {
  EXPECT_EQ(FindWord("Tick: tick Ticker MyTick tick", "TICK"),
            (std::vector<std::size_t>{0, 6, 25}));
  EXPECT_TRUE(FindWord("Msg \"Tick\" ' Tick", "Tick").empty());
  EXPECT_EQ(FindWord("a \"\"\"x\"\"\" Tick", "Tick"), std::vector<std::size_t>{10});
  EXPECT_TRUE(FindWord("  Rem Tick", "Tick").empty());
  EXPECT_EQ(FindWord("Remove Tick", "Tick"), std::vector<std::size_t>{7});
}

TEST(UriTest, FileUrisAndPathsRoundTrip) {
  EXPECT_EQ(FileUriToPath("file:///a%20b/c%C3%A9.bas"), "/a b/c\xc3\xa9.bas");
  EXPECT_EQ(FileUriToPath("FILE://localhost/x"), "/x");
  EXPECT_EQ(FileUriToPath("http://x/y"), std::nullopt);
  EXPECT_EQ(FileUriToPath("file:///bad%2"), std::nullopt);
  EXPECT_EQ(FileUriToPath("file:///nul%00"), std::nullopt);
  EXPECT_EQ(PathToFileUri("/a b/#1.bas"), "file:///a%20b/%231.bas");
  EXPECT_EQ(FileUriToPath(PathToFileUri("/x y/\xe8\xa1\xa8.frm")), "/x y/\xe8\xa1\xa8.frm");
}

}  // namespace
}  // namespace tarnel
