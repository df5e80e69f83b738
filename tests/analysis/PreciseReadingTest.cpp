#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "analysis/PreciseModel.h"
#include "analysis/PreciseScan.h"
#include "platform/Errors.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

class PreciseReadingTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    ctx.Options.Reading = ReadingKind::Precise;
    ctx.Options.ReservedWords.LoadFromBytes("Call\r\nIf\r\nThen\r\nEnd\r\nMsgBox\r\nDim\r\nAs\r\n");
  }
  const ModuleModel& Module(std::string_view fullName) {
    for (const ModuleModel& m : ctx.Result.Precise->Modules) {
      if (m.FullName == fullName) return m;
    }
    throw std::runtime_error("no module " + std::string(fullName));
  }
  // "Name:Type" of the locals of each procedure that has a body statement, as the reading of
  // the bodies hands them on (the model keeps none).
  std::vector<std::vector<std::string>> Locals(std::string_view file, bool hasHeader = false) {
    TextReader text;
    text.Open(Engine(file));
    ModuleModel bodies;
    std::vector<std::vector<std::string>> found;
    ScanModuleText(
        text, hasHeader, {}, true, bodies,
        [&](std::size_t proc, const std::vector<VariableDecl>& locals, const VbStatement&) {
          if (found.size() <= proc) found.resize(proc + 1);
          found[proc].clear();
          for (const VariableDecl& v : locals) {
            found[proc].push_back(v.Name + ":" + v.Type + (v.Constant ? "c" : "") +
                                  (v.Parameter ? "p" : ""));
          }
        });
    return found;
  }
  // "Kind Scope StartLine+BodyLines" of a record.
  std::string Shape(std::string_view name) {
    const TPassRec& r = Proc(name);
    return std::to_string(r.Kind) + " " + r.Scope + " " + std::to_string(r.StartLine) + "+" +
           std::to_string(r.BodyLines);
  }
  std::vector<std::string> CallNames(std::string_view name) {
    std::vector<std::string> names;
    for (const std::string key : Proc(name).Calls) names.push_back(Rec(key).FullName);
    return names;
  }
  std::vector<std::string> Sites(std::string_view name) {
    std::vector<std::string> sites;
    for (const CallSite& s : ctx.Result.Precise->CallSites[Proc(name).Key]) {
      sites.push_back(s.Callee->Name + "@" + std::to_string(s.Line));
    }
    return sites;
  }
};

using Names = std::vector<std::string>;

TEST_F(PreciseReadingTest, ProceduresAtAnyIndentationEndOnlyAtTheirOwnEnd) {
  Lines("P.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {
                     "Attribute VB_Name = \"M\"",                   // 1
                     "Option Explicit",                             // 2
                     "    Private Sub Indented()",                  // 3
                     "If x Then",                                   // 4
                     "End If",                                      // 5
                     "        MsgBox \"End Sub\" ' End Sub",        // 6
                     "    End Sub ' done",                          // 7
                     "Friend Function Fr$(ByVal a As Long, _",      // 8
                     "    b)",                                      // 9
                     "  End Function",                              // 10
                     "public static property get Value() as Long",  // 11
                     "end property",                                // 12
                     "Sub Unended()",                               // 13
                     "  x = 1",                                     // 14
                     "Private Property Let Value(v As Long)",       // 15
                     "End Property",                                // 16
                     "Sub LastOne()",                               // 17
                     "  y = 2",                                     // 18
                 });
  Analyze("P.vbp");
  EXPECT_EQ(Shape("Indented"), "11 P 3+3");
  EXPECT_EQ(Shape("Fr"), "12 F 8+1");
  EXPECT_EQ(Proc("Fr").Text, "Friend Function Fr$(ByVal a As Long, b)");
  EXPECT_EQ(Shape("Value"), "13 G 11+0");
  EXPECT_EQ(Shape("Unended"), "11 G 13+1");
  EXPECT_EQ(Shape("LastOne"), "11 G 17+1");
  const ModuleModel& m = Module("M");
  ASSERT_EQ(m.Procedures.size(), 6u);
  EXPECT_EQ(m.Procedures[1].ReturnType, "String");
  EXPECT_EQ(m.Procedures[0].EndLine, 7);
  EXPECT_EQ(m.Procedures[3].EndLine, 0);
}

