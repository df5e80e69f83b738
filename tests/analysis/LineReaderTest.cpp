#include <gtest/gtest.h>

#include "analysis/AnalysisSteps.h"

namespace tarnel {
namespace {

class LineReaderTest : public ::testing::Test {
 protected:
  std::string Read(TextReader& file) {
    counters.ContinuationCount = 0;
    return ReadLogicalLine(counters, file);
  }
  LineCounters counters;
};

TEST_F(LineReaderTest, CommentsAndBlankLinesGiveEmptyLinesOfOnePhysicalLine) {
  auto file = TextReader::FromBytes("\r\n \t \r\n  ' note\r\n    x = 1   ' set x\r\n");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(counters.LineNo, 3);
  EXPECT_EQ(Read(file), "x = 1");
  EXPECT_EQ(counters.LineNo, 4);
}

TEST_F(LineReaderTest, AnApostropheInsideAStringCutsTheLine) {
  auto file = TextReader::FromBytes("MsgBox \"it's\" & x\r\n");
  EXPECT_EQ(Read(file), "MsgBox \"it");
}

TEST_F(LineReaderTest, EndLinesAreEmptyButNamesBeginningWithEndAreNot) {
  auto file = TextReader::FromBytes("End Sub\r\n    End If\r\nEnd\r\nEndTime = 1\r\nEndif\r\n");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(Read(file), "EndTime = 1");
  EXPECT_EQ(Read(file), "Endif");
}

TEST_F(LineReaderTest, ContinuationsJoinAndCountEveryPhysicalLine) {
  auto file = TextReader::FromBytes(
      "Public Function Twice( _\r\n    n As Integer _\r\n  ) As Integer\r\nnext\r\n");
  EXPECT_EQ(Read(file), "Public Function Twice( n As Integer ) As Integer");
  EXPECT_EQ(counters.LineNo, 3);
  EXPECT_EQ(counters.ContinuationCount, 2);
  EXPECT_EQ(counters.LineNo - counters.ContinuationCount, 1);
}

TEST_F(LineReaderTest, AnUnderscoreEndingANameContinuesTheLine) {
  auto file = TextReader::FromBytes("x = my_\r\nvar\r\n");
  EXPECT_EQ(Read(file), "x = myvar");
}

TEST_F(LineReaderTest, ADoubleByteCharacterEndingIn0x5FContinuesAndLosesThatByte) {
  // 0x83 0x5F is the katakana "ダ": its second byte is the code of "_".
  auto file = TextReader::FromBytes("s = \"\x83\x5f\r\nrest\r\n");
  EXPECT_EQ(Read(file), "s = \"\x83rest");
  EXPECT_EQ(counters.ContinuationCount, 1);
}

TEST_F(LineReaderTest, ContinuedLinesTakeCommentAndEndLinesAsTheyCome) {
  auto file = TextReader::FromBytes("a _\r\n' gone\r\nb\r\nc _\r\nEnd If\r\nd\r\n");
  EXPECT_EQ(Read(file), "a ");
  EXPECT_EQ(counters.LineNo, 2);
  EXPECT_EQ(Read(file), "b");
  EXPECT_EQ(Read(file), "c ");
  EXPECT_EQ(counters.ContinuationCount, 1);
  EXPECT_EQ(Read(file), "d");
}

TEST_F(LineReaderTest, AContinuedLineAtTheEndOfTheFileCountsItsJoin) {
  auto file = TextReader::FromBytes("last _");
  EXPECT_EQ(Read(file), "last ");
  EXPECT_EQ(counters.LineNo, 1);
  EXPECT_EQ(counters.ContinuationCount, 1);
  EXPECT_EQ(Read(file), "");
  EXPECT_EQ(counters.LineNo, 1);
  EXPECT_EQ(counters.ContinuationCount, 0);
}

TEST_F(LineReaderTest, AMillionContinuedLinesNeedNoStack) {
  std::string bytes;
  bytes.reserve(4'000'000);
  for (int i = 0; i < 1'000'000; ++i) bytes += "a _\n";
  bytes += "b\n";
  auto file = TextReader::FromBytes(std::move(bytes));
  std::string line = Read(file);
  EXPECT_EQ(line.size(), 2'000'001u);
  EXPECT_EQ(counters.LineNo, 1'000'001);
  EXPECT_EQ(counters.ContinuationCount, 1'000'000);
}

}  // namespace
}  // namespace tarnel
