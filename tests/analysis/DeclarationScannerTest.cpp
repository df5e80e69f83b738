#include <gtest/gtest.h>

#include "analysis/AnalysisSteps.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class DeclarationScannerTest : public test::ProjectFixture {
 protected:
  // Analyses one standard module made of lines (its first line is the name line).
  void Module(std::initializer_list<std::string_view> lines) {
    Lines("Demo.vbp", {"Module=M; M.bas"});
    Lines("M.bas", lines);
    Analyze();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      if (IsProcedureKind(ctx.Result.SymbolList.At(i).Kind))
        names.push_back(ctx.Result.SymbolList.At(i).Name);
    }
    return names;
  }
};

TEST_F(DeclarationScannerTest, EveryPrefixGivesItsKindAndScope) {
  Module({"Attribute VB_Name = \"M\"",
          "Private Sub A()",
          "End Sub",
          "Public Sub B()",
          "End Sub",
          "Sub C()",
          "End Sub",
          "Private Static Sub D(x As Long)",
          "End Sub",
          "Static Function E()",
          "End Function",
          "Public Static Function F()",
          "End Function",
          "Private Property Get G()",
          "End Property",
          "Public Property Let G(v)",
          "End Property",
          "Property Set H(o As Object)",
          "End Property",
          "Function I() As Long",
          "End Function"});
  struct Expected {
    const char* Name;
    int Kind;
    const char* Scope;
  };
  const Expected expected[] = {{"A", KindSub, "P"},         {"B", KindSub, "G"},
                               {"C", KindSub, "G"},         {"D", KindSub, "P"},
                               {"E", KindFunction, "G"},    {"F", KindFunction, "G"},
                               {"G", KindPropertyGet, "P"}, {"G", KindPropertyLet, "G"},
                               {"H", KindPropertySet, "G"}, {"I", KindFunction, "G"}};
  ASSERT_EQ(Names().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const TPassRec& r = Rec(FormatKey(4, static_cast<long>(i + 1)));
    EXPECT_EQ(r.Name, expected[i].Name) << i;
    EXPECT_EQ(r.Kind, expected[i].Kind) << i;
    EXPECT_EQ(r.Scope, expected[i].Scope) << i;
    EXPECT_EQ(r.FullName, std::string("M.") + expected[i].Name);
  }
  // A Property Get and Let of one property: same names, two keys.
  EXPECT_EQ(Rec("4-0007").FullName, Rec("4-0008").FullName);
}

TEST_F(DeclarationScannerTest, LinesThatOnlyLookLikeDeclarationsAreNot) {
  Module({"Attribute VB_Name = \"M\"",
          "Public Declare Function GetTickCount Lib \"kernel32\" () As Long",
          "Private SubTotal As Long", "Private Static Property Get P()", "End Property",
          "  Sub Indented()", "End Sub", "sub lower()", "End Sub", "Friend Sub F()", "End Sub"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"Indented"}));  // declarations are trimmed first
}

TEST_F(DeclarationScannerTest, TheFirstLineOfAStandardModuleIsAlwaysTheNameLine) {
  Module({"Sub First()", "End Sub", "Sub Second()", "End Sub"});
  EXPECT_EQ(Rec("3-0001").FullName, "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Second"}));
  EXPECT_EQ(Proc("Second").FullName, ".Second");
}

TEST_F(DeclarationScannerTest, AContinuedDeclarationStartsOnItsFirstLine) {
  Module({"Attribute VB_Name = \"M\"", "", "Public Function Twice( _",
          "    n As Integer) As Integer", "    Twice = n * 2", "End Function", "Sub Zero()",
          "End Sub"});
  const TPassRec& twice = Proc("Twice");
  EXPECT_EQ(twice.StartLine, 3);
  EXPECT_EQ(twice.Text, "Public Function Twice( n As Integer) As Integer");
  EXPECT_EQ(twice.BodyLines, 2);  // the second physical line lies inside the body
  EXPECT_EQ(Proc("Zero").StartLine, 7);
  EXPECT_EQ(Proc("Zero").BodyLines, 0);
}

TEST_F(DeclarationScannerTest, NamesAreTrimmedAndEmptyWithoutParenthesis) {
  Module({"Attribute VB_Name = \"M\"", "Public Function Twice _", "(n As Integer)", "End Function",
          "Sub  Spaced ()", "End Sub", "Sub NoParens", "End Sub",
          "Private Sub Cmd_Click() ' comment (x)", "End Sub"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"Twice", "Spaced", "", "Cmd_Click"}));
  EXPECT_EQ(Rec("4-0003").FullName, "M.");
  EXPECT_EQ(Rec("4-0004").Text, "Private Sub Cmd_Click()");
}

TEST_F(DeclarationScannerTest, OnlyAnEndLineInTheFirstColumnEndsAProcedure) {
  Module({"Attribute VB_Name = \"M\"", "Sub A()", "    If x Then", "    End If", "    End",
          "End Sub", "Sub B()", "    Select Case x", "End Select", "    Sub Inner()", "End Sub"});
  EXPECT_EQ(Proc("A").BodyLines, 3);
  // The block end in the first column ends B early; scanning resumes and finds Inner.
  EXPECT_EQ(Proc("B").BodyLines, 1);
  EXPECT_EQ(Proc("Inner").StartLine, 10);
  EXPECT_EQ(Proc("Inner").BodyLines, 0);
}

TEST_F(DeclarationScannerTest, AHeaderModuleWithoutNameLineHasNoProcedures) {
  Lines("Demo.vbp", {"Class=C; C.cls"});
  Lines("C.cls", {"VERSION 1.0 CLASS", "BEGIN", "  MultiUse = -1", "END", "Sub Lost()", "End Sub"});
  Analyze();
  EXPECT_EQ(Rec("3-0001").FullName, "");
  EXPECT_TRUE(Names().empty());
}

TEST_F(DeclarationScannerTest, ProcedureNumbersRunOnAcrossModules) {
  Lines("Demo.vbp", {"Form=F.frm", "Module=M; M.bas"});
  Lines("F.frm", {"Begin VB.Form F", "End", "Attribute VB_Name = \"F\"", "Sub FA()", "End Sub"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub MA()", "End Sub", "Sub MB()", "End Sub"});
  AnalysisRun run(ctx.Options, ctx.Result, host);
  RunAnalysis(run, Engine("Demo.vbp"));
  EXPECT_EQ(Proc("MA").Key, "4-0001");
  EXPECT_EQ(Proc("MB").Key, "4-0002");
  EXPECT_EQ(Proc("FA").Key, "4-0003");
  EXPECT_EQ(Proc("FA").StartLine, 4);
  EXPECT_EQ(run.ProcedureTotal, 3);
}

}  // namespace
}  // namespace tarnel
