#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::TempDir;

// 表 in code page 932 is 0x95 0x5C: its second byte is a backslash.
const std::string kHyo = "\x95\x5c";

TEST(FolderOfTest, SplitsAtTheLastSeparatorSkippingDoubleByteCharacters) {
  EXPECT_EQ(FolderOf("/work/demo/Demo.vbp"), "/work/demo/");
  EXPECT_EQ(FolderOf("C:\\Work\\Demo.vbp"), "C:\\Work/");
  EXPECT_EQ(FolderOf("C:\\" + kHyo + "\\Demo.vbp"), "C:\\" + kHyo + "/");
  EXPECT_EQ(FolderOf(kHyo + ".vbp"), "");
  EXPECT_EQ(FolderOf("Demo.vbp"), "");
  EXPECT_EQ(FolderOf("/Demo.vbp"), "/");
}

TEST(UpperExtensionTest, TakesTheLastDotAfterTheLastSeparator) {
  EXPECT_EQ(UpperExtension("/a/Demo.VbP"), ".VBP");
  EXPECT_EQ(UpperExtension("/a.dir/Demo"), "");
  EXPECT_EQ(UpperExtension("C:\\a.b\\name"), "");
  EXPECT_EQ(UpperExtension("report.csv"), ".CSV");
  // A trail byte 0x5C is no separator: the dot before it still counts.
  EXPECT_EQ(UpperExtension("x." + kHyo), "." + kHyo);
}

TEST(ResolvePathTest, MapsBackslashesAndMatchesComponentsWithoutCase) {
  TempDir dir;
  dir.Write("Forms/Main.frm", "x");
  dir.Write("proj/Demo.vbp", "x");
  std::string projectDir = dir.Path() + "proj/";
  auto resolved = ResolvePath(projectDir + "..\\FORMS\\MAIN.FRM");
  ASSERT_TRUE(resolved.has_value());
  EXPECT_EQ(*resolved, dir.Path() + "Forms/Main.frm");
  EXPECT_TRUE(FileExists(projectDir + "..\\forms\\main.frm"));
  EXPECT_FALSE(FileExists(projectDir + "..\\forms\\other.frm"));
  EXPECT_FALSE(FileExists(dir.Path() + "Forms"));  // a folder is no file
}

TEST(ResolvePathTest, FindsNamesStoredAsUtf8OrAsRawCodePage932) {
  TempDir dir;
  dir.Write(Cp932ToUtf8(kHyo) + "/Mod.bas", "x");  // UTF-8 folder name, as git checks it out
  dir.Write(kHyo + "raw.bas", "y");                // raw bytes, as an archive unpacks it
  EXPECT_TRUE(FileExists(NativeToEngine(dir.Path()) + kHyo + "\\MOD.BAS"));
  EXPECT_TRUE(FileExists(NativeToEngine(dir.Path()) + kHyo + "RAW.bas"));
}

TEST(EngineToNativeTest, KeepsTheCaseOfAnExistingFileAndNamesANewOne) {
  TempDir dir;
  dir.Write("Out/Report.TXT", "x");
  EXPECT_EQ(EngineToNative(dir.Path() + "out\\report.txt"), dir.Path() + "Out/Report.TXT");
  EXPECT_EQ(EngineToNative(dir.Path() + "out\\" + kHyo + ".txt"),
            dir.Path() + "Out/" + Cp932ToUtf8(kHyo) + ".txt");
}

TEST(ExactNativeTest, TakesTheNameAsGivenAndUndoesNativeToEngine) {
  TempDir dir;
  dir.Write("report.txt", "x");
  // Neither letter case nor "\" is matched to what is on disk.
  EXPECT_EQ(ExactNative(dir.Path() + "REPORT.TXT"), dir.Path() + "REPORT.TXT");
  EXPECT_EQ(ExactNative("/tmp/bs\\dir/x:y.txt"), "/tmp/bs\\dir/x:y.txt");
  for (const std::string& native : {dir.Path() + "報告/表.txt", dir.Path() + "문서/새 폴더.txt",
                                    dir.Path() + "Změně/caf\xc3\xa9.txt"}) {
    EXPECT_EQ(ExactNative(NativeToEngine(native)), native);
  }
}

TEST(CaseVariantOfTest, NamesAnotherSpellingOnlyWhenTheExactNameIsFree) {
  TempDir dir;
  dir.Write("report.txt", "x");
  dir.Write(Cp932ToUtf8("\x82\x60") + "bc.txt", "y");  // full-width A
  EXPECT_EQ(CaseVariantOf(dir.File("REPORT.TXT")), "report.txt");
  EXPECT_EQ(CaseVariantOf(dir.File("Report.txt")), "report.txt");
  EXPECT_EQ(CaseVariantOf(dir.File("report.txt")), "");
  EXPECT_EQ(CaseVariantOf(dir.File("other.txt")), "");
  EXPECT_EQ(CaseVariantOf(dir.File("no-folder/REPORT.TXT")), "");
  EXPECT_EQ(CaseVariantOf(dir.File(Cp932ToUtf8("\x82\x81") + "BC.TXT")),
            Cp932ToUtf8("\x82\x60") + "bc.txt");
}

}  // namespace
}  // namespace tarnel
