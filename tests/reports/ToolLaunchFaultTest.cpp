// A tool's argument must reach it as one word, exactly, whatever it holds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/ProcessStart.h"
#include "reports/ToolLauncher.h"

namespace tarnel {
namespace {

using Words = std::vector<std::string>;

TEST(ToolCommandLineTest, ArgumentsWithQuotesAndBackslashesComeBackWhole) {
  const Words arguments = {
      "plain",
      "with blanks, and commas",
      "say \"hi\" twice",
      "odd \" quote",
      "\"",
      "\"\"",
      "C:\\Work\\",  // a folder: the last backslash stands before the closing quote
      "C:\\Work\\\\",
      "a\\\"b",                    // backslash, quote
      "a\\\\\"b",                  // two backslashes, quote
      "\\\\server\\share\\x.txt",  // backslashes elsewhere stay as they are
      "; rm -rf x && $(touch y) `z` | w > v",
      "\x95\\",          // code page 932: a double-byte character whose second byte is "\"
      "\x83\\\"\x95\\",  // and one before a quote
      "",
  };
  for (const std::string& argument : arguments) {
    SCOPED_TRACE(argument);
    EXPECT_EQ(SplitCommandLine(ToolCommandLine("C:\\Tools\\viewer.exe", argument)),
              (Words{"C:\\Tools\\viewer.exe", argument}));
  }
}

TEST(ToolCommandLineTest, ArgumentsWithoutQuotesOrATrailingBackslashKeepTheDesignedLine) {
  EXPECT_EQ(ToolCommandLine("C:\\Tools\\edit.exe", "C:\\Work\\Demo.vbp"),
            "C:\\Tools\\edit.exe \"C:\\Work\\Demo.vbp\"");
  EXPECT_EQ(ToolCommandLine("edit", "a b; $(c)"), "edit \"a b; $(c)\"");
  EXPECT_EQ(ToolCommandLine("edit", ""), "edit \"\"");
}

TEST(ToolCommandLineTest, AnyMixOfQuotesBackslashesAndBlanksComesBackWhole) {
  const std::string alphabet = "a \"\\\t;$`\x95";
  std::mt19937 random(8);
  for (int round = 0; round < 3000; ++round) {
    std::string argument;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) argument += alphabet[random() % alphabet.size()];
    const Words words = SplitCommandLine(ToolCommandLine("prog", argument));
    ASSERT_EQ(words, (Words{"prog", argument})) << "argument: " << argument;
  }
}

}  // namespace
}  // namespace tarnel