// The reading of declarations takes a plain body line's strings without its other tokens. What it
// makes of a module must be what it makes when every line is read whole: a ":" before each line,
// which starts no statement, keeps every line from being plain.
TEST(PreciseDeclarationsTest, PlainBodyLinesChangeNothingInTheModel) {
  const std::vector<std::string> lines = {
      "Attribute VB_Name = \"M\"",
      "Private x As Long",
      "Public Sub A()",
      "    x = 1",
      "    If x Then",
      "    End If",
      "    MsgBox \"Beta\", 1 ' \"Gamma\"",
      "    s = \"it's\" & t",
      "    Attribute A.VB_UserMemId = 0",
      "    Call CallByName(o, \"Delta\", VbMethod)",
      "    End",
      "    Endx = 2 ' End Sub",
      "    Rem \"Omega\"",
      "Private Sub Unclosed()",
      "    y = \"Epsilon\"",
      "Function F() As Long",
      "    F = 1 ' note: End Function",
      "    End   Function",
      "Property Get P() As String",
      "    P = \"Zeta\"",
      "    Static n As Long",
      "    End  Property",
      "Friend Sub G()",
      "    z = \"Eta\" ' x: \"Theta\"",
      "End Sub",
  };
  const auto describe = [](const std::vector<std::string>& source) {
    std::string text;
    for (const std::string& line : source) text += line + "\r\n";
    TextReader file = TextReader::FromBytes(text);
    ModuleModel model;
    ScanModuleText(file, false, {}, false, model, {});
    std::string out;
    for (const ProcedureDecl& p : model.Procedures) {
      out += p.Name + " " + std::to_string(p.Kind) + " " + p.Scope + " " +
             std::to_string(p.StartLine) + "+" + std::to_string(p.BodyLines) + " end " +
             std::to_string(p.EndLine) + " " + p.ReturnType + " [" + p.Text + "]\n";
    }
    for (const AttributeDecl& a : model.Attributes) {
      out += a.Name + "=" + a.Value + "@" + std::to_string(a.Line) + "\n";
    }
    for (const std::string& name : model.NameStrings) out += "'" + name + "'\n";
    return out;
  };
  std::vector<std::string> whole;
  for (const std::string& line : lines) whole.push_back(": " + line);
  const std::string plain = describe(lines);
  EXPECT_EQ(plain, describe(whole));
  // The strings of plain lines are there, and those of comments are not.
  for (const char* name : {"'beta'", "'delta'", "'epsilon'", "'zeta'", "'eta'"}) {
    EXPECT_NE(plain.find(name), std::string::npos) << name;
  }
  for (const char* name : {"'gamma'", "'omega'", "'theta'"}) {
    EXPECT_EQ(plain.find(name), std::string::npos) << name;
  }
}

