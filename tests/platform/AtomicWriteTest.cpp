#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "platform/Errors.h"
#include "platform/Profile.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::ReadNative;
using test::TempDir;

// The names in a folder, so that a test sees any file left behind.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Files may grow no larger than limit bytes while it lives: the disk is "full" there.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_;
  void (*previous_)(int);
};

TEST(AtomicWriteTest, AFailedWriteLeavesThePreviousFileAndNoTemporaryOne) {
  TempDir dir;
  std::string old(100000, 'o');
  std::string target = dir.Write("report.txt", old);
  {
    FileSizeLimit full(65536);
    EXPECT_THROW(
        {
          TextWriter writer(target);
          for (int i = 0; i < 20000; ++i) writer.WriteLine("0123456789");
          writer.Close();
        },
        FileWriteError);
  }
  EXPECT_EQ(ReadNative(target), old);
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"report.txt"});
}

TEST(AtomicWriteTest, NothingReplacesTheTargetBeforeClose) {
  TempDir dir;
  std::string target = dir.Write("t.txt", "old\r\n");
  {
    TextWriter writer(target);
    for (int i = 0; i < 10000; ++i) writer.WriteLine("new line");
    EXPECT_EQ(ReadNative(target), "old\r\n");
    // Abandoned without Close, as when an exception ends the writing.
  }
  EXPECT_EQ(ReadNative(target), "old\r\n");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"t.txt"});
  TextWriter writer(target);
  writer.WriteLine("new");
  writer.Close();
  EXPECT_EQ(ReadNative(target), "new\r\n");
}

TEST(AtomicWriteTest, TheNewFileKeepsTheOldPermissionsAndLinksStay) {
  TempDir dir;
  std::string target = dir.Write("kept.txt", "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(::symlink(target.c_str(), dir.File("link.txt").c_str()), 0);
  TextWriter writer(dir.File("link.txt"));
  writer.WriteLine("new");
  writer.Close();
  struct stat st;
  ASSERT_EQ(::lstat(dir.File("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadNative(target), "new\r\n");
}

TEST(AtomicWriteTest, AFileWhoseNameDiffersInCaseIsNeverTheOneWritten) {
  TempDir dir;
  std::string lower = dir.Write("notes.txt", "mine");
  TextWriter writer(dir.File("NOTES.TXT"));
  writer.WriteLine("report");
  writer.Close();
  EXPECT_EQ(ReadNative(lower), "mine");
  EXPECT_EQ(ReadNative(dir.File("NOTES.TXT")), "report\r\n");
}

TEST(AtomicWriteTest, ASettingsFileIsReplacedWholeOrNotAtAll) {
  TempDir dir;
  std::string content = "[Exec]\r\n";
  for (int i = 0; i < 400; ++i) content += "Tool" + std::to_string(i) + "=&T,A,F,B,S,viewer,\r\n";
  std::string ini = dir.Write("tarnel.ini", content);
  {
    FileSizeLimit full(4096);
    EXPECT_THROW(WriteProfileString(ini, "Date", "Last", "2026/12/07"), FileWriteError);
  }
  EXPECT_EQ(ReadNative(ini), content);
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"tarnel.ini"});
}

TEST(AtomicWriteTest, AnUnchangedSettingsFileIsNotWrittenAgain) {
  TempDir dir;
  std::string ini = dir.Write("tarnel.ini", "[Date]\r\nLast=2026/12/07\r\n");
  // Dated in the past, so that any write, in place or by replacement, shows.
  const timespec past[2] = {{946684800, 0}, {946684800, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, ini.c_str(), past, 0), 0);
  struct stat before;
  ASSERT_EQ(::stat(ini.c_str(), &before), 0);
  WriteProfileString(ini, "date", "Last", "2026/12/07");
  struct stat after;
  ASSERT_EQ(::stat(ini.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, 946684800);
  WriteProfileString(ini, "Date", "Last", "2026/12/08");
  EXPECT_EQ(ReadNative(ini), "[Date]\r\nLast=2026/12/08\r\n");
}

TEST(ReadLimitTest, AFileTooLargeToReadIsAnOpenErrorWithItsPath) {
  TempDir dir;
  std::string sparse = dir.Write("sparse.bas", "");
  ASSERT_EQ(::truncate(sparse.c_str(), off_t{30} << 30), 0);
  try {
    TextReader reader(sparse);
    FAIL() << "read a 30 GB file";
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + sparse + " は開けません");
  }
}

TEST(ReadLimitTest, AReaderGivesBackTheStorageOfALargeFile) {
  TempDir dir;
  std::string large = dir.Write("large.bas", std::string(40 << 20, 'x'));
  std::string small = dir.Write("small.bas", "a\r\n");
  TextReader reader(large);
  reader.Release();
  EXPECT_TRUE(reader.AtEnd());
  reader.Open(small);
  EXPECT_EQ(reader.ReadLine(), "a");
}

TEST(ReadLimitTest, AReleasedReaderShowsOnlyTheNextFilesBytes) {
  TempDir dir;
  std::string longer = dir.Write("longer.bas", "first line\r\nsecond line\r\n");
  std::string shorter = dir.Write("shorter.bas", "b\r\n");
  TextReader reader(longer);
  reader.Release();
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.Bytes(), "");
  reader.Open(shorter);
  EXPECT_EQ(reader.Bytes(), "b\r\n");
  EXPECT_EQ(reader.ReadLine(), "b");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ProfileFileTest, OneReadAnswersLikeTheLookUpsOfTheFile) {
  TempDir dir;
  std::string ini = NativeToEngine(dir.Write(
      "tarnel.ini",
      "[exec]\r\n  T1 = \"a,b\" \r\nt1=second\r\n[Date]\r\nLast=x\r\n[EXEC]\r\nT9=hidden\r\n"));
  ProfileFile once(ini);
  for (const char* section : {"Exec", "DATE", "none"}) {
    EXPECT_EQ(once.GetKeys(section), GetProfileKeys(ini, section)) << section;
    for (const char* key : {"t1", "LAST", "T9"}) {
      EXPECT_EQ(once.GetString(section, key, "d"), GetProfileString(ini, section, key, "d"))
          << section << " " << key;
    }
  }
  // The settings stay what was read, whatever happens to the file afterwards.
  ::unlink(dir.File("tarnel.ini").c_str());
  EXPECT_EQ(once.GetString("exec", "T1"), "a,b");
}

}  // namespace
}  // namespace tarnel
