#include "reports/ExportFixture.h"
#include "reports/Exports.h"
#include "reports/SarifExport.h"

namespace tarnel {
namespace {

using test::Count;

class SarifExportTest : public test::ExportFixture {
 protected:
  std::string Sarif(const std::vector<Finding>& findings) {
    StringByteSink sink;
    WriteSarif(sink, graph, findings);
    return sink.Text;
  }
  // Validates logs against the schema kept with the tests, and checks that every result's rule
  // index names its rule. Empty when valid, else what is wrong.
  std::string Validate(const std::vector<std::string>& logs) {
    std::string files;
    for (std::size_t i = 0; i < logs.size(); ++i) {
      files += " '" + dir.Write("log" + std::to_string(i) + ".sarif", logs[i]) + "'";
    }
    std::string output;
    const int status = test::RunCommand(
        python + " '" + test::SourcePath("tests/data/validate-json.py") + "' '" +
            test::SourcePath("tests/data/sarif-2.1.0-subset.schema.json") + "'" + files,
        output);
    const std::string check = dir.Write("rules.py",
                                        "import json,sys\n"
                                        "for p in sys.argv[1:]:\n"
                                        "  run=json.load(open(p,encoding='utf-8'))['runs'][0]\n"
                                        "  rules=run['tool']['driver']['rules']\n"
                                        "  for r in run['results']:\n"
                                        "    assert rules[r['ruleIndex']]['id']==r['ruleId'], r\n");
    std::string checked;
    const int ruleStatus = test::RunCommand(python + " '" + check + "'" + files, checked);
    return (status == 0 ? "" : output) + (ruleStatus == 0 ? "" : checked);
  }
  std::string python = test::SchemaPython();
};

TEST_F(SarifExportTest, FindingsAreResultsAtTheDeclarationInItsFile) {
  BuildExample();
  const std::string log = Sarif({{FindingRule::Unused, Proc("NextLogId").Key},
                                 {FindingRule::Unreachable, Proc("StepValue").Key},
                                 {FindingRule::MaybeByName, Proc("SaveCounter").Key}});
  EXPECT_NE(log.find("\"version\": \"2.1.0\""), std::string::npos);
  EXPECT_EQ(Count(log, "\"ruleId\""), 3u);
  EXPECT_NE(log.find("{\"ruleId\": \"TNL1001\", \"ruleIndex\": 0, \"level\": \"warning\", "
                     "\"message\": {\"text\": \"Function Module1.NextLogId is never called.\"}, "
                     "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": "
                     "\"Module1.bas\", \"uriBaseId\": \"PROJECTROOT\"}, \"region\": "
                     "{\"startLine\": 52}}, \"logicalLocations\": [{\"name\": \"NextLogId\", "
                     "\"fullyQualifiedName\": \"Module1.NextLogId\", \"kind\": \"function\"}]}]}"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"ruleId\": \"TNL1002\", \"ruleIndex\": 1"), std::string::npos);
  EXPECT_NE(log.find("\"uri\": \"frmMain.frm\", \"uriBaseId\": \"PROJECTROOT\"}, \"region\": "
                     "{\"startLine\": " +
                     std::to_string(Proc("StepValue").StartLine) + "}"),
            std::string::npos);
  EXPECT_NE(log.find("\"ruleId\": \"TNL1003\", \"ruleIndex\": 2, \"level\": \"note\""),
            std::string::npos);
  EXPECT_NE(
      log.find("\"PROJECTROOT\": {\"uri\": \"" +
               FileUri(AbsolutePath(test::SourcePath("examples/Demo")).generic_string()) + "/\"}"),
      std::string::npos);
}

TEST_F(SarifExportTest, UrisArePercentEncodedAndFilesOutsideTheProjectAreAbsolute) {
  EXPECT_EQ(FileUri("/tmp/a b/表.bas"), "file:///tmp/a%20b/%E8%A1%A8.bas");
  EXPECT_EQ(UriReference("Sub#1/x%y?.bas"), "Sub%231/x%25y%3F.bas");
  Module("プロジェクト/App.vbp",
         {"Module=Main; Main.bas", "Module=Shared; ..\\Shared\\Shared.bas"});
  Module("プロジェクト/Main.bas", {"Attribute VB_Name = \"Main\"", "Sub Go()", "End Sub"});
  Module("Shared/Shared.bas", {"Attribute VB_Name = \"Shared\"", "Sub Helper()", "End Sub"});
  Build("プロジェクト/App.vbp");
  const std::string log =
      Sarif({{FindingRule::Unused, Proc("Go").Key}, {FindingRule::Unused, Proc("Helper").Key}});
  EXPECT_NE(log.find("\"uri\": \"Main.bas\", \"uriBaseId\": \"PROJECTROOT\""), std::string::npos);
  EXPECT_NE(log.find("\"uri\": \"" + FileUri(AbsolutePath(dir.File("Shared/Shared.bas")).string()) +
                     "\"}"),
            std::string::npos);
  EXPECT_NE(log.find("%E3%83%97%E3%83%AD%E3%82%B8%E3%82%A7%E3%82%AF%E3%83%88/\"}"),
            std::string::npos);
}

TEST_F(SarifExportTest, UnknownKeysAreLeftOutAndNoFindingsGiveAnEmptyRun) {
  BuildExample();
  const std::string empty = Sarif({});
  EXPECT_NE(empty.find("\"results\": []\n"), std::string::npos);
  EXPECT_EQ(Sarif({{FindingRule::Unused, "9-9999"}}), empty);
}

TEST_F(SarifExportTest, LogsValidateAgainstTheSchema) {
  if (python.empty()) GTEST_SKIP() << "no python3 with jsonschema";
  WriteAwkward("プロジェクト 1/");
  Build("プロジェクト 1/Awk.vbp");
  std::vector<Finding> awkward;
  for (const ExportProcedure& procedure : graph.Procedures()) {
    awkward.push_back({FindingRule::Unreachable, procedure.Record->Key});
  }
  const std::string awkwardLog = Sarif(awkward);
  EXPECT_NE(awkwardLog.find("Sub Mod\\\\One.Say\\\"Hi cannot be reached"), std::string::npos);
  const std::string emptyLog = Sarif({});
  test::ProjectFixture::ctx.Result.SymbolList.Clear();
  BuildExample();
  const std::string exampleLog = Sarif({{FindingRule::Unused, Proc("NextLogId").Key},
                                        {FindingRule::MaybeByName, Proc("SaveCounter").Key}});
  EXPECT_EQ(Validate({awkwardLog, emptyLog, exampleLog}), "");

  // The validator does reject what breaks the format.
  std::string wrongVersion = exampleLog;
  wrongVersion.replace(wrongVersion.find("\"version\": \"2.1.0\""), 18, "\"version\": \"2.0.0\"");
  std::string rawUri = awkwardLog;
  rawUri.replace(rawUri.find("%E3"), 9, "プ");
  std::string lineZero = exampleLog;
  lineZero.replace(lineZero.find("\"startLine\": 52"), 15, "\"startLine\": 0");
  for (const std::string& broken : {wrongVersion, rawUri, lineZero}) {
    EXPECT_NE(Validate({broken}), "");
  }
}

TEST_F(SarifExportTest, WrittenFileHasTheWritersBytes) {
  BuildExample();
  const std::vector<Finding> findings = {{FindingRule::Unused, Proc("NextLogId").Key}};
  WriteExportFile(ExportFormat::Sarif, graph, Engine("out.sarif"), findings);
  EXPECT_EQ(test::ReadNative(dir.File("out.sarif")), Sarif(findings));
}

}  // namespace
}  // namespace tarnel
