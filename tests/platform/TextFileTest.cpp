#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::TempDir;

std::vector<std::string> AllLines(TextReader& reader) {
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

TEST(TextReaderTest, LinesEndAtCrCrLfOrALoneLf) {
  auto reader = TextReader::FromBytes("a\r\nb\rc\nd\n\re");
  EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

TEST(TextReaderTest, CtrlZEndsTheFileAndReadingAtTheEndYieldsEmptyLines) {
  auto reader = TextReader::FromBytes("one\r\ntwo\x1a three\r\n");
  EXPECT_EQ(reader.ReadLine(), "one");
  EXPECT_EQ(reader.ReadLine(), "two");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_EQ(reader.ReadLine(), "");
}

TEST(TextReaderTest, AFinalLineEndAddsNoEmptyLine) {
  auto reader = TextReader::FromBytes("x\r\n");
  EXPECT_EQ(AllLines(reader).size(), 1u);
  auto empty = TextReader::FromBytes("");
  EXPECT_TRUE(empty.AtEnd());
}

TEST(TextReaderTest, SkipAndRewind) {
  auto reader = TextReader::FromBytes("1\n2\n3\n");
  EXPECT_EQ(reader.SkipLines(2), 2);
  EXPECT_EQ(reader.ReadLine(), "3");
  EXPECT_EQ(reader.SkipLines(5), 0);
  reader.Rewind();
  EXPECT_EQ(reader.ReadLine(), "1");
}

TEST(TextReaderTest, OneReaderGivesEachFileWhollyWhateverItReadBefore) {
  // A reader keeps its storage from file to file: a shorter file after a longer one must not
  // show the longer one's rest, nor an empty file anything at all.
  TempDir dir;
  dir.Write("long.bas", "first\r\nsecond\r\nthird line\r\n");
  dir.Write("short.bas", "x\r\n");
  dir.Write("empty.bas", "");
  dir.Write("eof.bas", "kept\x1a hidden\r\n");
  dir.Write("late-eof.bas", "abcdefgh\r\n\x1a");
  TextReader reader;
  for (int round = 0; round < 2; ++round) {
    reader.Open(dir.File("long.bas"));
    EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"first", "second", "third line"}));
    reader.Open(dir.File("short.bas"));
    EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"x"}));
    EXPECT_EQ(reader.Bytes(), "x\r\n");
    reader.Open(dir.File("empty.bas"));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.Bytes(), "");
    reader.Open(dir.File("eof.bas"));
    EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"kept"}));
    // The longer file's Ctrl-Z, left in the storage past this one's end, ends nothing.
    reader.Open(dir.File("late-eof.bas"));
    reader.Open(dir.File("short.bas"));
    EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"x"}));
  }
}

