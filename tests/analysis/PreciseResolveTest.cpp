#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysis/PreciseModel.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

using Names = std::vector<std::string>;

class PreciseResolveTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    ctx.Options.Reading = ReadingKind::Precise;
    ctx.Options.ReservedWords.LoadFromBytes(
        "Call\r\nIf\r\nThen\r\nEnd\r\nMsgBox\r\nDim\r\nAs\r\nMe\r\n");
  }
  // The record of "Module.Name", the first of that full name (a property's Get comes first).
  TPassRec& Full(std::string_view fullName, int kind = 0) {
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      TPassRec& r = ctx.Result.SymbolList.At(i);
      if (IsProcedureKind(r.Kind) && r.FullName == fullName && (kind == 0 || r.Kind == kind))
        return r;
    }
    throw std::runtime_error("no procedure " + std::string(fullName));
  }
  // "Module.Name@line" per call site of the caller, with "(Let)"/"(Set)" for those properties.
  Names Sites(std::string_view caller, int kind = 0) {
    Names sites;
    for (const CallSite& s : ctx.Result.Precise->CallSites[Full(caller, kind).Key]) {
      std::string text = s.Callee->FullName;
      if (s.Callee->Kind == KindPropertyLet) text += "(Let)";
      if (s.Callee->Kind == KindPropertySet) text += "(Set)";
      sites.push_back(text + "@" + std::to_string(s.Line));
    }
    return sites;
  }
  Names Callees(std::string_view caller, int kind = 0) {
    Names names;
    for (const std::string key : Full(caller, kind).Calls) names.push_back(Rec(key).FullName);
    return names;
  }
  const ProcedureMarks& Marks(std::string_view fullName, int kind = 0) {
    return ctx.Result.Precise->Marks.at(Full(fullName, kind).Key);
  }
  // A class module with the given code after its header.
  void Class(std::string_view file, std::string_view name,
             std::initializer_list<std::string_view> code,
             std::initializer_list<std::string_view> attributes = {}) {
    std::vector<std::string> lines{"VERSION 1.0 CLASS", "BEGIN", "  MultiUse = -1", "END",
                                   "Attribute VB_Name = \"" + std::string(name) + "\""};
    for (std::string_view a : attributes) lines.emplace_back(a);
    for (std::string_view c : code) lines.emplace_back(c);
    WriteAll(file, lines);
  }
  void Module(std::string_view file, std::string_view name,
              std::initializer_list<std::string_view> code) {
    std::vector<std::string> lines{"Attribute VB_Name = \"" + std::string(name) + "\""};
    for (std::string_view c : code) lines.emplace_back(c);
    WriteAll(file, lines);
  }
  void WriteAll(std::string_view file, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    dir.Write(file, text);
  }
};

// --- Unqualified names: scope and shadowing ---

TEST_F(PreciseResolveTest, LocalsParametersAndModuleNamesShadowGlobals) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Module("A.bas", "A",
         {"Private Total As Long",        // 2
          "Sub Run(Helper As Long)",      // 3
          "  Dim Report As String",       // 4
          "  Helper = Report + Total",    // 5
          "  Report = Compute(Helper)",   // 6
          "  Total = 1",                  // 7
          "  Log",                        // 8
          "End Sub",                      // 9
          "Private Function Compute(n)",  // 10
          "End Function"});               // 11
  Module("B.bas", "B",
         {"Public Sub Helper()", "End Sub", "Public Sub Report()", "End Sub", "Public Sub Total()",
          "End Sub", "Public Function Compute(n)", "End Function", "Public Sub Log()", "End Sub"});
  Analyze("P.vbp");
  // The parameter, the local and the module variable hide B's procedures; A's own Compute, though
  // Private, comes before B's Public one; only Log is left to the globals.
  EXPECT_EQ(Sites("A.Run"), (Names{"A.Compute@6", "B.Log@8"}));
}

TEST_F(PreciseResolveTest, ALocalHidesANameEvenBeforeItsDimButOnlyInItsProcedure) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Module("A.bas", "A",
         {"Sub Run()",             // 2
          "  Helper",              // 3
          "  Dim Helper As Long",  // 4
          "End Sub",               // 5
          "Sub Other(Run)",        // 6
          "  Helper",              // 7
          "  Run",                 // 8
          "End Sub"});             // 9
  Module("B.bas", "B", {"Public Sub Helper()", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("A.Run"), Names{});
  EXPECT_EQ(Sites("A.Other"), (Names{"B.Helper@7"}));
}

