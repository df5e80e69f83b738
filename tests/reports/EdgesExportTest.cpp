#include "reports/EdgesExport.h"
#include "reports/ExportFixture.h"

namespace tarnel {
namespace {

class EdgesExportTest : public test::ExportFixture {
 protected:
  std::vector<std::string> Edges() {
    StringByteSink sink;
    WriteEdgesJsonLines(sink, graph);
    EXPECT_TRUE(sink.Text.empty() || sink.Text.back() == '\n');
    return test::SplitLines(sink.Text);
  }
};

TEST_F(EdgesExportTest, OneObjectPerPairWithNamesKindsKeysFilesAsOnDiskAndLines) {
  WriteAwkward();
  Build("Awk.vbp");
  const std::vector<std::string> lines = Edges();
  ASSERT_EQ(lines.size(), 5u);
  // The project says mod1.BAS; the file is Mod1.bas.
  EXPECT_EQ(lines[0],
            "{\"caller\":\"Mod\\\\One.Say\\\"Hi\",\"callee\":\"Mod\\\\One.Back\\\\Slash\","
            "\"callerKind\":\"Sub\",\"callerKey\":\"4-0001\",\"callerFile\":\"Mod1.bas\","
            "\"callerStartLine\":2,\"calleeKind\":\"Sub\",\"calleeKey\":\"4-0002\","
            "\"calleeFile\":\"Mod1.bas\",\"calleeStartLine\":5}");
  EXPECT_NE(lines[1].find("\"callee\":\"Mod\\\\One.表示\",\"callerKind\":\"Sub\""),
            std::string::npos);
  EXPECT_NE(lines[1].find("\"calleeKind\":\"Function\""), std::string::npos);
  // The Japanese module's Dup calls Mod1's Dup, not itself.
  EXPECT_NE(lines[2].find("{\"caller\":\"モジュール.Dup\",\"callee\":\"Mod\\\\One.Dup\""),
            std::string::npos);
  EXPECT_NE(lines[2].find("\"callerFile\":\"モジュール.bas\""), std::string::npos);
  EXPECT_NE(lines[4].find("{\"caller\":\"C.Dup\",\"callee\":\"Mod\\\\One.Say\\\"Hi\""),
            std::string::npos);
  for (const std::string& line : lines) EXPECT_EQ(line.find("callLines"), std::string::npos);
}

TEST_F(EdgesExportTest, CallSiteLinesComeWithAReadingThatRecordsThem) {
  WriteAwkward();
  test::TwoSitesEach sites;
  Build("Awk.vbp", &sites);
  for (const std::string& line : Edges()) {
    EXPECT_EQ(line.substr(line.size() - 19), ",\"callLines\":[3,4]}");
  }
}

TEST_F(EdgesExportTest, FilesAreRelativeToTheProjectFolderEvenOutsideIt) {
  Module("app/App.vbp", {"Module=Main; Main.bas", "Module=Shared; ..\\Shared Code\\SHARED.BAS"});
  Module("app/Main.bas", {"Attribute VB_Name = \"Main\"", "Sub Go()", "  Helper", "End Sub"});
  Module("Shared Code/Shared.bas", {"Attribute VB_Name = \"Shared\"", "Sub Helper()", "End Sub"});
  Build("app/App.vbp");
  const std::vector<std::string> lines = Edges();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("\"callerFile\":\"Main.bas\""), std::string::npos);
  EXPECT_NE(lines[0].find("\"calleeFile\":\"../Shared Code/Shared.bas\""), std::string::npos);
}

TEST_F(EdgesExportTest, PythonReadsEveryLineOfTheExample) {
  const std::string python = test::SchemaPython();
  if (python.empty() && !test::HaveProgram("python3")) GTEST_SKIP() << "no python3";
  BuildExample();
  StringByteSink sink;
  WriteEdgesJsonLines(sink, graph);
  const std::string file = dir.Write("edges.jsonl", sink.Text);
  std::size_t calls = 0;
  for (const ExportProcedure& procedure : graph.Procedures())
    calls += procedure.Record->Calls.size();
  std::string output;
  const std::string script =
      "import json,sys\n"
      "rows=[json.loads(l) for l in open(sys.argv[1],encoding='utf-8')]\n"
      "keys={'caller','callee','callerKind','callerKey','callerFile','callerStartLine',"
      "'calleeKind','calleeKey','calleeFile','calleeStartLine'}\n"
      "assert all(set(r)==keys for r in rows)\n"
      "assert all(r['caller'].split('.')[1] and r['callerStartLine']>0 for r in rows)\n"
      "print(len(rows), len({(r['callerKey'],r['calleeKey']) for r in rows}))\n";
  const std::string scriptFile = dir.Write("check.py", script);
  ASSERT_EQ(
      test::RunCommand(
          (python.empty() ? "python3" : python) + " '" + scriptFile + "' '" + file + "'", output),
      0)
      << output;
  EXPECT_EQ(output, std::to_string(calls) + " " + std::to_string(calls) + "\n");
}

}  // namespace
}  // namespace tarnel