// The lines of text by the rules, one byte at a time: the reader finds line ends a block of
// bytes at a time and must split every text the same way.
std::vector<std::string> LinesByTheRules(std::string_view text) {
  text = text.substr(0, text.find('\x1a'));
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      line += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(TextReaderTest, LineEndsAnywhereInTheTextSplitAsTheRulesSay) {
  std::mt19937 random(7);
  const char alphabet[] = {'a', 'b', ' ', '\r', '\n', '\x82', '\xa0'};
  for (int round = 0; round < 3000; ++round) {
    // Lengths around one, two and three blocks of 64 bytes, and line ends of every kind at
    // every place, CR LF across a block's end among them.
    std::string text(random() % 200, 'x');
    const unsigned ends = random() % 4;
    for (char& c : text) c = random() % 4 <= ends ? alphabet[random() % 7] : 'x';
    if (round % 10 == 0 && !text.empty()) text[random() % text.size()] = '\x1a';
    auto reader = TextReader::FromBytes(text);
    ASSERT_EQ(AllLines(reader), LinesByTheRules(text)) << "round " << round;
    // Skipping and rewinding give the same lines again.
    reader.Rewind();
    const long skipped = reader.SkipLines(3);
    const std::vector<std::string> expected = LinesByTheRules(text);
    std::vector<std::string> rest(expected.begin() + skipped, expected.end());
    ASSERT_EQ(AllLines(reader), rest) << "round " << round;
  }
}

// Passing lines a block at a time up to the first that matches reads as many lines, and leaves
// the reader where reading them one by one would.
TEST(TextReaderTest, SkippingPastALineReadsWhatReadingEachLineWould) {
  std::mt19937 random(11);
  const char alphabet[] = {'E', 'n', 'd', ' ', '\r', '\n', 'x'};
  const auto isEnd = [](std::string_view line) { return line.substr(0, 3) == "End"; };
  for (int round = 0; round < 3000; ++round) {
    // Lengths up to four blocks; lines that begin with "E" but are no end, end lines right after
    // a block's end, CR LF across it.
    std::string text(random() % 260, 'x');
    const unsigned ends = random() % 4;
    for (char& c : text) c = random() % 6 <= ends ? alphabet[random() % 7] : 'x';
    for (int i = 0; i < 3 && !text.empty(); ++i) {
      text.replace(random() % text.size(), 4, random() % 2 != 0 ? "\nEnd" : "\rEx ");
    }
    if (round % 10 == 0 && !text.empty()) text[random() % text.size()] = '\x1a';
    const long first = static_cast<long>(random() % 4);

    auto byLines = TextReader::FromBytes(text);
    byLines.SkipLines(first);
    long expectedLines = 0;
    bool expectedFound = false;
    while (!byLines.AtEnd()) {
      ++expectedLines;
      if (isEnd(byLines.ReadLineView())) {
        expectedFound = true;
        break;
      }
    }
    auto byBlocks = TextReader::FromBytes(text);
    byBlocks.SkipLines(first);
    long lines = -1;
    ASSERT_EQ(byBlocks.SkipPastLine('E', isEnd, lines), expectedFound) << "round " << round;
    ASSERT_EQ(lines, expectedLines) << "round " << round;
    ASSERT_EQ(AllLines(byBlocks), AllLines(byLines)) << "round " << round;
  }
}

TEST(TextReaderTest, LineEndsLeftInTheStorageByALongerFileEndNoLine) {
  TempDir dir;
  std::string many;
  for (int i = 0; i < 100; ++i) many += "a\r\n";
  dir.Write("many.bas", many);
  dir.Write("one.bas", std::string(100, 'x'));
  dir.Write("cut.bas", std::string(70, 'y') + "\x1a\r\n\r\n");
  TextReader reader;
  reader.Open(dir.File("many.bas"));
  EXPECT_EQ(AllLines(reader).size(), 100u);
  reader.Open(dir.File("one.bas"));
  EXPECT_EQ(AllLines(reader), (std::vector<std::string>{std::string(100, 'x')}));
  reader.Open(dir.File("many.bas"));
  reader.SkipLines(30);
  reader.Open(dir.File("cut.bas"));
  EXPECT_EQ(AllLines(reader), (std::vector<std::string>{std::string(70, 'y')}));
}

TEST(TextReaderTest, MissingUnreadableAndFolderPathsFailWithTheirTexts) {
  TempDir dir;
  try {
    TextReader reader(dir.File("none.bas"));
    FAIL();
  } catch (const FileNotFoundError& e) {
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
  }
  EXPECT_THROW(TextReader reader(dir.Path()), FileOpenError);
  if (geteuid() != 0) {  // root reads any file
    std::string locked = dir.Write("locked.bas", "x");
    chmod(locked.c_str(), 0);
    EXPECT_THROW(TextReader reader(locked), FileOpenError);
  }
  try {
    TextReader reader(dir.Path());
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + dir.Path() + " は開けません");
  }
}

// One look at the file answers whether it is there and reads it: nothing or a folder there is
// "not there", anything else that cannot be read still fails, and a reader that found nothing
// shows nothing of the file it read before.
TEST(TextReaderTest, OpenIfThereTellsMissingFromUnreadable) {
  TempDir dir;
  PathResolver resolver;
  TextReader reader;
  ASSERT_TRUE(reader.OpenIfThere(dir.Write("a.bas", "one\r\ntwo\r\n"), resolver));
  EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(resolver.WasRead(dir.File("a.bas")));

  ASSERT_TRUE(reader.OpenIfThere(dir.File("a.bas"), resolver));
  EXPECT_FALSE(reader.OpenIfThere(dir.File("none.bas"), resolver));
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.Bytes(), "");
  dir.Write("sub/x.bas", "");
  ASSERT_TRUE(reader.OpenIfThere(dir.File("a.bas"), resolver));
  EXPECT_FALSE(reader.OpenIfThere(dir.File("sub"), resolver));
  EXPECT_TRUE(reader.AtEnd());

  const std::string fifo = dir.File("pipe.bas");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(reader.OpenIfThere(fifo, resolver), FileOpenError);
  EXPECT_FALSE(resolver.WasRead(fifo));
}