TEST_F(PreciseReadingTest, DeclareAndEventAreRecordsOfTheirOwn) {
  Lines("P.vbp", {"Module=Api; Api.bas", "Class=Clock; Clock.cls"});
  Lines("Api.bas",
        {"Attribute VB_Name = \"Api\"",
         "Private Declare Function GetTick Lib \"kernel32\" Alias \"GetTickCount\" () As Long",
         "Public Declare PtrSafe Sub Sleep Lib \"kernel32\" _", "    (ByVal ms As Long)",
         "Declare Function Beep% Lib \"k\" (ByVal f&)"});
  Lines("Clock.cls",
        {"VERSION 1.0 CLASS", "BEGIN", "  MultiUse = -1  'True", "END",
         "Attribute VB_Name = \"Clock\"", "Public Event Tick(ByVal n As Long)", "Event Stopped()",
         "Public Sub Start()", "  RaiseEvent Tick(GetTick)", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Shape("GetTick"), "17 P 2+0");
  EXPECT_EQ(Shape("Sleep"), "16 G 3+0");
  EXPECT_EQ(Shape("Beep"), "17 G 5+0");
  EXPECT_EQ(Shape("Tick"), "18 G 6+0");
  EXPECT_EQ(Shape("Stopped"), "18 G 7+0");
  EXPECT_EQ(Proc("Start").StartLine, 8);
  // GetTick is Private to Api: the class cannot reach it.
  EXPECT_EQ(CallNames("Start"), (Names{"Clock.Tick"}));
  EXPECT_TRUE(Proc("GetTick").CalledBy.empty());
}

TEST_F(PreciseReadingTest, ModuleAndLocalDeclarationsKeepTheirTypes) {
  Lines("P.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Public Count As Integer, Name$",
                  "Private WithEvents Timer1 As VB.Timer", "Global Const Limit = 10",
                  "Dim Items() As New Collection", "Public Enum Color", "  Red = 1", "  Green",
                  "End Enum", "Private Type Pt", "  X As Long", "End Type", "Implements IShape",
                  "Sub Main()", "  Dim a As ADODB.Recordset, b%", "  Static n As Long",
                  "  Const K As String = \"x\"", "  Count = b", "End Sub"});
  Analyze("P.vbp");
  std::vector<std::string> vars;
  for (const VariableDecl& v : Module("M").Variables) {
    vars.push_back(v.Name + ":" + v.Type + ":" + v.Scope + (v.Constant ? "c" : "") +
                   (v.WithEvents ? "w" : "") + (v.New ? "n" : ""));
  }
  EXPECT_EQ(vars,
            (Names{"Count:Integer:G", "Name:String:G", "Timer1:VB.Timer:Pw", "Limit:Variant:Gc",
                   "Items:Collection:Pn", "Red:Color:Gc", "Green:Color:Gc"}));
  EXPECT_EQ(Module("M").Implements, (Names{"IShape"}));
  EXPECT_EQ(Locals("M.bas"),
            (std::vector<Names>{{"a:ADODB.Recordset", "b:Integer", "n:Long", "K:Stringc"}}));
}

TEST_F(PreciseReadingTest, BodiesComeWithEveryLocalOfTheirOwnProcedure) {
  Lines("M.bas", {
                     "Attribute VB_Name = \"M\"",
                     "Function Fr$(ByVal a As Long, _",
                     "    b)",
                     "  Fr = a",
                     "  Dim late As Collection",  // after the statement that uses it
                     "End Function",
                     "Sub Unended(c%)",
                     "  x = c",
                     "Sub Quiet(q)",  // declares, but has no statement to hand on
                     "  Dim r",
                     "End Sub",
                     "Sub Last()",
                     "  y = 1",
                     "  Static z",
                 });
  EXPECT_EQ(Locals("M.bas"),
            (std::vector<Names>{
                {"a:Longp", "b:Variantp", "late:Collection"}, {"c:Integerp"}, {}, {"z:Variant"}}));
}