TEST_F(PreciseResolveTest, AmbiguousGlobalsGiveAnEdgeToEachAndPrivateOnesNone) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=B; B.bas", "Module=C; C.bas", "Class=K; K.cls"});
  Module("A.bas", "A", {"Public Sub Init()", "End Sub", "Private Sub Tidy()", "End Sub"});
  Module("B.bas", "B", {"Sub Init()", "End Sub", "Private Sub Tidy()", "End Sub"});
  Module("C.bas", "C", {"Sub Main()", "  Init", "  Tidy", "  Work", "End Sub"});
  Class("K.cls", "K", {"Public Sub Work()", "End Sub"});
  Analyze("P.vbp");
  // Tidy is Private to A and B; Work belongs to a class and is never reached unqualified.
  EXPECT_EQ(Sites("C.Main"), (Names{"A.Init@3", "B.Init@3"}));
}

TEST_F(PreciseResolveTest, AGlobalPropertyAloneIsStillPickedByUse) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=B; B.bas", "Module=C; C.bas"});
  Module("A.bas", "A", {"Public Property Get Level() As Long", "End Property"});
  Module("B.bas", "B", {"Public Property Let Limit(v As Long)", "End Property"});
  Module("C.bas", "C",
         {"Sub Main()",       // 2
          "  Level = 1",      // 3
          "  x = Level",      // 4
          "  Limit = Level",  // 5
          "  x = Limit",      // 6
          "End Sub"});
  Analyze("P.vbp");
  // A name of a single property procedure still calls it only where the use wants its kind.
  EXPECT_EQ(Sites("C.Main"), (Names{"A.Level@4", "B.Limit(Let)@5", "A.Level@5"}));
}

TEST_F(PreciseResolveTest, AGlobalFunctionsResultLeadsOnToItsClassButASubsDoesNot) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=C; C.bas", "Class=Box; Box.cls"});
  Class("Box.cls", "Box", {"Public Sub Open()", "End Sub"});
  Module("A.bas", "A",
         {"Public Function Current() As Box", "End Function", "Public Sub Reset()", "End Sub"});
  Module("C.bas", "C",
         {"Sub Main()",        // 2
          "  Current.Open",    // 3
          "  Current().Open",  // 4
          "  Reset.Open",      // 5
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("C.Main"),
            (Names{"A.Current@3", "Box.Open@3", "A.Current@4", "Box.Open@4", "A.Reset@5"}));
}

