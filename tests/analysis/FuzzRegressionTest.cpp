// Inputs that the fuzz targets found wrong, kept as ordinary tests.
#include <gtest/gtest.h>

#include "analysis/ModuleScan.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

struct Declared {
  std::string Name;
  std::string Text;
  std::int32_t StartLine;
  std::int32_t BodyLines;
};

// The declarations with their names and lines taken from the scan's shared text.
std::vector<Declared> Declarations(std::string bytes, LineCounters& counters) {
  TextReader file = TextReader::FromBytes(std::move(bytes));
  std::vector<ScannedDeclaration> found;
  std::string texts;
  FindDeclarations(counters, file, found, texts);
  std::vector<Declared> declared;
  ForEachDeclaration(
      found, texts,
      [&](const ScannedDeclaration& proc, std::string_view name, std::string_view text) {
        declared.push_back({std::string(name), std::string(text), proc.StartLine, proc.BodyLines});
      });
  return declared;
}

// A continued line at the end of the file counts its join without reading a further line, so
// LineNo - ContinuationCount falls one short of the declaration's first line.
TEST(FuzzRegressionTest, DeclarationContinuedAtEndOfFileStartsOnItsOwnLine) {
  LineCounters counters;
  std::vector<Declared> found = Declarations("Private Static Sub Foo _\r\n", counters);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, "");
  EXPECT_EQ(found[0].StartLine, 1);
  EXPECT_EQ(found[0].BodyLines, 0);
  EXPECT_EQ(counters.LineNo, 1);

  counters = {};
  found = Declarations("x = 1\r\nSub A()\r\nEnd Sub\r\nFunction B( _\r\n  n) _", counters);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].Name, "A");
  EXPECT_EQ(found[0].Text, "Sub A()");
  EXPECT_EQ(found[1].Name, "B");
  EXPECT_EQ(found[1].Text, "Function B( n) ");
  EXPECT_EQ(found[1].StartLine, 4);
  EXPECT_EQ(found[1].BodyLines, 1);
}

class FuzzRegressionProjectTest : public test::ProjectFixture {};

TEST_F(FuzzRegressionProjectTest, BodyOfDeclarationContinuedAtEndOfFileIsReadWithoutEof) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "  Tail", "End Sub", "Sub Tail(a, _"});
  Analyze();
  const TPassRec& tail = Proc("Tail");
  EXPECT_EQ(tail.StartLine, 5);  // not the end line of Main above it
  EXPECT_EQ(tail.BodyLines, 0);
  EXPECT_TRUE(host.Messages.empty());
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), test::Keys{tail.Key});
  EXPECT_TRUE(tail.Calls.empty());
}

}  // namespace
}  // namespace tarnel