TEST_F(PreciseReadingTest, HeaderControlsWithArraysMenusAndUserControls) {
  Lines("P.vbp",
        {"Form=Main.frm", "UserControl=Gauge.ctl", "Designer=Env.Dsr", "UserDocument=Doc.dob"});
  Lines("Main.frm", {"VERSION 5.00",
                     "Object = \"{831FDD16}#2.0#0\"; \"MSCOMCTL.OCX\"",
                     "Begin VB.Form frmMain",
                     "   Caption = \"Main\"",
                     "   Begin VB.CommandButton cmdGo",
                     "      Index = 0",
                     "      BeginProperty Font",
                     "         Name = \"Arial\"",
                     "      EndProperty",
                     "   End",
                     "   Begin VB.CommandButton cmdGo",
                     "      Index = 1",
                     "   End",
                     "   Begin MSComctlLib.ListView lvItems",
                     "   End",
                     "   Begin Project1.Gauge Gauge1",
                     "   End",
                     "   Begin VB.Menu mnuFile",
                     "      Begin VB.Menu mnuExit",
                     "      End",
                     "   End",
                     "End",
                     "Attribute VB_Name = \"frmMain\"",
                     "Private Sub cmdGo_Click(Index As Integer)",
                     "End Sub"});
  Lines("Gauge.ctl", {"VERSION 5.00", "Begin VB.UserControl Gauge", "End",
                      "Attribute VB_Name = \"Gauge\"", "Public Event Changed()"});
  Lines("Env.Dsr", {"VERSION 5.00", "Begin {C0E45035} Env", "End", "Attribute VB_Name = \"Env\"",
                    "Sub Refresh()", "End Sub"});
  Lines("Doc.dob", {"VERSION 5.00", "Begin VB.UserDocument Doc", "End",
                    "Attribute VB_Name = \"Doc\"", "Sub Show()", "End Sub"});
  Analyze("P.vbp");
  std::vector<std::string> controls;
  for (const ControlDecl& c : Module("frmMain").Controls) {
    controls.push_back(c.Name + ":" + c.Type + (c.IsArray ? "[]" : ""));
  }
  EXPECT_EQ(controls, (Names{"cmdGo:VB.CommandButton[]", "lvItems:MSComctlLib.ListView",
                             "Gauge1:Project1.Gauge", "mnuFile:VB.Menu", "mnuExit:VB.Menu"}));
  EXPECT_EQ(Proc("cmdGo_Click").StartLine, 24);
  // Designers and user documents come in groups of their own after the designed five.
  EXPECT_EQ(Rec("2-0008").Kind, KindDesignerGroup);
  EXPECT_EQ(Rec("2-0009").Kind, KindUserDocumentGroup);
  EXPECT_EQ(Rec(Proc("Refresh").ParentKey).Kind, KindDesigner);
  EXPECT_EQ(Rec(Proc("Show").ParentKey).Kind, KindUserDocument);
  EXPECT_EQ(Rec(Proc("Show").ParentKey).FullName, "Doc");
}