TEST_F(PreciseResolveTest, FormBuiltinsComeBeforeGlobalsOfTheSameName) {
  Lines("P.vbp", {"Module=M; M.bas", "Form=F.frm"});
  Module("M.bas", "M", {"Public Sub Refresh()", "End Sub", "Public Sub Reload()", "End Sub"});
  WriteAll("F.frm", {"VERSION 5.00", "Begin VB.Form F", "End", "Attribute VB_Name = \"F\"",
                     "Private Sub Form_Load()", "  Refresh", "  Reload", "  Show", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("F.Form_Load"), (Names{"M.Reload@7"}));
}

TEST_F(PreciseResolveTest, AFunctionsOwnNameIsItsResultUnlessCalledWithArguments) {
  Lines("P.vbp", {"Module=M; M.bas"});
  Module("M.bas", "M",
         {"Function Fact(n As Long) As Long",                       // 2
          "  If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)",  // 3
          "  Debug.Print Fact",                                     // 4
          "End Function",                                           // 5
          "Property Get Depth() As Long",                           // 6
          "  Depth = 0",                                            // 7
          "End Property"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Fact"), (Names{"M.Fact@3"}));
  EXPECT_TRUE(Sites("M.Depth").empty());
}

// --- Member access ---

TEST_F(PreciseResolveTest, ModuleQualifiersReachPrivateOnlyFromInside) {
  Lines("P.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Module("A.bas", "A", {"Private Sub Secret()", "End Sub", "Sub Own()", "  A.Secret", "End Sub"});
  Module("B.bas", "B", {"Sub Other()", "  A.Secret", "  a.own", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("A.Own"), (Names{"A.Secret@5"}));
  EXPECT_EQ(Sites("B.Other"), (Names{"A.Own@4"}));
}

TEST_F(PreciseResolveTest, FormsAndPredeclaredClassesByNameOtherClassesNot) {
  Lines("P.vbp", {"Module=M; M.bas", "Form=F.frm", "Class=Pre; Pre.cls", "Class=Plain; Plain.cls"});
  WriteAll("F.frm", {"VERSION 5.00", "Begin VB.Form F", "   Begin VB.TextBox txtName", "   End",
                     "End", "Attribute VB_Name = \"F\"", "Public Sub Fill()", "End Sub",
                     "Private Sub Hidden()", "End Sub"});
  Class("Pre.cls", "Pre", {"Public Sub Go()", "End Sub"}, {"Attribute VB_PredeclaredId = True"});
  Class("Plain.cls", "Plain", {"Public Sub Go()", "End Sub"});
  Module("M.bas", "M",
         {"Sub Main()", "  F.Fill: F.Hidden: F.txtName.Text = \"\"", "  Pre.Go", "  Plain.Go",
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Main"), (Names{"F.Fill@3", "Pre.Go@4"}));
}

TEST_F(PreciseResolveTest, TypedVariablesParametersResultsAndChains) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Node; Node.cls", "Class=Tree; Tree.cls"});
  Class("Node.cls", "Node",
        {"Public Function NextNode() As Node", "End Function", "Public Sub Visit()", "End Sub",
         "Private Sub Inner()", "End Sub", "Public Property Get Owner() As Tree", "End Property"});
  Class("Tree.cls", "Tree",
        {"Public Root As Node", "Public Sub Clear()", "End Sub",
         "Public Function Items() As Node()", "End Function"});
  Module("M.bas", "M",
         {"Private mTree As New Tree",                // 2
          "Sub Walk(n As Node, ByVal v As Variant)",  // 3
          "  Dim nodes(10) As Node, o As Object",     // 4
          "  n.NextNode.NextNode.Visit",              // 5
          "  n.Owner.Root.Visit: n.Inner",            // 6
          "  nodes(3).Visit",                         // 7
          "  mTree.Clear: v.Clear: o.Clear",          // 8
          "  mTree.Root _",                           // 9
          "     .Visit",                              // 10
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Walk"),
            (Names{"Node.NextNode@5", "Node.NextNode@5", "Node.Visit@5", "Node.Owner@6",
                   "Node.Visit@6", "Node.Visit@7", "Tree.Clear@8", "Node.Visit@10"}));
}

TEST_F(PreciseResolveTest, MeAndNestedWithBlocksInnermostFirst) {
  Lines("P.vbp", {"Class=Doc; Doc.cls", "Class=Page; Page.cls"});
  Class("Page.cls", "Page",
        {"Public Sub Draw()", "End Sub", "Public Function Owner() As Doc", "End Function"});
  Class("Doc.cls", "Doc",
        {"Public Pages As Page",                 // 6
         "Private Sub Layout()",                 // 7
         "End Sub",                              // 8
         "Public Sub Draw()",                    // 9
         "  Me.Layout",                          // 10
         "  With Pages",                         // 11
         "    .Draw",                            // 12
         "    With .Owner",                      // 13
         "      .Draw: Call .Layout",            // 14
         "    End With",                         // 15
         "    If .Owner Is Nothing Then .Draw",  // 16
         "  End With",                           // 17
         "  With New Page: .Draw: End With",     // 18
         "End Sub"});
  Analyze("P.vbp");
  // ".Layout" through a Doc variable reaches no Private member.
  EXPECT_EQ(Sites("Doc.Draw"),
            (Names{"Doc.Layout@10", "Page.Draw@12", "Page.Owner@13", "Doc.Draw@14", "Page.Owner@16",
                   "Page.Draw@16", "Page.Draw@18"}));
}

// A word of the reserved list names nothing of the project, in any letter case, though a
// procedure bears its name. A "." that begins a continued line is a With member after a reserved
// word on the line before, and a member of what stands there otherwise.
TEST_F(PreciseResolveTest, ReservedWordsNameNothingAndContinuedLinesTellWithMembersApart) {
  Lines("P.vbp", {"Module=A; A.bas", "Class=Doc; Doc.cls", "Class=Page; Page.cls"});
  Module("A.bas", "A",
         {"Public Sub MsgBox(s)", "End Sub", "Public Sub Notify()", "  MsgBox \"x\"",
          "  msgbox \"y\"", "End Sub"});
  Class("Page.cls", "Page", {"Public Sub Draw()", "End Sub"});
  Class("Doc.cls", "Doc",
        {"Public Pages As Page",  // 6
         "Private Sub Layout()",  // 7
         "End Sub",               // 8
         "Public Sub Draw()",     // 9
         "  With Me",             // 10
         "    Call _",            // 11
         "      .Layout",         // 12
         "    Pages _",           // 13
         "      .Draw",           // 14
         "  End With",            // 15
         "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("A.Notify"), Names{});
  EXPECT_EQ(Sites("Doc.Draw"), (Names{"Doc.Layout@12", "Page.Draw@14"}));
}

TEST_F(PreciseResolveTest, ControlsAreTypedByTheirBeginLine) {
  Lines("P.vbp", {"Name=\"Proj\"", "Form=F.frm", "UserControl=Gauge.ctl"});
  WriteAll("Gauge.ctl", {"VERSION 5.00", "Begin VB.UserControl Gauge", "End",
                         "Attribute VB_Name = \"Gauge\"", "Public Sub Reset()", "End Sub"});
  WriteAll("F.frm", {"VERSION 5.00", "Begin VB.Form F", "   Begin Proj.Gauge Gauge1", "   End",
                     "   Begin Other.Gauge Gauge2", "   End", "End", "Attribute VB_Name = \"F\"",
                     "Private Sub Form_Load()", "  Gauge1.Reset: Gauge2.Reset", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("F.Form_Load"), (Names{"Gauge.Reset@10"}));
}

// --- Properties, defaults, AddressOf ---

TEST_F(PreciseResolveTest, PropertyGetLetAndSetAreToldApartByUse) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Box; Box.cls"});
  Class("Box.cls", "Box",
        {"Public Property Get Value() As Variant", "End Property",
         "Public Property Let Value(v As Variant)", "End Property",
         "Public Property Set Value(v As Variant)", "End Property",
         "Public Property Get Inner() As Box", "End Property"});
  Module("M.bas", "M",
         {"Sub Use(b As Box)",                  // 2
          "  b.Value = 1",                      // 3
          "  Set b.Value = Nothing",            // 4
          "  Let b.Inner.Value = b.Value",      // 5
          "  If b.Value = 2 Then b.Value = 3",  // 6
          "  x = b.Value(1)",                   // 7
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Use"),
            (Names{"Box.Value(Let)@3", "Box.Value(Set)@4", "Box.Inner@5", "Box.Value(Let)@5",
                   "Box.Value@5", "Box.Value@6", "Box.Value(Let)@6", "Box.Value@7"}));
}

TEST_F(PreciseResolveTest, DefaultMembersAndEnumeratorsOfProjectClasses) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Items; Items.cls", "Class=Item; Item.cls"});
  Class("Item.cls", "Item", {"Public Sub Touch()", "End Sub"});
  Class("Items.cls", "Items",
        {"Public Function Item(i) As Item", "Attribute Item.VB_UserMemId = 0", "End Function",
         "Public Function NewEnum() As IUnknown", "Attribute NewEnum.VB_UserMemId = -4",
         "End Function"});
  Module("M.bas", "M",
         {"Sub Run(c As Items)",  // 2
          "  c(1).Touch",         // 3
          "  For Each it In c",   // 4
          "  Next",               // 5
          "  s = \"x\" & c",      // 6
          "  Set d = c",          // 7
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Run"),
            (Names{"Items.Item@3", "Item.Touch@3", "Items.NewEnum@4", "Items.Item@6"}));
}

// A statement that names nothing a module declares still counts: a With block of no known type
// hides the one around it, and a local declared further down reaches its class's default member.
TEST_F(PreciseResolveTest, StatementsWithoutProjectNamesStillShapeWithBlocksAndObjectLocals) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Items; Items.cls", "Class=Page; Page.cls"});
  Class("Page.cls", "Page", {"Public Sub Draw()", "End Sub"});
  Class("Items.cls", "Items",
        {"Public Function Item(i) As Page", "Attribute Item.VB_UserMemId = 0", "End Function"});
  Module("M.bas", "M",
         {"Public Pages As Page",              // 2
          "Sub Run()",                         // 3
          "  total = x(2) + 1",                // 4
          "  With Pages",                      // 5
          "    With unknownThing",             // 6
          "      .Draw",                       // 7
          "    End With",                      // 8
          "    .Draw",                         // 9
          "  End With",                        // 10
          "  Dim x As Items, n As Long",       // 11
          "  n = n + 1: If n > 2 Then .Draw",  // 12
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Run"), (Names{"Items.Item@4", "Page.Draw@9"}));
}

TEST_F(PreciseResolveTest, AddressOfAndNamedArgumentsAndTypeNames) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Shape; Shape.cls"});
  Class("Shape.cls", "Shape", {"Public Sub Draw()", "End Sub"});
  Module("M.bas", "M",
         {"Private Function WndProc(ByVal h As Long) As Long", "End Function",
          "Sub Hook()",                                              // 4
          "  SetWindowLong h, -4, AddressOf WndProc",                // 5
          "  Set s = New Shape: If TypeOf s Is Shape Then Draw:=1",  // 6
          "  CallByName s, \"Draw\", VbMethod",                      // 7
          "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("M.Hook"), (Names{"M.WndProc@5"}));
  EXPECT_TRUE(Marks("Shape.Draw").ByName);
  EXPECT_FALSE(Marks("Shape.Draw").Unused);
}

// --- Events and interfaces ---

TEST_F(PreciseResolveTest, RaiseEventReachesEveryWithEventsHandlerThroughTheEventRecord) {
  Lines("P.vbp", {"Name=\"Proj\"", "Class=Clock; Clock.cls", "Form=F.frm", "UserControl=Dial.ctl"});
  Class("Clock.cls", "Clock",
        {"Public Event Tick(ByVal n As Long)",  // 6
         "Public Sub Start()", "  RaiseEvent Tick(1)", "End Sub"});
  WriteAll("Dial.ctl",
           {"VERSION 5.00", "Begin VB.UserControl Dial", "End", "Attribute VB_Name = \"Dial\"",
            "Event Turned()", "Sub Spin()", "  RaiseEvent Turned", "End Sub"});
  WriteAll("F.frm",
           {"VERSION 5.00", "Begin VB.Form F", "   Begin Proj.Dial Dial_1", "   End", "End",
            "Attribute VB_Name = \"F\"", "Private WithEvents mClock As Clock",
            "Private Sub mClock_Tick(ByVal n As Long)", "End Sub", "Private Sub Dial_1_Turned()",
            "End Sub", "Private Sub Dial_1_GotFocus()", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("Clock.Start"), (Names{"Clock.Tick@8"}));
  EXPECT_EQ(Sites("Clock.Tick"), (Names{"F.mClock_Tick@6"}));
  EXPECT_EQ(Sites("Dial.Turned"), (Names{"F.Dial_1_Turned@5"}));
  EXPECT_FALSE(Marks("F.mClock_Tick").Unused);
  EXPECT_FALSE(Marks("F.mClock_Tick").EntryPoint);
  // Focus comes from the container, not from the control's code.
  EXPECT_TRUE(Marks("F.Dial_1_GotFocus").EntryPoint);
}

TEST_F(PreciseResolveTest, InterfaceMembersReachTheirImplementationsByKind) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=IShape; IShape.cls", "Class=Circle; Circle.cls"});
  Class("IShape.cls", "IShape",
        {"Public Sub Draw()", "End Sub",                        // 6
         "Public Property Get Size() As Long", "End Property",  // 8
         "Public Property Let Size(v As Long)", "End Property"});
  Class("Circle.cls", "Circle",
        {"Implements IShape", "Private Sub IShape_Draw()", "End Sub",
         "Private Property Get IShape_Size() As Long", "End Property",
         "Private Property Let IShape_Size(v As Long)", "End Property"});
  Module("M.bas", "M",
         {"Sub Main()", "  Dim s As IShape", "  Set s = New Circle", "  s.Draw",
          "  s.Size = s.Size + 1", "End Sub"});
  Analyze("P.vbp");
  EXPECT_EQ(Sites("IShape.Draw"), (Names{"Circle.IShape_Draw@6"}));
  EXPECT_EQ(Sites("IShape.Size", KindPropertyGet), (Names{"Circle.IShape_Size@8"}));
  EXPECT_EQ(Sites("IShape.Size", KindPropertyLet), (Names{"Circle.IShape_Size(Let)@10"}));
  EXPECT_FALSE(Marks("Circle.IShape_Draw").Unreachable);
  EXPECT_FALSE(Marks("Circle.IShape_Size", KindPropertyLet).Unreachable);
}

TEST_F(PreciseResolveTest, CallersListBodyCallsFirstThenTheLanguagesOwnInLinkOrder) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=IShape; IShape.cls", "Class=Circle; Circle.cls",
                  "Class=Clock; Clock.cls", "Class=Watch; Watch.cls"});
  Module("M.bas", "M",
         {"Sub Main()", "  Dim s As IShape", "  s.Draw", "End Sub",               // 2..5
          "Sub Other()", "  Helper", "  Dim s As IShape", "  s.Draw", "End Sub",  // 6..10
          "Sub Helper()", "End Sub"});
  Class("IShape.cls", "IShape", {"Public Sub Draw()", "  Helper", "End Sub"});  // 6..8
  Class("Circle.cls", "Circle", {"Implements IShape", "Private Sub IShape_Draw()", "End Sub"});
  Class("Clock.cls", "Clock", {"Public Event Tick()"});
  Class("Watch.cls", "Watch",
        {"Private WithEvents mClock As Clock", "Private Sub mClock_Tick()", "End Sub", "Sub Poke()",
         "  mClock_Tick", "End Sub"});
  Analyze("P.vbp");
  const auto callers = [&](std::string_view name) {
    Names names;
    for (const std::string key : Full(name).CalledBy) names.push_back(Rec(key).FullName);
    return names;
  };
  // A member with a body calls what its body calls, then its implementations.
  EXPECT_EQ(Sites("IShape.Draw"), (Names{"M.Helper@7", "Circle.IShape_Draw@6"}));
  EXPECT_EQ(Callees("IShape.Draw"), (Names{"M.Helper", "Circle.IShape_Draw"}));
  EXPECT_EQ(callers("M.Helper"), (Names{"M.Other", "IShape.Draw"}));
  EXPECT_EQ(callers("IShape.Draw"), (Names{"M.Main", "M.Other"}));
  // The event comes before Poke in the project, but its call is made after every body's.
  EXPECT_EQ(callers("Watch.mClock_Tick"), (Names{"Watch.Poke", "Clock.Tick"}));
  EXPECT_EQ(Sites("Clock.Tick"), (Names{"Watch.mClock_Tick@6"}));
}

// --- Entry points and unused procedures ---

TEST_F(PreciseResolveTest, EntryPointsOfEveryKindOfModule) {
  Lines("P.vbp", {"Module=M; M.bas", "Form=F.frm", "Class=C; C.cls", "Class=Pub; Pub.cls",
                  "UserControl=U.ctl"});
  Module("M.bas", "M", {"Sub Main()", "End Sub", "Sub Form_Load()", "End Sub"});
  WriteAll("F.frm", {"VERSION 5.00",
                     "Begin VB.Form F",
                     "   Begin VB.CommandButton cmd_Go",
                     "      Index = 0",
                     "   End",
                     "End",
                     "Attribute VB_Name = \"F\"",
                     "Private WithEvents mConn As ADODB.Connection",
                     "Implements ISomething",
                     "Private Sub Form_Load()",
                     "End Sub",
                     "Private Sub MDIForm_Resize()",
                     "End Sub",
                     "Private Sub cmd_Go_Click(Index As Integer)",
                     "End Sub",
                     "Private Sub mConn_WillConnect()",
                     "End Sub",
                     "Private Sub ISomething_Run()",
                     "End Sub",
                     "Private Sub cmdStop_Click()",
                     "End Sub"});
  Class("C.cls", "C",
        {"Private Sub Class_Initialize()", "End Sub", "Public Sub Open()", "End Sub"});
  Class("Pub.cls", "Pub",
        {"Public Sub Open()", "End Sub", "Friend Sub Inside()", "End Sub", "Private Sub Own()",
         "End Sub"},
        {"Attribute VB_Exposed = True"});
  WriteAll("U.ctl", {"VERSION 5.00", "Begin VB.UserControl U", "End", "Attribute VB_Name = \"U\"",
                     "Private Sub UserControl_Paint()", "End Sub"});
  Analyze("P.vbp");
  for (const char* entry :
       {"M.Main", "F.Form_Load", "F.MDIForm_Resize", "F.cmd_Go_Click", "F.mConn_WillConnect",
        "F.ISomething_Run", "C.Class_Initialize", "Pub.Open", "U.UserControl_Paint"}) {
    EXPECT_TRUE(Marks(entry).EntryPoint) << entry;
    EXPECT_FALSE(Marks(entry).Unused) << entry;
    EXPECT_FALSE(Marks(entry).Unreachable) << entry;
  }
  // Form_Load means nothing in a standard module; no control is called cmdStop; a Friend or
  // Private member of a public class is not reached from outside.
  for (const char* unused : {"M.Form_Load", "F.cmdStop_Click", "C.Open", "Pub.Inside", "Pub.Own"}) {
    EXPECT_FALSE(Marks(unused).EntryPoint) << unused;
    EXPECT_TRUE(Marks(unused).Unused) << unused;
    EXPECT_TRUE(Marks(unused).Unreachable) << unused;
  }
}

TEST_F(PreciseResolveTest, UnusedUnreachableAndByNameAreTellApart) {
  Lines("P.vbp", {"Module=M; M.bas"});
  Module("M.bas", "M",
         {"Private Const RUN_NAME = \"Later\"", "Sub Main()", "  Used", "End Sub", "Sub Used()",
          "End Sub", "Sub Island()", "  Island: Orphan", "End Sub",  // calls only itself and Orphan
          "Sub Orphan()", "End Sub", "Sub Later()", "End Sub", "Sub Quoted()",
          "  MsgBox \"Called by Quoted\" ' \"Comment\"", "End Sub", "Sub Comment()", "End Sub",
          "Declare Function GetTickCount Lib \"kernel32\" () As Long"});
  Analyze("P.vbp");
  EXPECT_FALSE(Marks("M.Used").Unused);
  EXPECT_FALSE(Marks("M.Used").Unreachable);
  EXPECT_TRUE(Marks("M.Island").Unused);
  EXPECT_FALSE(Marks("M.Orphan").Unused);
  EXPECT_TRUE(Marks("M.Orphan").Unreachable);
  EXPECT_TRUE(Marks("M.Later").ByName);
  EXPECT_FALSE(Marks("M.Later").Unused);
  EXPECT_TRUE(Marks("M.Later").Unreachable);
  // Only a string that is a name in its whole counts, and never a comment.
  EXPECT_TRUE(Marks("M.Quoted").Unused);
  EXPECT_TRUE(Marks("M.Comment").Unused);
  EXPECT_TRUE(Marks("M.GetTickCount").Unused);
}

// --- Bad input ---

TEST_F(PreciseResolveTest, SelfTypedPropertiesDeepWithAndLongChainsEndQuickly) {
  Lines("P.vbp", {"Module=M; M.bas", "Class=Loop1; Loop1.cls", "Class=A; A.cls", "Class=B; B.cls"});
  Class("Loop1.cls", "Loop1",
        {"Public Property Get Self() As Loop1", "  Set Self = Me.Self.Self", "End Property",
         "Public Property Get Item() As Loop1", "Attribute Item.VB_UserMemId = 0",
         "  Set Item = Item(1)(2)(3)", "End Property"});
  // Cyclic interfaces, and events whose handlers raise them again.
  Class(
      "A.cls", "A",
      {"Implements B", "Event Ping()", "Private WithEvents mB As B", "Public Sub Run()", "End Sub",
       "Private Sub B_Run()", "End Sub", "Private Sub mB_Pong()", "  RaiseEvent Ping", "End Sub"});
  Class(
      "B.cls", "B",
      {"Implements A", "Event Pong()", "Private WithEvents mA As A", "Public Sub Run()", "End Sub",
       "Private Sub A_Run()", "End Sub", "Private Sub mA_Ping()", "  RaiseEvent Pong", "End Sub"});
  std::vector<std::string> code{"Attribute VB_Name = \"M\"", "Sub Deep(x As Loop1)", "With x"};
  for (int i = 0; i < 10000; ++i) code.push_back("With .Self");
  code.push_back(".Item");
  for (int i = 0; i <= 10000; ++i) code.push_back("End With");
  std::string chain = "  x";
  for (int i = 0; i < 10000; ++i) chain += ".Self";
  code.push_back(chain);
  std::string nested = "  y = ";
  for (int i = 0; i < 10000; ++i) nested += "x.Item(";
  code.push_back(nested + std::string(10000, ')'));
  code.push_back("End Sub");
  WriteAll("M.bas", code);
  Analyze("P.vbp");
  const auto& sites = ctx.Result.Precise->CallSites[Full("M.Deep").Key];
  // Each With's .Self, the .Item inside, the chain's steps, each Item(...) and the default
  // member that the assignment reads.
  EXPECT_EQ(sites.size(), 10000u + 1 + 10000 + 10000 + 1);
  EXPECT_EQ(Callees("M.Deep"), (Names{"Loop1.Self", "Loop1.Item"}));
  EXPECT_EQ(Callees("A.mB_Pong"), (Names{"A.Ping"}));
  EXPECT_EQ(Callees("A.Ping"), (Names{"B.mA_Ping"}));
  EXPECT_EQ(Callees("B.mA_Ping"), (Names{"B.Pong"}));
  EXPECT_EQ(Callees("B.Pong"), (Names{"A.mB_Pong"}));
  EXPECT_EQ(Callees("A.Run"), (Names{"B.A_Run"}));
  EXPECT_EQ(Callees("B.Run"), (Names{"A.B_Run"}));
  EXPECT_TRUE(Marks("A.mB_Pong").Unreachable);
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

// A project shaped like the public corpus: indented procedures, the same Private names in every
// module, classes reached through typed variables, parameters and With blocks.
class GeneratedProjectTest : public test::ProjectFixture {
 protected:
  void Generate(unsigned seed, int modules, int classes) {
    std::mt19937 random(seed);
    std::vector<std::string> project;
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int c = 0; c < classes; ++c) {
      const std::string name = "Cls" + std::to_string(c);
      project.push_back("Class=" + name + "; " + name + ".cls");
      std::string text =
          "VERSION 1.0 CLASS\r\nBEGIN\r\nEND\r\nAttribute VB_Name = \"" + name + "\"\r\n";
      for (const char* shared : {"Helper", "Load", "Save"}) {
        text +=
            "    Private Sub " + std::string(shared) + "()\r\n        Helper\r\n    End Sub\r\n";
      }
      text += "    Public Function Peer() As Cls" + std::to_string(pick(classes)) +
              "\r\n    End Function\r\n";
      text += "    Public Sub Work(ByVal n As Long)\r\n        Load: Me.Save\r\n";
      text += "        Peer.Work n\r\n    End Sub\r\n";
      dir.Write(name + ".cls", text);
    }
    for (int m = 0; m < modules; ++m) {
      const std::string name = "Mod" + std::to_string(m);
      project.push_back("Module=" + name + "; " + name + ".bas");
      std::string text = "Attribute VB_Name = \"" + name + "\"\r\n";
      text += "Private mObj As Cls" + std::to_string(pick(classes)) + "\r\n";
      for (const char* shared : {"Helper", "Load", "Save", "Work"}) {
        text += "  Private Function " + std::string(shared) + "(x)\r\n  End Function\r\n";
      }
      for (int p = 0; p < 4; ++p) {
        text += "  Public Sub Run" + std::to_string(m) + "_" + std::to_string(p) + "(o As Cls" +
                std::to_string(pick(classes)) + ")\r\n";
        for (int s = 0; s < 6; ++s) {
          switch (pick(6)) {
            case 0:
              text += "    Helper 1: Save(2)\r\n";
              break;
            case 1:
              text += "    o.Work 1: o.Peer.Peer.Work 2\r\n";
              break;
            case 2:
              text += "    With mObj\r\n      .Work 3: .Load\r\n    End With\r\n";
              break;
            case 3:
              text += "    Mod" + std::to_string(pick(modules)) + ".Helper 4\r\n";
              break;
            case 4:
              text += "    Run" + std::to_string(pick(modules)) + "_" + std::to_string(pick(4)) +
                      " o\r\n";
              break;
            default:
              text += "    Cls" + std::to_string(pick(classes)) + ".Load\r\n";
              break;
          }
        }
        text += "  End Sub\r\n";
      }
      dir.Write(name + ".bas", text);
    }
    std::string vbp;
    std::shuffle(project.begin(), project.end(), random);
    for (const std::string& line : project) vbp += line + "\r\n";
    dir.Write("Gen.vbp", vbp);
  }

  // Every edge as "caller -> callee @ line", in list order.
  std::vector<std::string> Edges() {
    std::vector<std::string> edges;
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      const TPassRec& r = ctx.Result.SymbolList.At(i);
      auto it = ctx.Result.Precise->CallSites.find(r.Key);
      if (it == ctx.Result.Precise->CallSites.end()) continue;
      for (const CallSite& s : it->second) {
        edges.push_back(r.FullName + " -> " + s.Callee->FullName + " @ " + std::to_string(s.Line));
      }
      edges.push_back("calledby " + r.Key + ":" + std::to_string(r.CalledBy.size()));
    }
    return edges;
  }
};

TEST_F(GeneratedProjectTest, EdgesDoNotDependOnTheNumberOfWorkers) {
  ctx.Options.Reading = ReadingKind::Precise;
  for (unsigned seed : {1u, 7u, 42u}) {
    SCOPED_TRACE(seed);
    Generate(seed, 30, 12);
    std::vector<std::string> first;
    for (unsigned workers : {0u, 1u, 3u, 8u}) {
      ctx.Options.Workers = workers;
      Analyze("Gen.vbp");
      const std::vector<std::string> edges = Edges();
      EXPECT_GT(edges.size(), 100u);
      if (first.empty()) {
        first = edges;
      } else {
        EXPECT_EQ(edges, first) << workers << " workers";
      }
    }
  }
}

TEST_F(GeneratedProjectTest, NoEdgeEverEntersAnotherModulesPrivateProcedure) {
  ctx.Options.Reading = ReadingKind::Precise;
  Generate(2024, 60, 25);
  Analyze("Gen.vbp");
  int edges = 0;
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& caller = ctx.Result.SymbolList.At(i);
    for (const std::string key : caller.Calls) {
      const TPassRec& callee = Rec(key);
      ++edges;
      EXPECT_FALSE(callee.Scope == "P" && callee.ParentKey != caller.ParentKey)
          << caller.FullName << " -> " << callee.FullName;
    }
  }
  EXPECT_GT(edges, 500);
  // The same-named Private procedures are all reached from inside their own modules.
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& r = ctx.Result.SymbolList.At(i);
    if (r.Kind == KindSub && r.Name == "Helper") {
      EXPECT_EQ(r.CalledBy.size(), 3u) << r.FullName;  // Helper, Load and Save of its class
    }
  }
}

}  // namespace
}  // namespace tarnel
