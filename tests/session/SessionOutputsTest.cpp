#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "reports/JsonExport.h"
#include "session/ProcedureTable.h"
#include "session/ProjectSession.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using test::ReadNative;

// What the batch tool writes through a session: the report with its caption, the exports, the
// JSON records and the unused list.
class SessionOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // "ﾃｽﾄ" in code page 932 makes the project's folder name non-ASCII.
    folder = Cp932ToUtf8("\xc3\xbd\xc4") + "/";
    dir.WriteLines(folder + "Demo.vbp", {"Module=Module1; Module1.bas"});
    dir.WriteLines(folder + "Module1.bas",
                   {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Helper", "End Sub",
                    "Sub Helper()", "End Sub", "Sub Orphan()", "End Sub"});
    dir.Write("out/.keep", "");
  }
  std::string Project() const { return NativeToEngine(dir.File(folder + "Demo.vbp")); }
  std::vector<std::string> Report(const ReportOptions& options = {}) const {
    MemoryLineSink sink;
    session.WriteReport(sink, options);
    return sink.Lines;
  }
  WritePath Out(const std::string& name) const { return WritePath::FromNative(dir.File(name)); }

  test::TempDir dir;
  std::string folder;
  test::RecordingHost host;
  ProjectSession session{host, NativeToEngine(dir.File("")), "Tarnel"};
};

TEST_F(SessionOutputsTest, TheReportCaptionFollowsTheEncodingOfTheRecords) {
  session.OpenProject(Project());
  ASSERT_FALSE(session.TextIsUtf8());
  EXPECT_EQ(Report().front(), Project());
  EXPECT_EQ(Report({ReportForm::Comma}).at(2), ",,Module1.bas");

  session.UseEncoding(SourceEncoding::Utf8);
  session.OpenProject(Project());
  ASSERT_TRUE(session.TextIsUtf8());
  EXPECT_EQ(Report().front(), Cp932ToUtf8(Project()));
  // The window's caption stays engine text.
  EXPECT_EQ(session.Caption(), Project());
}

TEST_F(SessionOutputsTest, OutputsMayNotReplaceWhatTheAnalysisRead) {
  session.OpenProject(Project());
  EXPECT_TRUE(session.IsInput(dir.File(folder + "Demo.vbp")));
  EXPECT_TRUE(session.IsInput(dir.File(folder + "Module1.bas")));
  EXPECT_FALSE(session.IsInput(dir.File("out/report.txt")));
}

TEST_F(SessionOutputsTest, ExportsComeFromTheOpenProjectAndEachFileIsWritten) {
  session.OpenProject(Project());
  session.Export({{ExportFormat::CallGraphDot, Out("out/calls.dot")},
                  {ExportFormat::EdgesJsonLines, Out("out/edges.jsonl")},
                  {ExportFormat::Sarif, Out("out/unused.sarif")}});
  EXPECT_NE(ReadNative(dir.File("out/calls.dot")).find("[label=\"Main\""), std::string::npos);
  const std::string edges = ReadNative(dir.File("out/edges.jsonl"));
  EXPECT_NE(edges.find("Module1.Helper"), std::string::npos);
  EXPECT_EQ(edges.find("Orphan"), std::string::npos);
  // The classic reading marks nothing unused: an empty run.
  EXPECT_EQ(ReadNative(dir.File("out/unused.sarif")).find("Orphan"), std::string::npos);
  EXPECT_TRUE(session.UnusedProcedures().empty());
  // No jobs, no files; a folder that is not there is the create error.
  session.Export({});
  EXPECT_THROW(session.Export({{ExportFormat::Tags, Out("none/tags")}}), FileCreateError);
}

