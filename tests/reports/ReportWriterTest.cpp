#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Errors.h"
#include "reports/ReportWriter.h"
#include "reports/TreeDump.h"
#include "support/PlacedRecords.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

using Out = std::vector<std::string>;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
const std::string kRight = "\x81\xa8";
const std::string kLeft = "\x81\xa9";
const std::string kStdGroup = "\x95\x57\x8f\x80\xd3\xbc\xde\xad\xb0\xd9";  // 標準ﾓｼﾞｭｰﾙ

// One standard module Module1 with Main (calls Bump) and the private function Bump.
class ReportWriterTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
    Lines("Module1.bas",
          {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Bump 1", "End Sub",
           "Private Function Bump(n As Integer) As Integer", "    Bump = n + 1", "End Function"});
    Analyze();
    tree = ResultTree::Build(ctx.Result.SymbolList);
    caption = Engine("Demo.vbp");
  }
  Out Report(char form, char direction, char style) {
    MemoryLineSink sink;
    WriteXrefLines(sink, {tree, ctx.Result.SymbolList, caption},
                   ReportOptionsOf(form, direction, style));
    return sink.Lines;
  }
  // The lines after the caption, group and module lines.
  Out ProcedureLines(char form, char direction, char style) {
    Out all = Report(form, direction, style);
    return Out(all.begin() + 3, all.end());
  }

  ResultTree tree;
  std::string caption;
};

TEST_F(ReportWriterTest, FixedColumnsBothDirectionsShortLabels) {
  EXPECT_EQ(Report('F', 'B', 'S'),
            (Out{caption, Blanks(4) + kStdGroup, Blanks(8) + "Module1.bas",
                 Blanks(12) + "Sub Main" + Blanks(20) + kRight + " Module1.Bump",
                 Blanks(12) + "Function Bump", Blanks(40) + kLeft + " Module1.Main"}));
}

TEST_F(ReportWriterTest, CommaSeparatedBothDirectionsShortLabels) {
  EXPECT_EQ(Report('C', 'B', 'S'), (Out{caption, "," + kStdGroup, ",,Module1.bas",
                                        ",,,Sub Main," + kRight + ",Module1.Bump",
                                        ",,,Function Bump", ",,,," + kLeft + ",Module1.Main"}));
}

TEST_F(ReportWriterTest, EveryDirectionAndStyleOfTheExample) {
  EXPECT_EQ(ProcedureLines('F', 'I', 'S'),
            (Out{Blanks(12) + "Sub Main" + Blanks(20) + kRight + " Module1.Bump",
                 Blanks(12) + "Function Bump"}));
  EXPECT_EQ(ProcedureLines('F', 'Y', 'S'),
            (Out{Blanks(12) + "Sub Main",
                 Blanks(12) + "Function Bump" + Blanks(15) + kLeft + " Module1.Main"}));
  EXPECT_EQ(ProcedureLines('F', 'N', 'S'),
            (Out{Blanks(12) + "Sub Main", Blanks(12) + "Function Bump"}));
  EXPECT_EQ(ProcedureLines('F', 'B', 'D'),
            (Out{Blanks(12) + "Public Sub Main()" + Blanks(11) + kRight + " Module1.Bump",
                 Blanks(12) + "Private Function Bump(n As Integer) As Integer",
                 Blanks(40) + kLeft + " Module1.Main"}));
  EXPECT_EQ(ProcedureLines('C', 'B', 'x'),
            (Out{",,,\"Public Sub Main()\"," + kRight + ",Module1.Bump",
                 ",,,\"Private Function Bump(n As Integer) As Integer\"",
                 ",,,," + kLeft + ",Module1.Main"}));
  // Any other direction writes nothing for a procedure.
  EXPECT_EQ(ProcedureLines('F', 'Q', 'S'), Out{});
}

TEST_F(ReportWriterTest, OtherFormLettersGetNoPrefixAndNoArrows) {
  EXPECT_EQ(Report('c', 'B', 'S'),
            (Out{caption, kStdGroup, "Module1.bas", "Sub Main", "Function Bump"}));
  EXPECT_EQ(Report('c', 'N', 'D'), (Out{caption, kStdGroup, "Module1.bas", "\"Public Sub Main()\"",
                                        "\"Private Function Bump(n As Integer) As Integer\""}));
}