// The resolver's first look at a path tells the reader that a plain file is there; what stands
// there when the reader comes is still what counts.
TEST(TextReaderTest, WhatTookAResolvedFilesPlaceIsReadAsItIs) {
  TempDir dir;
  PathResolver resolver;
  bool file = false;
  ASSERT_TRUE(resolver.Resolve(dir.Write("gone.bas", "x\r\n"), file));
  EXPECT_TRUE(file);
  ASSERT_TRUE(resolver.Resolve(dir.Write("folder.bas", "x\r\n"), file));
  ASSERT_TRUE(resolver.Resolve(dir.Write("pipe.bas", "x\r\n"), file));
  ASSERT_TRUE(resolver.Resolve(dir.Write("grown.bas", "x\r\n"), file));
  dir.Write("sub/y.bas", "");
  ASSERT_TRUE(resolver.Resolve(dir.File("sub"), file));
  EXPECT_FALSE(file);

  std::remove(dir.File("gone.bas").c_str());
  std::remove(dir.File("folder.bas").c_str());
  ASSERT_EQ(mkdir(dir.File("folder.bas").c_str(), 0700), 0);
  std::remove(dir.File("pipe.bas").c_str());
  ASSERT_EQ(mkfifo(dir.File("pipe.bas").c_str(), 0600), 0);
  dir.Write("grown.bas", "first\r\nsecond\r\n");

  TextReader reader;
  EXPECT_FALSE(reader.OpenIfThere(dir.File("gone.bas"), resolver));
  EXPECT_FALSE(reader.OpenIfThere(dir.File("folder.bas"), resolver));
  EXPECT_THROW(reader.Open(dir.File("folder.bas"), resolver), FileOpenError);
  EXPECT_THROW(reader.OpenIfThere(dir.File("pipe.bas"), resolver), FileOpenError);
  EXPECT_FALSE(resolver.WasRead(dir.File("pipe.bas")));
  ASSERT_TRUE(reader.OpenIfThere(dir.File("grown.bas"), resolver));
  EXPECT_EQ(AllLines(reader), (std::vector<std::string>{"first", "second"}));
  EXPECT_FALSE(reader.OpenIfThere(dir.File("sub"), resolver));

  // Kept long after its look, a resolver no longer vouches for the file, and the reader looks
  // again before it opens what stands there.
  PathResolver kept(std::chrono::milliseconds(0));
  ASSERT_TRUE(kept.Resolve(dir.Write("kept.bas", "x\r\n"), file));
  EXPECT_TRUE(file);
  ASSERT_TRUE(kept.Resolve(dir.File("kept.bas"), file));
  EXPECT_FALSE(file);
}

// A file whose size says nothing of its bytes is read to its end.
TEST(TextReaderTest, AFileThatGivesNoSizeIsReadWhole) {
  if (access("/proc/self/status", R_OK) != 0) GTEST_SKIP() << "no /proc here";
  PathResolver resolver;
  TextReader reader;
  ASSERT_TRUE(reader.OpenIfThere("/proc/self/status", resolver));
  EXPECT_NE(reader.Bytes().find("Name:"), std::string_view::npos);
  EXPECT_GT(AllLines(reader).size(), 5u);
}

TEST(TextWriterTest, EveryLineEndsInCrLf) {
  TempDir dir;
  {
    TextWriter writer(dir.File("out.txt"));
    writer.WriteLine("a");
    writer.WriteLine("");
    writer.WriteLine("\x81\xa8");
    writer.WriteLine("    \x81\xa8 ", "M.P");
    writer.WriteLine("", "");
    // Lines in two parts across the points where the buffer goes out to the file.
    for (int i = 0; i < 20000; ++i) writer.WriteLine(std::string(i % 7, 'h'), "t");
    // Parts larger than the buffer, around small ones and raw bytes.
    writer.WriteLine(std::string(200000, 'H'), std::string(100000, 'T'));
    writer.WriteLine("small", std::string(70000, 'u'));
    writer.Write(std::string(150000, 'w'));
    writer.Write("raw");
    writer.WriteLine("last");
    writer.Close();
  }
  std::string expected = "a\r\n\r\n\x81\xa8\r\n    \x81\xa8 M.P\r\n\r\n";
  for (int i = 0; i < 20000; ++i) expected += std::string(i % 7, 'h') + "t\r\n";
  expected += std::string(200000, 'H') + std::string(100000, 'T') + "\r\n";
  expected += "small" + std::string(70000, 'u') + "\r\n";
  expected += std::string(150000, 'w') + "rawlast\r\n";
  EXPECT_EQ(test::ReadNative(dir.File("out.txt")), expected);
}

TEST(TextWriterTest, WritesUnderTheExactNameBesideAnotherSpelling) {
  TempDir dir;
  dir.Write("notes.txt", "keep\r\n");
  {
    TextWriter writer(dir.File("NOTES.TXT"));
    writer.WriteLine("new");
    writer.Close();
  }
  EXPECT_EQ(test::ReadNative(dir.File("notes.txt")), "keep\r\n");
  EXPECT_EQ(test::ReadNative(dir.File("NOTES.TXT")), "new\r\n");
}

TEST(TextWriterTest, CreateAndWriteFailuresCarryTheirTexts) {
  TempDir dir;
  try {
    TextWriter writer(dir.File("no/such/folder/x.txt"));
    FAIL();
  } catch (const FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ﾌｧｲﾙ " + dir.File("no/such/folder/x.txt") + " を作成できません");
  }
  EXPECT_THROW(TextWriter writer(dir.Path()), FileCreateError);
  // /dev/full accepts the open and fails every write.
  TextWriter full("/dev/full");
  EXPECT_THROW(
      {
        for (int i = 0; i < 100000; ++i) full.WriteLine("0123456789");
        full.Close();
      },
      FileWriteError);
}

}  // namespace
}  // namespace tarnel
