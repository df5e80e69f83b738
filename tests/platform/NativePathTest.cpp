#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::TempDir;

// Folder names that code page 932 cannot hold, as Linux keeps them: UTF-8, and one Latin-1 name.
const char* const kForeignFolders[] = {"문서", "새 폴더", "源代码", "测试", "Změně", "caf\xe9"};

TEST(NativePathTest, ForeignFolderNamesKeepTheirSeparators) {
  TempDir dir;
  for (const char* folder : kForeignFolders) {
    SCOPED_TRACE(folder);
    std::string project = dir.Write(std::string(folder) + "/Demo.vbp", "x");
    dir.Write(std::string(folder) + "/Module1.bas", "y");
    std::string engine = NativeToEngine(project);
    EXPECT_EQ(FolderOf(engine), NativeToEngine(dir.Path() + folder + "/"));
    std::string module = FolderOf(engine) + "MODULE1.BAS";
    ASSERT_TRUE(FileExists(module));
    EXPECT_EQ(*ResolvePath(module), dir.Path() + folder + "/Module1.bas");
  }
}

TEST(NativePathTest, APathIsTriedExactlyAsGivenFirst) {
  TempDir dir;
  std::string odd = dir.Write("bs\\dir/X.vbp", "x");
  std::string colon = dir.Write("x:y.vbp", "y");
  EXPECT_EQ(ResolvePath(odd), odd);
  EXPECT_EQ(ResolvePath(colon), colon);
  // The folder of such a project is where the file is, not where "\" or ":" would split it.
  EXPECT_EQ(NativeFolderOf(odd), dir.Path() + "bs\\dir/");
  EXPECT_EQ(NativeFolderOf(colon), dir.Path());
  // A path that names nothing keeps the designed split.
  EXPECT_EQ(NativeFolderOf("C:\\Work\\Gone.vbp"), "C:\\Work/");
}

TEST(NativePathTest, ModuleReferencesUnderANativeBaseMapOnlyTheirOwnBackslashes) {
  TempDir dir;
  std::string base = dir.Path() + "bs\\dir/";
  dir.Write("bs\\dir/Sub/M.bas", "x");
  PathResolver resolver;
  resolver.SetBase(base, base);
  EXPECT_EQ(resolver.Resolve(base + "sub\\m.bas"), base + "Sub/M.bas");
  EXPECT_TRUE(resolver.FileExists(base + "Sub\\M.bas"));
  EXPECT_FALSE(resolver.FileExists(base + "Sub"));
}

TEST(NativePathTest, WritingUsesTheExactNameGiven) {
  TempDir dir;
  dir.Write("notes.txt", "keep");
  WritePath engine(NativeToEngine(dir.File("NOTES.TXT")));
  EXPECT_EQ(engine.Native(), dir.File("NOTES.TXT"));
  for (const char* folder : kForeignFolders) {
    std::string native = dir.Path() + folder + "/r.txt";
    EXPECT_EQ(WritePath(NativeToEngine(native)).Native(), native) << folder;
    EXPECT_EQ(WritePath::FromNative(native).Native(), native) << folder;
  }
  const std::string hyo = "\x95\x5c";  // 表, whose second byte is "\"
  EXPECT_EQ(WritePath(dir.Path() + hyo + ".txt").Native(), dir.Path() + Cp932ToUtf8(hyo) + ".txt");
}

TEST(FileIdentityTest, TheFilesReadAreKnownUnderAnyName) {
  TempDir dir;
  std::string module = dir.Write("Module1.bas", "x");
  std::string other = dir.Write("Other.bas", "y");
  ASSERT_EQ(::link(module.c_str(), dir.File("hard.bas").c_str()), 0);
  ASSERT_EQ(::symlink(module.c_str(), dir.File("soft.bas").c_str()), 0);
  PathResolver resolver;
  resolver.NoteRead(*FileIdOf(module));
  EXPECT_TRUE(resolver.WasRead(module));
  EXPECT_TRUE(resolver.WasRead(dir.File("hard.bas")));
  EXPECT_TRUE(resolver.WasRead(dir.File("soft.bas")));
  EXPECT_TRUE(resolver.WasRead(dir.Path() + "./Module1.bas"));
  EXPECT_FALSE(resolver.WasRead(other));
  EXPECT_FALSE(resolver.WasRead(dir.File("missing.bas")));
  // What was read is handed over once, and the resolver starts afresh.
  const auto taken = resolver.TakeReads();
  EXPECT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken.count(*FileIdOf(dir.File("soft.bas"))), 1u);
  EXPECT_FALSE(resolver.WasRead(module));
  EXPECT_TRUE(resolver.TakeReads().empty());
}

TEST(PathScaleTest, DotDotSegmentsAndSlashRunsStayLinear) {
  TempDir dir;
  dir.Write("a/b/M.bas", "x");
  std::string up;
  for (int i = 0; i < 200000; ++i) up += "..\\";
  // Above the root is the root: the path names /tmp/... again from there.
  std::string deep = dir.Path() + "a/b/" + up + dir.Path().substr(1) + "A\\B\\m.bas";
  EXPECT_EQ(ResolvePath(deep), dir.Path() + "a/b/M.bas");
  std::string slashes = dir.Path() + std::string(5 << 20, '/') + "a/b/M.BAS";
  EXPECT_EQ(ResolvePath(slashes), dir.Path() + "a/b/M.bas");
  // A relative path that climbs past what the system can name is simply not there.
  EXPECT_FALSE(ResolvePath(up + "x.bas").has_value());
}

TEST(PathScaleTest, EachFolderIsListedOnceAndEachPathResolvedOnce) {
  TempDir dir;
  dir.Write("p/Mod.bas", "x");
  PathResolver resolver;
  std::string path = dir.Path() + "P/MOD.BAS";
  ASSERT_EQ(resolver.Resolve(path), dir.Path() + "p/Mod.bas");
  // What was found stands for this analysis, even when the folder changes meanwhile.
  ASSERT_EQ(::rename(dir.File("p").c_str(), dir.File("q").c_str()), 0);
  EXPECT_EQ(resolver.Resolve(path), dir.Path() + "p/Mod.bas");
  resolver.ForgetPaths();
  EXPECT_FALSE(resolver.Resolve(path).has_value());
}

}  // namespace
}  // namespace tarnel
