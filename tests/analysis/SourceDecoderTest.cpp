#include <gtest/gtest.h>

#include "analysis/SourceDecoder.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

// One accented Latin word and one kanji: as much evidence for code page 1252 as for 932.
const std::string kEven = "' C\xe1lculo \x91\xec\r\n";

class SourceDecoderTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name, const std::string& bytes) {
    return NativeToEngine(dir.Write(name, bytes));
  }
  test::TempDir dir;
  SourceDecoder decoder;
  PathResolver resolver;
};

TEST_F(SourceDecoderTest, AFileWithoutEvidenceFollowsMostOfTheOthers) {
  const std::string even = File("Even.bas", kEven);
  const std::vector<std::string> western = {File("Es.bas", "' a\xf1o\r\n"),
                                            File("Fr.bas",
                                                 "' \xc9"
                                                 "cole\r\n"),
                                            even, File("Ja.bas", "' \x95\x5c\x8e\xa6\r\n"),
                                            NativeToEngine(dir.File("Missing.bas"))};
  const std::string japanese = File("Ja2.bas", "MsgBox \"\xc3\xbd\xc4\"\r\n");
  decoder.SetSetting(SourceEncoding::Auto);
  // The files are read on other threads or on this one alike.
  for (unsigned workers : {0u, 3u}) {
    decoder.Decide(western, resolver, workers);
    EXPECT_EQ(decoder.EncodingOf(even, kEven), SourceEncoding::Cp1252);
    EXPECT_EQ(decoder.EncodingOf(western[3], ""), SourceEncoding::Cp932);
    TextReader reader;
    decoder.Load(reader, even, resolver);
    EXPECT_EQ(reader.ReadLine(), "' C\xc3\xa1lculo \xe2\x80\x98\xc3\xac");

    decoder.Decide({even, western[3], japanese}, resolver, workers);
    EXPECT_EQ(decoder.EncodingOf(even, kEven), SourceEncoding::Cp932);
  }
}

TEST_F(SourceDecoderTest, FixedSettingsApplyToEveryFile) {
  const std::string utf8 = File("U.bas",
                                "' Gr\xc3\xb6\xc3\x9f"
                                "e\r\n");
  decoder.SetSetting(SourceEncoding::Cp1252);
  decoder.Decide({utf8}, resolver, 0);
  TextReader reader;
  decoder.Load(reader, utf8, resolver);
  EXPECT_EQ(reader.ReadLine(),
            "' Gr\xc3\x83\xc2\xb6\xc3\x83\xc5\xb8"
            "e");  // read as 1252
  decoder.SetSetting(SourceEncoding::Cp932);
  EXPECT_TRUE(decoder.KeepsBytes());
  decoder.Load(reader, utf8, resolver);
  EXPECT_EQ(reader.ReadLine(),
            "' Gr\xc3\xb6\xc3\x9f"
            "e");
  EXPECT_EQ(decoder.ProjectText("M\xf6"), "M\xf6");
  decoder.SetSetting(SourceEncoding::Auto);
  EXPECT_EQ(decoder.ProjectText("Module=M; M\xf6.bas"), "Module=M; M\xc3\xb6.bas");
}

// An editor's text stands for the file it resolves to; folders and missing files are not there.
TEST_F(SourceDecoderTest, HeldTextStandsForItsFileAndFoldersAreNotThere) {
  const std::string native = dir.File("Edited.bas");
  const std::string held = "Sub Gr\xc3\xbc\xc3\x9f()\r\n";
  decoder.SetHeldTexts([&](const std::string& path) { return path == native ? &held : nullptr; });
  decoder.SetSetting(SourceEncoding::Cp1252);
  dir.Write("Sub/x.bas", "");
  TextReader reader;
  EXPECT_FALSE(decoder.LoadIfThere(reader, NativeToEngine(dir.File("Sub")), resolver));
  EXPECT_FALSE(decoder.LoadIfThere(reader, NativeToEngine(dir.File("Other.bas")), resolver));
  // Resolved by its name on disk, then the held text stands for it.
  dir.Write("Edited.bas", "Sub Old()\r\n");
  ASSERT_TRUE(decoder.LoadIfThere(reader, NativeToEngine(native), resolver));
  EXPECT_EQ(reader.ReadLine(), "Sub Gr\xc3\xbc\xc3\x9f()");
  dir.Write("W.bas", "' \xe9t\xe9\r\n");
  ASSERT_TRUE(decoder.LoadIfThere(reader, NativeToEngine(dir.File("W.bas")), resolver));
  EXPECT_EQ(reader.ReadLine(), "' \xc3\xa9t\xc3\xa9");
}

}  // namespace
}  // namespace tarnel
