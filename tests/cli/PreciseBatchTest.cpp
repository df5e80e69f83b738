#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "BatchRun.h"
#include "cli/BatchTool.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

// The batch tool's precise reading and source encodings.
class PreciseBatchTest : public test::ProjectFixture {
 protected:
  void SetUp() override { dir.Write("bin/resv.dic", "Call\r\n"); }
  int Run(std::vector<std::string> args) {
    out.str("");
    std::string err;
    return test::RunBatch(args, dir.File("bin/"), out, err);
  }
  std::ostringstream out;
};

TEST_F(PreciseBatchTest, JsonAddsCallSitesMarksAndTheReading) {
  Lines("P.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Declare Sub Sleep Lib \"k\" (ByVal n As Long)",
                  "Sub Main()", "  Sleep 1: Call Sleep(2)", "End Sub"});
  ASSERT_EQ(Run({"--precise", "--json", dir.File("p.json"), dir.File("P.vbp")}), 0);
  const std::string json = test::ReadNative(dir.File("p.json"));
  EXPECT_EQ(json.rfind("{\"Reading\": \"Precise\", \"symbols\": [", 0), 0u);
  EXPECT_NE(
      json.find("\"Kind\": 16, \"Text\": \"Declare Sub Sleep Lib \\\"k\\\" (ByVal n As Long)\", "
                "\"StartLine\": 2, \"BodyLines\": 0, \"Calls\": [], \"CalledBy\": [\"4-0002\"], "
                "\"CallSites\": [], \"EntryPoint\": false, \"Unused\": false, "
                "\"Unreachable\": false, \"ByName\": false}"),
      std::string::npos);
  EXPECT_NE(json.find("\"Calls\": [\"4-0001\"], \"CalledBy\": [], \"CallSites\": [{\"Key\": "
                      "\"4-0001\", \"Line\": 4}, {\"Key\": \"4-0001\", \"Line\": 4}]"),
            std::string::npos);
  // The report writes the new kind word.
  EXPECT_NE(out.str().find("Declare Sub Sleep"), std::string::npos);
  // The classic reading's JSON has none of it.
  ASSERT_EQ(Run({"--json", dir.File("c.json"), dir.File("P.vbp")}), 0);
  EXPECT_EQ(test::ReadNative(dir.File("c.json")).find("Reading"), std::string::npos);
}

TEST_F(PreciseBatchTest, UnusedListSarifAndCallLinesFromTheMarks) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=C; C.cls"});
  Lines("M.bas",
        {"Attribute VB_Name = \"M\"", "Sub Main()", "  Dim c As New C", "  c.Go: c.Go", "End Sub",
         "Sub Spare()", "  Helper", "End Sub", "Sub Helper()", "End Sub", "Sub Later()", "End Sub",
         "Sub Late2()", "  CallByName Me, \"Later\", 1", "End Sub"});
  Lines("C.cls", {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"C\"",
                  "Public Sub Go()", "End Sub", "Public Sub Na\x95\x5cme, x()", "End Sub"});
  ASSERT_EQ(Run({"--precise", "--unused", dir.File("u.txt"), "--sarif", dir.File("f.sarif"),
                 "--edges", dir.File("e.jsonl"), dir.File("P.vbp")}),
            0);
  EXPECT_EQ(test::ReadNative(dir.File("u.txt")),
            "Unused\tM.Spare\tSub\tM.bas\t6\r\n"
            "Unreachable\tM.Helper\tSub\tM.bas\t9\r\n"
            "ByName\tM.Later\tSub\tM.bas\t11\r\n"
            "Unused\tM.Late2\tSub\tM.bas\t13\r\n"
            "Unused\tC.Na\x95\x5cme\tSub\tC.cls\t7\r\n");
  const std::string sarif = test::ReadNative(dir.File("f.sarif"));
  EXPECT_NE(sarif.find("\"ruleId\": \"TNL1003\""), std::string::npos);
  EXPECT_NE(sarif.find("Sub M.Spare is never called."), std::string::npos) << sarif;
  EXPECT_NE(test::ReadNative(dir.File("e.jsonl")).find("\"callLines\":[4,4]"), std::string::npos);
  // CSV quotes as RFC 4180 asks, and --utf8 converts the names as in the report.
  ASSERT_EQ(Run({"--precise", "--utf8", "--unused", dir.File("u.CSV"), dir.File("P.vbp")}), 0);
  const std::string csv = test::ReadNative(dir.File("u.CSV"));
  EXPECT_EQ(csv.substr(0, 26), "Mark,Name,Kind,File,Line\r\n");
  EXPECT_NE(csv.find("Unused,C.Na\xe8\xa1\xa8me,Sub,C.cls,7\r\n"), std::string::npos) << csv;
  // The marks need the precise reading.
  EXPECT_EQ(Run({"--unused", dir.File("v.txt"), dir.File("P.vbp")}), 2);
  EXPECT_EQ(test::ReadNative(dir.File("v.txt")), "");
}