class ReportColumnsTest : public test::ProjectFixture {};

TEST_F(ReportColumnsTest, FortyByteLabelsMeetTheArrowAndLongerOnesPushItOut) {
  // Labels "Sub " + name at 12 blanks: a 24-byte name gives exactly 40 bytes.
  const std::string exact(24, 'a');
  const std::string longer(25, 'b');
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub " + exact + "()", "    T1", "    T2", "End Sub",
                  "Sub " + longer + "()", "    T1", "    T2", "End Sub", "Sub T1()", "End Sub",
                  "Sub T2()", "    T2", "End Sub"});
  Analyze();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  MemoryLineSink sink;
  WriteXrefLines(sink, {tree, ctx.Result.SymbolList, "p"},
                 {ReportForm::Fixed, ReportDirection::Callees, ReportStyle::KindAndName});
  std::vector<std::string> lines(sink.Lines.begin() + 3, sink.Lines.end());
  EXPECT_EQ(lines[0], Blanks(12) + "Sub " + exact + kRight + " M.T1");
  EXPECT_EQ(lines[1], Blanks(40) + kRight + " M.T2");
  EXPECT_EQ(lines[2], Blanks(12) + "Sub " + longer + Blanks(40) + kRight + " M.T1");
  EXPECT_EQ(lines[3], Blanks(40) + kRight + " M.T2");
  EXPECT_EQ(lines[4], Blanks(12) + "Sub T1");
  // A recursive procedure names itself.
  EXPECT_EQ(lines[5], Blanks(12) + "Sub T2" + Blanks(22) + kRight + " M.T2");
  EXPECT_EQ(lines.size(), 6u);
}

TEST_F(ReportColumnsTest, ModulesWithoutProceduresAndQuotesInDeclarations) {
  Lines("Demo.vbp", {"Module=M; M.bas", "Module=E; E.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Say(Optional s = \"a,b\")", "End Sub"});
  Lines("E.bas", {"Attribute VB_Name = \"E\""});
  Analyze();
  ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
  MemoryLineSink sink;
  WriteXrefLines(sink, {tree, ctx.Result.SymbolList, "p"},
                 {ReportForm::Comma, ReportDirection::Callers, ReportStyle::Declaration});
  EXPECT_EQ(sink.Lines, (Out{"p", "," + kStdGroup, ",,M.bas",
                             ",,,\"Sub Say(Optional s = \"a,b\")\"", ",,E.bas"}));
}

// A link names the record whose key is the link's text, however often it recurs: a record whose
// key holds the same number written otherwise ("4-12") is not it, nor one entered later under
// the same key, and numbers too large to be remembered are found as well. A link the list lacks
// fails the report.
TEST(ReportLinksTest, EachLinkNamesTheRecordItsKeyFinds) {
  SymbolList list;
  const auto add = [&](std::string key, std::string parent, std::string fullName) {
    return &test::AddPlacedRecord(list, std::move(key), std::move(parent), std::move(fullName));
  };
  add("3-0001", "1", "M");
  TPassRec* caller = add("4-0001", "3-0001", "M.Caller");
  add("4-12", "3-0001", "M.Short");
  add("4-0012", "3-0001", "M.Padded");
  add("4-5000000", "3-0001", "M.Far");
  add("4-0012", "3-0001", "M.Again");
  const ProcedureKey padded(12), far(5000000);
  caller->Calls = {padded, far, padded, far, padded};
  ResultTree tree = ResultTree::Build(list);
  MemoryLineSink sink;
  WriteXrefLines(sink, {tree, list, "p"},
                 {ReportForm::Comma, ReportDirection::Callees, ReportStyle::KindAndName});
  const std::string pre = ",,,Sub M.Caller," + kRight + ",";
  const std::string again = ",,,," + kRight + ",";
  ASSERT_EQ(sink.Lines.size(), 11u);
  EXPECT_EQ(Out(sink.Lines.begin() + 2, sink.Lines.begin() + 7),
            (Out{pre + "M.Padded", again + "M.Far", again + "M.Padded", again + "M.Far",
                 again + "M.Padded"}));

  for (const ProcedureKey missing : {ProcedureKey(13), ProcedureKey(6000000)}) {
    caller->Calls = {padded, missing};
    MemoryLineSink failed;
    EXPECT_THROW(
        WriteXrefLines(failed, {tree, list, "p"},
                       {ReportForm::Fixed, ReportDirection::Callees, ReportStyle::KindAndName}),
        ListIndexError);
  }
}