TEST_F(SessionOutputsTest, ExportsAndTheTableTakeUtf8RecordsAsTheyAre) {
  // Code page 1252: "Se\xF1al" is "Señal".
  dir.WriteLines(folder + "Module1.bas", {"Attribute VB_Name = \"M\xF3"
                                          "dulo\"",
                                          "Public Sub Main()", "    Se\xF1\x61l", "End Sub",
                                          "Sub Se\xF1\x61l()", "End Sub"});
  session.UseEncoding(SourceEncoding::Cp1252);
  session.OpenProject(Project());
  ASSERT_TRUE(session.TextIsUtf8());
  session.Export({{ExportFormat::EdgesJsonLines, Out("out/edges.jsonl")}});
  EXPECT_NE(ReadNative(dir.File("out/edges.jsonl")).find("M\xC3\xB3\x64ulo.Se\xC3\xB1\x61l"),
            std::string::npos);
  const ProcedureTable table(session.Result().SymbolList, nullptr, session.TextIsUtf8());
  EXPECT_EQ(table.ToCsv(),
            "Module,Name,Kind,Scope,Line,Lines,Callers,Callees\r\n"
            "M\xC3\xB3\x64ulo,Main,Sub,G,2,1,0,1\r\n"
            "M\xC3\xB3\x64ulo,Se\xC3\xB1\x61l,Sub,G,5,0,1,0\r\n");
}

TEST_F(SessionOutputsTest, ThePreciseReadingFindsTheUnusedProcedureForTheListAndSarif) {
  session.UseReading(ReadingKind::Precise);
  session.OpenProject(Project());
  const std::vector<UnusedEntry> unused = session.UnusedProcedures();
  ASSERT_FALSE(unused.empty());
  bool orphan = false;
  for (const UnusedEntry& entry : unused) orphan = orphan || entry.Procedure->Name == "Orphan";
  EXPECT_TRUE(orphan);
  session.Export(
      {{ExportFormat::Sarif, Out("out/unused.sarif")}, {ExportFormat::Tags, Out("out/tags")}});
  EXPECT_NE(ReadNative(dir.File("out/unused.sarif")).find("Orphan"), std::string::npos);
  // Only the SARIF export carries the findings.
  EXPECT_EQ(ReadNative(dir.File("out/tags")).find("Unused"), std::string::npos);
}

TEST_F(SessionOutputsTest, TheJsonFileHoldsTheRecordsInRecordingOrderAndTheTreeDumpTheTree) {
  session.OpenProject(Project());
  session.ExportJson(Out("out/records.json"));
  // The session built its tree, which sorts the list; the file still has the recording order.
  StringByteSink expected;
  WriteSymbolsJson(expected, session.Context().Result.SymbolList);
  EXPECT_EQ(ReadNative(dir.File("out/records.json")), expected.Text);
  EXPECT_LT(expected.Text.find("\"Name\": \"Main\""), expected.Text.find("\"Name\": \"Helper\""));
  session.ExportTreeDump(Out("out/tree.txt"));
  EXPECT_EQ(ReadNative(dir.File("out/tree.txt")).substr(0, 5), "Vbp\r\n");
}

// The batch tool makes no name indexes: no output may read them.
TEST_F(SessionOutputsTest, WithoutNameIndexesEveryOutputIsTheSame) {
  for (const ReadingKind reading : {ReadingKind::Classic, ReadingKind::Precise}) {
    const auto outputs = [&] {
      session.UseReading(reading);
      session.OpenProject(Project());
      StringByteSink json;
      WriteSymbolsJson(json, session.Context().Result.SymbolList);
      std::string unused;
      for (const UnusedEntry& entry : session.UnusedProcedures()) unused += entry.Procedure->Key;
      std::vector<std::string> lines = Report({ReportForm::Fixed, ReportDirection::Both});
      lines.push_back(json.Text);
      lines.push_back(unused);
      return lines;
    };
    session.IndexNames(true);
    const std::vector<std::string> indexed = outputs();
    ASSERT_EQ(session.Result().ProcNames.Count(), 3);
    session.IndexNames(false);
    EXPECT_EQ(outputs(), indexed);
    EXPECT_EQ(session.Result().ProcNames.Count(), 0);
    EXPECT_EQ(session.Result().ProcFullNames.Count(), 0);
  }
}

}  // namespace
}  // namespace tarnel
