#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "BatchRun.h"
#include "analysis/ResultTree.h"
#include "cli/BatchTool.h"
#include "reports/Exports.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

// The batch tool's export options, on a project with a call inside a module and one across.
class BatchExportsTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    dir.Write("bin/resv.dic", "Call\r\n");
    Lines("Demo.vbp", {"Module=M; M.bas", "Class=C; C.cls"});
    Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Bump 1", "End Sub",
                    "Private Function Bump(n)", "    Bump = n", "End Function"});
    Lines("C.cls", {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"C\"",
                    "Public Sub Go()", "    Main", "End Sub"});
  }
  int Run(std::vector<std::string> args) {
    std::ostringstream out;
    const int status = test::RunBatch(args, dir.File("bin/"), out, err);
    report = out.str();
    return status;
  }
  // What the writers give for this project, through the same file path.
  std::string Expected(ExportFormat format, const std::string& name) {
    AnalysisContext fresh(host);
    AnalyzeProject(fresh, Engine("Demo.vbp"));
    const ResultTree tree = ResultTree::Build(fresh.Result.SymbolList);
    const ExportGraph graph = ExportGraph::Build(tree, fresh.Result.SymbolList, Engine("Demo.vbp"));
    WriteExportFile(format, graph, Engine(name));
    return test::ReadNative(dir.File(name));
  }
  std::string report;
  std::string err;
};

TEST_F(BatchExportsTest, EachOptionWritesItsExportAndLeavesTheReportAlone) {
  ASSERT_EQ(Run({dir.File("Demo.vbp")}), 0);
  const std::string plain = report;
  ASSERT_EQ(Run({"--dot", dir.File("calls.dot"), "--edges", dir.File("edges.jsonl"), "--tags",
                 dir.File("tags"), dir.File("Demo.vbp")}),
            0)
      << err;
  EXPECT_EQ(report, plain);
  EXPECT_EQ(err, "");
  const std::string dot = test::ReadNative(dir.File("calls.dot"));
  const std::string edges = test::ReadNative(dir.File("edges.jsonl"));
  const std::string tags = test::ReadNative(dir.File("tags"));
  EXPECT_EQ(dot, Expected(ExportFormat::CallGraphDot, "expected.dot"));
  EXPECT_EQ(edges, Expected(ExportFormat::EdgesJsonLines, "expected.jsonl"));
  EXPECT_EQ(tags, Expected(ExportFormat::Tags, "expected-tags"));
  EXPECT_NE(dot.find("subgraph \"cluster_3-0002\""), std::string::npos);
  EXPECT_EQ(std::count(edges.begin(), edges.end(), '\n'), 2);
  EXPECT_NE(
      tags.find("\nBump\tM.bas\t5;\"\tkind:function\tline:5\tmodule:M\taccess:private\tfile:\n"),
      std::string::npos);
}

TEST_F(BatchExportsTest, DotLevelModuleGivesTheModuleGraph) {
  ASSERT_EQ(Run({"--dot", dir.File("m.dot"), "--dot-level", "module", dir.File("Demo.vbp")}), 0);
  const std::string dot = test::ReadNative(dir.File("m.dot"));
  EXPECT_EQ(dot, Expected(ExportFormat::ModuleGraphDot, "expected.dot"));
  EXPECT_NE(dot.find("\"3-0002\" -> \"3-0001\" [weight=1, label=\"1\"];"), std::string::npos);
  ASSERT_EQ(Run({"--dot", dir.File("p.dot"), "--dot-level=procedure", dir.File("Demo.vbp")}), 0);
  EXPECT_EQ(test::ReadNative(dir.File("p.dot")), Expected(ExportFormat::CallGraphDot, "p2.dot"));
}

TEST_F(BatchExportsTest, BadExportOptionsAreUsageErrorsThatWriteNothing) {
  EXPECT_EQ(Run({"--dot", dir.File("x.dot"), "--dot-level", "modules", dir.File("Demo.vbp")}), 2);
  EXPECT_EQ(err.substr(0, 66),
            "tarnel-xref: --dot-level takes procedure or module, not \"modules\"\n");
  EXPECT_EQ(Run({"--dot-level", "module", dir.File("Demo.vbp")}), 2);
  EXPECT_EQ(err.substr(0, 38), "tarnel-xref: --dot-level needs --dot\nu");
  // Unused procedures come from the precise reading, which this tool does not offer yet.
  EXPECT_EQ(Run({"--sarif", dir.File("f.sarif"), dir.File("Demo.vbp")}), 2);
  EXPECT_EQ(err.substr(0, 37), "tarnel-xref: --sarif needs --precise\n");
  EXPECT_EQ(Run({"--edges", dir.File("Demo.vbp")}), 2);
  EXPECT_EQ(report, "");
  for (const char* name : {"x.dot", "f.sarif"}) {
    EXPECT_EQ(test::ReadNative(dir.File(name)), "") << name;
  }
}

TEST_F(BatchExportsTest, ExportsOfACodePage1252ProjectHoldItsNamesInUtf8) {
  // "Se\xF1\x61l" is "Señal" in code page 1252.
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Se\xF1\x61l", "End Sub",
                  "Sub Se\xF1\x61l()", "End Sub"});
  ASSERT_EQ(Run({"--encoding", "1252", "--precise", "--edges", dir.File("e.jsonl"), "--tags",
                 dir.File("tags"), "--sarif", dir.File("f.sarif"), "--output", dir.File("r.txt"),
                 dir.File("Demo.vbp")}),
            0)
      << err;
  const std::string edges = test::ReadNative(dir.File("e.jsonl"));
  EXPECT_NE(edges.find("\"M.Se\xC3\xB1\x61l\""), std::string::npos) << edges;
  EXPECT_NE(test::ReadNative(dir.File("tags")).find("\nSe\xC3\xB1\x61l\tM.bas\t5;"),
            std::string::npos);
  EXPECT_NE(test::ReadNative(dir.File("f.sarif")).find("C.Go"), std::string::npos);
}

TEST_F(BatchExportsTest, AnExportThatCannotBeWrittenFails) {
  EXPECT_EQ(Run({"--tags", dir.File("no/such/folder/tags"), dir.File("Demo.vbp")}), 1);
  EXPECT_NE(err.find(dir.File("no/such/folder/tags")), std::string::npos) << err;
  EXPECT_EQ(Run({"--edges", dir.Path(), dir.File("Demo.vbp")}), 1);
}

}  // namespace
}  // namespace tarnel