// Names are remembered in a store of their own: many of them, of every length, one far longer than
// the store takes at once, and each linked twice, come out whole each time.
TEST(ReportLinksTest, RememberedNamesStayWholeHoweverManyAndLong) {
  SymbolList list;
  test::AddPlacedRecord(list, "3-0001", "1", "M");
  TPassRec& caller = test::AddPlacedRecord(list, "4-0001", "3-0001", "M.Caller");
  std::vector<std::string> names;
  for (int i = 2; i < 3000; ++i) {
    std::string name =
        "M.P" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
    if (i == 1500) name = "M.Long" + std::string(70000, 'y');
    names.push_back(name);
    test::AddPlacedRecord(list, FormatKey(4, i), "3-0001", name);
    caller.Calls.emplace_back(static_cast<std::uint32_t>(i));
  }
  const std::vector<ProcedureKey> once = caller.Calls;
  caller.Calls.insert(caller.Calls.end(), once.begin(), once.end());
  ResultTree tree = ResultTree::Build(list);
  MemoryLineSink sink;
  WriteXrefLines(sink, {tree, list, "p"},
                 {ReportForm::Comma, ReportDirection::Callees, ReportStyle::KindAndName});
  // The caption and the module, the caller's links, then a line for each callee.
  ASSERT_EQ(sink.Lines.size(), 2 + 3 * names.size());
  const std::string first = ",,,Sub M.Caller," + kRight + ",";
  const std::string again = ",,,," + kRight + ",";
  for (std::size_t i = 0; i < 2 * names.size(); ++i) {
    EXPECT_EQ(sink.Lines[2 + i], (i == 0 ? first : again) + names[i % names.size()]) << i;
  }
}

TEST_F(ReportWriterTest, SaveReportPicksTheFormByExtension) {
  SaveReport(host, {tree, ctx.Result.SymbolList, caption}, Engine("out.Txt"));
  EXPECT_EQ(test::ReadNative(dir.File("out.Txt")),
            caption + "\r\n" + Blanks(4) + kStdGroup + "\r\n" + Blanks(8) + "Module1.bas\r\n" +
                Blanks(12) + "Sub Main" + Blanks(20) + kRight + " Module1.Bump\r\n" + Blanks(12) +
                "Function Bump\r\n" + Blanks(40) + kLeft + " Module1.Main\r\n");
  SaveReport(host, {tree, ctx.Result.SymbolList, caption}, Engine("out.csv"));
  EXPECT_EQ(test::ReadNative(dir.File("out.csv")).substr(caption.size() + 2, 2 + kStdGroup.size()),
            "," + kStdGroup + "\r");
  SaveReport(host, {tree, ctx.Result.SymbolList, caption}, Engine("out.lst"));
  EXPECT_EQ(test::ReadNative(dir.File("out.lst")), test::ReadNative(dir.File("out.Txt")));
}

TEST_F(ReportWriterTest, AnEmptyTreeWritesNothingAndSaysSo) {
  ResultTree empty;
  EXPECT_FALSE(WriteXref(host, {empty, ctx.Result.SymbolList, caption}, Engine("none.txt"), {}));
  EXPECT_EQ(host.Messages, (std::vector<std::string>{" No Output Item \r"}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.txt")));
}

TEST_F(ReportWriterTest, AnUnwritableReportFails) {
  const ReportInput input{tree, ctx.Result.SymbolList, caption};
  EXPECT_THROW(WriteXref(host, input, Engine("no/dir/r.txt"), {}), FileCreateError);
  EXPECT_THROW(WriteXref(host, input, "/dev/full", {}), FileWriteError);
}

TEST_F(ReportWriterTest, TheTreeDumpIndentsByDepthWithTabs) {
  MemoryLineSink sink;
  WriteTreeDumpLines(sink, tree);
  EXPECT_EQ(sink.Lines,
            (Out{"Vbp", "\t" + kStdGroup, "\t\tModule1.bas", "\t\t\tMain", "\t\t\tBump"}));
  WriteTreeDump(ResultTree(), Engine("empty.txt"));
  EXPECT_EQ(test::ReadNative(dir.File("empty.txt")), "");
}

}  // namespace
}  // namespace tarnel