TEST_F(PreciseReadingTest, CallsComeFromCodeOnlyWithTheLineOfEachToken) {
  Lines("P.vbp", {"Module=M; M.bas", "Module=N; N.bas", "CondComp=\"DEBUG = 1\""});
  Lines("M.bas", {"Attribute VB_Name = \"M\"",                            // 1
                  "Sub Main()",                                           // 2
                  "  MsgBox \"Helper's name\" ' Helper",                  // 3
                  "  Rem Helper",                                         // 4
                  "  Call Helper: Helper _",                              // 5
                  "     x:=Twice(1)",                                     // 6
                  "  On Error GoTo Helper",                               // 7
                  "#If DEBUG Then",                                       // 8
                  "  N.Trace",                                            // 9
                  "#Else",                                                // 10
                  "  Twice 2",                                            // 11
                  "#End If",                                              // 12
                  "  obj.Helper",                                         // 13
                  "Helper:",                                              // 14
                  "End Sub",                                              // 15
                  "Function Twice(n)",                                    // 16
                  "  Twice = n * 2: If n > 9 Then Twice = Twice(n - 1)",  // 17
                  "End Function",                                         // 18
                  "Sub Helper()",                                         // 19
                  "End Sub"});
  Lines("N.bas", {"Attribute VB_Name = \"N\"", "Sub Trace()", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("Main"), (Names{"Helper@5", "Helper@5", "Twice@6", "Trace@9"}));
  EXPECT_EQ(CallNames("Main"), (Names{"M.Helper", "M.Twice", "N.Trace"}));
  EXPECT_EQ(Sites("Twice"), (Names{"Twice@17"}));  // the recursive call, not the results
  EXPECT_EQ(test::KeyTexts(Proc("Helper").CalledBy), (Names{Proc("Main").Key}));
}

TEST_F(PreciseReadingTest, BadModulesLeaveTheRestOfTheProjectRead) {
  std::string binary;
  for (int i = 0; i < 20000; ++i)
    binary += static_cast<char>((i * 131 + 7) % 256 == 26 ? 1 : (i * 131 + 7) % 256);
  dir.Write("Bin.bas", binary);
  dir.Write("Long.bas", "Attribute VB_Name = \"Long\"\r\nSub A()\r\n" +
                            std::string(10 * 1024 * 1024, 'x') + "\r\nEnd Sub\r\n");
  std::string continued = "Attribute VB_Name = \"Cont\"\r\nSub B()\r\n";
  for (int i = 0; i < 1000000; ++i) continued += "  a _\r\n";
  dir.Write("Cont.bas", continued + "\r\nEnd Sub\r\n");
  Lines("Open.bas", {"Attribute VB_Name = \"Open\"", "#If Len(x) Then", "Sub C()",
                     "  s = \"never closed", "End Sub", "#If 1 Then", "Sub D()"});
  Lines("Good.bas", {"Attribute VB_Name = \"Good\"", "Sub Fine()", "  C", "End Sub"});
  Lines("P.vbp", {"Module=Bin; Bin.bas", "Module=Long; Long.bas", "Module=Cont; Cont.bas",
                  "Module=Missing; Missing.bas", "Module=Open; Open.bas", "Module=Good; Good.bas"});
  Analyze("P.vbp");
  EXPECT_EQ(Shape("A"), "11 G 2+1");
  EXPECT_EQ(Shape("B"), "11 G 2+1000001");
  EXPECT_EQ(Shape("C"), "11 G 3+1");
  EXPECT_EQ(Shape("D"), "11 G 7+0");
  EXPECT_EQ(CallNames("Fine"), (Names{"Open.C"}));
  EXPECT_EQ(host.Messages, (Names{"File Not Found : " + Engine("Missing.bas")}));
}

TEST_F(PreciseReadingTest, CancelStopsBeforeAModuleAndLeavesNoMarks) {
  Lines("P.vbp", {"Module=M; M.bas", "Module=N; N.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "  Trace", "End Sub"});
  Lines("N.bas", {"Attribute VB_Name = \"N\"", "Sub Trace()", "  Main", "End Sub"});
  // Asked after the round before N: M's calls are linked, N's are not, and no marks are given
  // on half the calls.
  host.OnEvents = [this](int round) {
    if (round == 2) host.Cancel = true;
  };
  Analyze("P.vbp");
  EXPECT_TRUE(ctx.Result.Cancelled);
  EXPECT_EQ(CallNames("Main"), (Names{"N.Trace"}));
  EXPECT_TRUE(Proc("Trace").Calls.empty());
  EXPECT_TRUE(ctx.Result.Precise->Marks.empty());
  EXPECT_FALSE(host.ProgressShown);

  host.OnEvents = nullptr;
  Analyze("P.vbp");
  EXPECT_FALSE(ctx.Result.Cancelled);
  EXPECT_EQ(CallNames("Trace"), (Names{"M.Main"}));
  EXPECT_EQ(ctx.Result.Precise->Marks.size(), 2u);
}

// The name indexes are made after the pass, and also when a module fails in it: the window looks
// procedures up in what it shows.
TEST_F(PreciseReadingTest, AModuleThatFailsInTheCallsPassLeavesTheNamesIndexed) {
  Lines("P.vbp", {"Module=M; M.bas", "Module=N; N.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "  Trace", "End Sub"});
  Lines("N.bas", {"Attribute VB_Name = \"N\"", "Sub Trace()", "  Main", "End Sub"});
  // Before the bodies are read, N becomes a FIFO: there, but no file to read.
  host.OnEvents = [this](int round) {
    if (round != 1) return;
    std::filesystem::remove(dir.File("N.bas"));
    ASSERT_EQ(::mkfifo(dir.File("N.bas").c_str(), 0600), 0);
  };
  EXPECT_THROW(Analyze("P.vbp"), FileOpenError);
  EXPECT_EQ(ctx.Result.ProcNames.Count(), 2);
  EXPECT_EQ(ctx.Result.ProcNames.Find("TRACE"), &Proc("Trace"));
  EXPECT_EQ(ctx.Result.ProcFullNames.Find("m.main"), &Proc("Main"));
}

}  // namespace
}  // namespace tarnel