TEST_F(PreciseBatchTest, EncodingsDecodeEachFileAndWriteUtf8) {
  Lines("P.vbp", {"Module=Es; Es.bas", "Module=Ja; Ja.bas", "Module=U8; U8.bas"});
  // Cálculo and Größe in code page 1252, 表示 in code page 932, Größe, 表示 and Cálculo in UTF-8.
  Lines("Es.bas", {"Attribute VB_Name = \"Es\"", "Sub C\xe1lculo()",
                   "  Gr\xf6\xdf"
                   "e",
                   "End Sub"});
  Lines("Ja.bas", {"Attribute VB_Name = \"Ja\"", "Sub \x95\x5c\x8e\xa6()", "End Sub"});
  Lines("U8.bas", {"Attribute VB_Name = \"U8\"",
                   "Sub Gr\xc3\xb6\xc3\x9f"
                   "e()",
                   "  Call \xe8\xa1\xa8\xe7\xa4\xba", "  C\xc3\xa1lculo", "End Sub"});
  for (const char* reading : {"--precise", "--form=F"}) {
    SCOPED_TRACE(reading);
    ASSERT_EQ(
        Run({reading, "--encoding", "Auto", "--tree-dump", dir.File("t.txt"), dir.File("P.vbp")}),
        0);
    const std::string report = out.str();
    EXPECT_NE(report.find("Sub C\xc3\xa1lculo"), std::string::npos) << report;
    EXPECT_NE(report.find("Sub \xe8\xa1\xa8\xe7\xa4\xba"), std::string::npos) << report;
    EXPECT_NE(report.find("\xe2\x86\x92 U8.Gr\xc3\xb6\xc3\x9f"
                          "e"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\xe2\x86\x92 Ja.\xe8\xa1\xa8\xe7\xa4\xba"), std::string::npos) << report;
    EXPECT_NE(report.find("\xe2\x86\x92 Es.C\xc3\xa1lculo"), std::string::npos) << report;
    EXPECT_NE(test::ReadNative(dir.File("t.txt")).find("\t\t\tC\xc3\xa1lculo\r\n"),
              std::string::npos);
    EXPECT_NE(test::ReadNative(dir.File("t.txt")).find("\xe6\xa8\x99\xe6\xba\x96"),
              std::string::npos);  // 標準, the group caption in UTF-8
  }
  // 932 keeps the bytes as they are.
  ASSERT_EQ(Run({"--encoding", "932", dir.File("P.vbp")}), 0);
  EXPECT_NE(out.str().find("Sub \x95\x5c\x8e\xa6"), std::string::npos);
  EXPECT_EQ(Run({"--encoding", "latin1", dir.File("P.vbp")}), 2);
  // The exports take the UTF-8 records as they are: each file's names decoded once.
  ASSERT_EQ(Run({"--encoding", "Auto", "--tags", dir.File("tags"), dir.File("P.vbp")}), 0);
  const std::string tags = test::ReadNative(dir.File("tags"));
  EXPECT_NE(tags.find("\nC\xc3\xa1lculo\t"), std::string::npos) << tags;
  EXPECT_NE(tags.find("\n\xe8\xa1\xa8\xe7\xa4\xba\t"), std::string::npos) << tags;
}

TEST_F(PreciseBatchTest, ArrowsAfterALabelOfFullWidthStayApartFromUtf8Text) {
  // 12 blanks, "Sub " and a 24-byte name ending in a UTF-8 character fill the 40 columns, so
  // the arrow follows the name's last byte directly.
  const std::string name =
      "Abcdefghijklmnopq"
      "Gr\xc3\xb6\xc3\x9f"
      "e";
  Lines("P.vbp", {"Module=M; M.bas"});
  dir.Write("M.bas", "Attribute VB_Name = \"M\"\r\nSub " + name +
                         "()\r\n  \xe5\x8d\x93\r\nEnd Sub\r\n" +
                         "Sub \xe5\x8d\x93()\r\nEnd Sub\r\n");
  ASSERT_EQ(Run({"--encoding", "UTF-8", dir.File("P.vbp")}), 0);
  EXPECT_NE(out.str().find("Sub " + name + "\xe2\x86\x92 M.\xe5\x8d\x93\r\n"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("Sub \xe5\x8d\x93\r\n" + std::string(40, ' ') + "\xe2\x86\x90 M." +
                           name + "\r\n"),
            std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace tarnel
