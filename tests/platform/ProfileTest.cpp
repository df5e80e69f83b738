#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::ReadNative;
using test::TempDir;
using Strings = std::vector<std::string>;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Ini(std::string_view bytes) { return NativeToEngine(dir.Write("tarnel.ini", bytes)); }
  TempDir dir;
};

TEST_F(ProfileTest, MatchesSectionsAndKeysWithoutRegardToCaseAndTrimsValues) {
  std::string ini = Ini("[exec]\r\n  Tool1  =  &View,P,F,B,S,viewer,  \r\n[Date]\nLast=x\n");
  EXPECT_EQ(GetProfileString(ini, "EXEC", "tool1"), "&View,P,F,B,S,viewer,");
  EXPECT_EQ(GetProfileString(ini, "date", "LAST"), "x");
  EXPECT_EQ(GetProfileString(ini, "Exec", "Last", "none"), "none");
  EXPECT_EQ(GetProfileString(ini, "Other", "Tool1", "d"), "d");
}

TEST_F(ProfileTest, RemovesOnlyOnePairOfEnclosingQuotes) {
  std::string ini =
      Ini("[S]\r\na=\"x y\"\r\nb='z'\r\nc=\"\"q\"\"\r\nd=\"a\",b\r\ne=\"\r\nf=\"x'\r\n");
  EXPECT_EQ(GetProfileString(ini, "S", "a"), "x y");
  EXPECT_EQ(GetProfileString(ini, "S", "b"), "z");
  EXPECT_EQ(GetProfileString(ini, "S", "c"), "\"q\"");
  EXPECT_EQ(GetProfileString(ini, "S", "d"), "\"a\",b");
  EXPECT_EQ(GetProfileString(ini, "S", "e"), "\"");
  EXPECT_EQ(GetProfileString(ini, "S", "f"), "\"x'");
}

TEST_F(ProfileTest, CutsLongValuesAt1023Bytes) {
  std::string ini = Ini("[S]\r\nk=" + std::string(5000, 'v') + "\r\n");
  EXPECT_EQ(GetProfileString(ini, "S", "k"), std::string(1023, 'v'));
}

TEST_F(ProfileTest, ListsKeysInFileOrderWithDuplicatesAndFirstValueWins) {
  std::string ini = Ini("[Exec]\r\nb=2\r\nno equals sign\r\na=1\r\nb=3\r\n[Next]\r\nc=4\r\n");
  EXPECT_EQ(GetProfileKeys(ini, "exec"), (Strings{"b", "a", "b"}));
  EXPECT_EQ(GetProfileString(ini, "Exec", "b"), "2");
  EXPECT_TRUE(GetProfileKeys(ini, "Missing").empty());
}

TEST_F(ProfileTest, KeyListHoldsOnlyNamesThatFitIn8192Bytes) {
  // 100 names of 99 bytes take 100 bytes each with their zero byte; 81 fit with the closing zero.
  std::string content = "[Exec]\r\n";
  for (int i = 0; i < 100; ++i) {
    std::string name = std::to_string(1000 + i) + std::string(95, 'k');
    content += name + "=x\r\n";
  }
  EXPECT_EQ(GetProfileKeys(Ini(content), "Exec").size(), 81u);
}

TEST_F(ProfileTest, MissingFileGivesDefaultsAndWriteCreatesIt) {
  std::string ini = NativeToEngine(dir.File("tarnel.ini"));
  EXPECT_EQ(GetProfileString(ini, "Date", "Last", "d"), "d");
  EXPECT_TRUE(GetProfileKeys(ini, "Exec").empty());
  WriteProfileString(ini, "Date", "Last", "2026/12/07");
  EXPECT_EQ(ReadNative(dir.File("tarnel.ini")), "[Date]\r\nLast=2026/12/07\r\n");
}

TEST_F(ProfileTest, WriteReplacesTheKeyOrAddsItToItsSectionKeepingOtherLines) {
  std::string ini = Ini("; note\r\n[date]\r\nLAST=old\r\n\r\n[Exec]\r\nt=a b,c\r\n");
  WriteProfileString(ini, "Date", "Last", "new");
  WriteProfileString(ini, "Exec", "u", "x");
  WriteProfileString(ini, "Third", "k", "v");
  EXPECT_EQ(ReadNative(dir.File("tarnel.ini")),
            "; note\r\n[date]\r\nLast=new\r\n\r\n[Exec]\r\nt=a b,c\r\nu=x\r\n[Third]\r\nk=v\r\n");
}

TEST_F(ProfileTest, BatchWriteSetsAndRemovesKeysOfOneSectionKeepingEverythingElse) {
  std::string ini =
      Ini("; mine\r\n[Window]\r\nWidth=1\r\nOld=gone\r\nmine=kept\r\n[Exec]\r\nt=a\r\n");
  WriteProfileStrings(ini, "window",
                      {{"WIDTH", "800"}, {"Old", std::nullopt}, {"Height", "600"}, {"none", {}}});
  EXPECT_EQ(ReadNative(dir.File("tarnel.ini")),
            "; mine\r\n[Window]\r\nWIDTH=800\r\nmine=kept\r\nHeight=600\r\n[Exec]\r\nt=a\r\n");
  // Only removals in a missing section: nothing to write, and no section appears.
  WriteProfileStrings(ini, "Recent", {{"File1", std::nullopt}});
  EXPECT_EQ(GetProfileKeys(ini, "Recent"), Strings{});
  EXPECT_EQ(ReadNative(dir.File("tarnel.ini")).find("[Recent]"), std::string::npos);
}

TEST_F(ProfileTest, WriteFailureNamesTheFile) {
  std::string ini = NativeToEngine(dir.File("missing-folder/tarnel.ini"));
  try {
    WriteProfileString(ini, "Date", "Last", "x");
    FAIL() << "no error";
  } catch (const FileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), dir.File("missing-folder/tarnel.ini") + " に書き込めません");
  }
}

TEST_F(ProfileTest, GarbageFileReadsWithoutHarm) {
  const char bytes[] = "\0\x01[\xff\x81]\r=\n==\n[Exec\n k \0=\xfe\n";
  std::string garbage(bytes, sizeof bytes - 1);
  std::string ini = Ini(garbage);
  EXPECT_NO_THROW(GetProfileKeys(ini, "Exec"));
  EXPECT_NO_THROW(GetProfileString(ini, "Exec", "k"));
  EXPECT_NO_THROW(WriteProfileString(ini, "Date", "Last", "x"));
  EXPECT_EQ(GetProfileString(ini, "Date", "Last"), "x");
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

TEST(ProfileRewriteTest, AFileThatCannotBeReadIsNotOverwritten) {
  test::TempDir dir;
  // A pipe is there but is no plain file: writing the date must neither block nor replace it.
  std::string fifo = dir.File("tarnel.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(WriteProfileString(fifo, "Date", "Last", "2026/12/07"), FileWriteError);
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace tarnel
