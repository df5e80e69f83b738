#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "platform/Paths.h"
#include "platform/ProcessStart.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::ReadNative;
using test::TempDir;
using Words = std::vector<std::string>;

TEST(SplitCommandLineTest, FirstWordIsTheProgramWithQuotesOnlyGrouping) {
  EXPECT_EQ(SplitCommandLine("C:\\Tools\\viewer.exe \"C:\\Tools\\Xreftmp.txt\""),
            (Words{"C:\\Tools\\viewer.exe", "C:\\Tools\\Xreftmp.txt"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x\\\" a"),
            (Words{"C:\\Program Files\\x\\", "a"}));
  EXPECT_EQ(SplitCommandLine("  prog"), (Words{"prog"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(SplitCommandLineTest, ArgumentsFollowTheBackslashAndQuoteRules) {
  EXPECT_EQ(SplitCommandLine("p a\tb  \"c d\" e\"f g\"h"), (Words{"p", "a", "b", "c d", "ef gh"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\"b c\""), (Words{"p", "a\\b c"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\\\"b"), (Words{"p", "a\\\"b"}));
  EXPECT_EQ(SplitCommandLine("p a\\b\\\\c"), (Words{"p", "a\\b\\\\c"}));
  EXPECT_EQ(SplitCommandLine("p \"a \"\"q\"\" b\""), (Words{"p", "a \"q\" b"}));
  EXPECT_EQ(SplitCommandLine("p \"\""), (Words{"p", ""}));
  EXPECT_EQ(SplitCommandLine("p \"unclosed arg"), (Words{"p", "unclosed arg"}));
}

TEST(StartProcessTest, StartsTheProgramWithoutAShellAndDoesNotWait) {
  TempDir dir;
  std::string out = dir.File("out.txt");
  std::string script = dir.Write("Tool.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$1.out\"\n");
  ::chmod(script.c_str(), 0755);
  // Shell syntax in the argument must reach the program unchanged.
  std::string arg = dir.File("a;b $(x)");
  ASSERT_TRUE(StartProcess(NativeToEngine(dir.File("tool.SH")) + " \"" + arg + "\" x"));
  std::string written;
  for (int i = 0; i < 200 && written.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    written = ReadNative(arg + ".out");
  }
  EXPECT_EQ(written, arg + "|x|");
}

TEST(StartProcessTest, ReportsAProgramThatCannotStart) {
  EXPECT_FALSE(StartProcess("C:\\Tools\\no-such-viewer.exe \"x\""));
  EXPECT_FALSE(StartProcess("no-such-program-in-path-at-all"));
  EXPECT_FALSE(StartProcess(""));
}

}  // namespace
}  // namespace tarnel
