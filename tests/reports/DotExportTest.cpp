#include "reports/DotExport.h"
#include "reports/ExportFixture.h"
#include "reports/Exports.h"

namespace tarnel {
namespace {

using test::Count;

class DotExportTest : public test::ExportFixture {
 protected:
  std::string CallGraph() {
    StringByteSink sink;
    WriteCallGraphDot(sink, graph);
    return sink.Text;
  }
  std::string ModuleGraph() {
    StringByteSink sink;
    WriteModuleGraphDot(sink, graph);
    return sink.Text;
  }
  // Renders with the real dot; false (and the test skipped) where it is not installed.
  void ExpectRenders(const std::string& dotText, std::string& svg) {
    const std::string file = dir.Write("graph.dot", dotText);
    ASSERT_EQ(test::RunCommand("dot -Tsvg '" + file + "'", svg), 0) << svg;
  }
};

TEST_F(DotExportTest, QuotedTextEscapesQuotesBackslashesAndLineEnds) {
  EXPECT_EQ(DotQuoted("Say\"Hi"), "\"Say\\\"Hi\"");
  EXPECT_EQ(DotQuoted("Back\\Slash"), "\"Back\\\\Slash\"");
  // A trailing backslash must not swallow the closing quote.
  EXPECT_EQ(DotQuoted("x\\"), "\"x\\\\\"");
  EXPECT_EQ(DotQuoted("a\nb\x01"
                      "c\td"),
            "\"a\\nb c\td\"");
  EXPECT_EQ(DotQuoted("表示"), "\"表示\"");
}

TEST_F(DotExportTest, ExampleHasAClusterPerModuleANodePerProcedureAndAnEdgePerPair) {
  BuildExample();
  const std::string dot = CallGraph();
  std::size_t modulesWithProcedures = 0, calls = 0;
  for (const ExportModule& module : graph.Modules()) {
    if (module.Procedures.empty()) continue;
    ++modulesWithProcedures;
    EXPECT_EQ(Count(dot, "subgraph \"cluster_" + module.Record->Key + "\""), 1u);
    EXPECT_EQ(Count(dot, "label=\"" + module.Name + "\"; tooltip="), 1u);
  }
  for (const ExportProcedure& procedure : graph.Procedures()) {
    calls += procedure.Record->Calls.size();
    EXPECT_EQ(Count(dot, "\"" + procedure.Record->Key + "\" [label=\"" + procedure.Name +
                             "\", tooltip=\"" + procedure.Declaration + "\"];"),
              1u);
  }
  EXPECT_EQ(modulesWithProcedures, 4u);
  EXPECT_EQ(Count(dot, "subgraph "), 4u);
  EXPECT_EQ(Count(dot, " -> "), calls);
  EXPECT_GT(calls, 20u);
  // Main calls InitApp: the first edge, from the first procedure of the tree.
  EXPECT_NE(dot.find("  \"4-0001\" -> \"4-0002\";\n"), std::string::npos);
  // Each module kind has its colour.
  EXPECT_NE(dot.find("label=\"Module1\"; tooltip=\"Module Module1.bas\"; style=filled; "
                     "fillcolor=\"#cfe2f3\""),
            std::string::npos);
  EXPECT_NE(dot.find("label=\"frmMain\"; tooltip=\"Form frmMain.frm\"; style=filled; "
                     "fillcolor=\"#d9ead3\""),
            std::string::npos);
  EXPECT_NE(dot.find("label=\"CCounter\"; tooltip=\"Class CCounter.cls\"; style=filled; "
                     "fillcolor=\"#fff2cc\""),
            std::string::npos);
  EXPECT_EQ(dot.substr(0, 20), "digraph \"Demo.vbp\" {");
  EXPECT_EQ(dot.substr(dot.size() - 2), "}\n");
}

TEST_F(DotExportTest, AwkwardNamesAreEscapedAndDuplicatesStayApart) {
  WriteAwkward();
  Build("Awk.vbp");
  const std::string dot = CallGraph();
  EXPECT_NE(dot.find("label=\"Mod\\\\One\"; tooltip=\"Module mod1.BAS\""), std::string::npos);
  EXPECT_NE(dot.find("[label=\"Say\\\"Hi\", tooltip=\"Sub Say\\\"Hi()\"]"), std::string::npos);
  EXPECT_NE(dot.find("[label=\"Back\\\\Slash\", tooltip=\"Sub Back\\\\Slash()\"]"),
            std::string::npos);
  EXPECT_NE(dot.find("[label=\"表示\", tooltip=\"Function 表示()\"]"), std::string::npos);
  EXPECT_NE(dot.find("label=\"モジュール\"; tooltip=\"Module モジュール.bas\""), std::string::npos);
  // Three procedures named Dup, three nodes; the Japanese module's Dup calls Mod1's.
  EXPECT_EQ(Count(dot, "[label=\"Dup\""), 3u);
  const int caller = graph.FindProcedure(Proc("Dup").Key);
  ASSERT_GE(caller, 0);
  const std::string japaneseDup = graph.Procedures()[graph.Modules()[1].Procedures[0]].Record->Key;
  EXPECT_NE(dot.find("\"" + japaneseDup + "\" -> \"" + Proc("Dup").Key + "\";"), std::string::npos);
}

TEST_F(DotExportTest, ModuleGraphWeighsCallsBetweenModulesAndLeavesOutCallsWithin) {
  WriteAwkward();
  Build("Awk.vbp");
  const std::string dot = ModuleGraph();
  // Mod1 calls only itself; the Japanese module calls Mod1 twice, the class once.
  EXPECT_EQ(Count(dot, " -> "), 2u);
  EXPECT_NE(dot.find("\"3-0002\" -> \"3-0001\" [weight=2, label=\"2\"];"), std::string::npos);
  EXPECT_NE(dot.find("\"3-0003\" -> \"3-0001\" [weight=1, label=\"1\"];"), std::string::npos);
  EXPECT_NE(dot.find("\"3-0003\" [label=\"C\", tooltip=\"Class Odd.cls\", fillcolor=\"#fff2cc\"];"),
            std::string::npos);

  // Where the reading records call sites, each site is a call.
  test::TwoSitesEach sites;
  graph = ExportGraph::Build(tree, ctx.Result.SymbolList, Engine("Awk.vbp"), &sites);
  const std::string weighed = ModuleGraph();
  EXPECT_NE(weighed.find("\"3-0002\" -> \"3-0001\" [weight=4, label=\"4\"];"), std::string::npos);
}

TEST_F(DotExportTest, RealDotRendersTheAwkwardNamesAndTheExample) {
  if (!test::HaveProgram("dot")) GTEST_SKIP() << "Graphviz dot is not installed";
  WriteAwkward();
  Build("Awk.vbp");
  std::string svg;
  ExpectRenders(CallGraph(), svg);
  EXPECT_NE(svg.find(">Say&quot;Hi</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">Back\\Slash</text>"), std::string::npos);
  EXPECT_NE(svg.find(">表示</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Mod\\One</text>"), std::string::npos);
  EXPECT_NE(svg.find("xlink:title=\"Function 表示()\""), std::string::npos);
  ExpectRenders(ModuleGraph(), svg);
  EXPECT_NE(svg.find(">モジュール</text>"), std::string::npos);

  test::ProjectFixture::ctx.Result.SymbolList.Clear();
  BuildExample();
  ExpectRenders(CallGraph(), svg);
  EXPECT_EQ(Count(svg, "class=\"node\""), graph.Procedures().size());
  ExpectRenders(ModuleGraph(), svg);
  EXPECT_EQ(Count(svg, "class=\"node\""), graph.Modules().size());
}

}  // namespace
}  // namespace tarnel
