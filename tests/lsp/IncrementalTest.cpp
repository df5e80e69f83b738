#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "lsp/Workspace.h"
#include "support/TempDir.h"

namespace tarnel::test {
namespace {

std::string Show(const SourceRange& r) {
  std::ostringstream out;
  out << r.Start.Line << ':' << r.Start.Column << '-' << r.End.Line << ':' << r.End.Column;
  return out.str();
}

std::string Show(const ProcedureItem& item) {
  std::ostringstream out;
  out << item.Project << ' ' << item.Key << ' ' << item.Module << '.' << item.Name << " k"
      << int(item.Kind) << " [" << item.Declaration << "] " << Show(item.Range) << ' '
      << Show(item.SelectionRange) << " callers " << item.Callers << " callees " << item.Callees;
  return out.str();
}

// Every answer the workspace gives about its modules, as text: symbols, callers and callees with
// their call ranges, references, definitions at each call, diagnostics and the symbol search.
std::string Answers(const Workspace& space) {
  std::ostringstream out;
  for (const std::string& path : space.ModuleFiles()) {
    out << "== " << std::filesystem::path(path).filename().string() << '\n';
    for (const ProcedureItem& item : space.ProceduresIn(path)) {
      out << Show(item) << '\n';
      for (const CallItem& call : space.Incoming(item)) {
        out << "  from " << Show(call.Procedure);
        for (const SourceRange& r : call.FromRanges) out << ' ' << Show(r);
        out << '\n';
      }
      for (const CallItem& call : space.Outgoing(item)) {
        out << "  to " << Show(call.Procedure);
        for (const SourceRange& r : call.FromRanges) {
          out << ' ' << Show(r);
          for (const ProcedureItem& target : space.DefinitionAt(call.Procedure.Path, r.Start)) {
            out << " def " << target.Key;
          }
        }
        out << '\n';
      }
      for (const SourceLocation& at : space.CallsOf(item)) {
        out << "  ref " << std::filesystem::path(at.Path).filename().string() << ' '
            << Show(at.Range) << '\n';
      }
    }
    for (const UnusedMark& mark : space.UnusedIn(path)) {
      out << "unused " << mark.Procedure.Name << (mark.Unreachable ? " unreachable" : "") << ' '
          << mark.Procedure.Key << '\n';
    }
  }
  // Names with each of these letters, ranked: what a workspace symbol search shows.
  for (const char* text : {"a", "e", "o", "u"}) {
    for (const ProcedureItem& item : space.Search(text, 1000)) {
      out << "search " << text << ' ' << item.Name << ' ' << item.Key << '\n';
    }
  }
  return out.str();
}

// A project with the constructs whose resolution crosses modules: globals, a class with events and
// a default member, an interface with an implementation, a form with a control and WithEvents.
class IncrementalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.WriteLines("Proj.vbp",
                    {"Module=Util; Util.bas", "Module=Extra; Extra.bas", "Class=CStack; CStack.cls",
                     "Class=IShape; IShape.cls", "Class=CCircle; CCircle.cls", "Form=frmMain.frm",
                     "Name=\"Proj\""});
    Write("Util.bas", {"Attribute VB_Name = \"Util\"", "Public gStack As CStack", "Sub Main()",
                       "    Helper 1", "    Set gStack = New CStack", "    gStack.Push 3",
                       "    frmMain.Show", "    Dim s As IShape", "    Set s = New CCircle",
                       "    Debug.Print s.Area", "End Sub", "Public Sub Helper(ByVal n As Long)",
                       "    Log \"helper\"", "End Sub", "Public Sub Log(ByVal text As String)",
                       "End Sub", "Private Sub Unused()", "    Helper 2", "End Sub"});
    Write("Extra.bas",
          {"Attribute VB_Name = \"Extra\"", "Public Sub Twice()", "    Helper 1", "    Helper 2",
           "    Log \"twice\"", "    Fresh", "End Sub", "Public Function Total() As Long",
           "    Total = gStack.Count + gStack(1)", "End Function"});
    Write("CStack.cls",
          {"VERSION 1.0 CLASS", "BEGIN", "  MultiUse = -1", "END", "Attribute VB_Name = \"CStack\"",
           "Private mItems As Collection", "Public Event Changed()",
           "Public Sub Push(ByVal v As Variant)", "    mItems.Add v", "    RaiseEvent Changed",
           "End Sub", "Public Property Get Count() As Long", "    Count = mItems.Count",
           "End Property", "Public Function Item(ByVal i As Long) As Variant",
           "Attribute Item.VB_UserMemId = 0", "    Item = mItems(i)", "End Function"});
    Write("IShape.cls", {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"IShape\"",
                         "Public Function Area() As Double", "End Function"});
    Write("CCircle.cls", {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"CCircle\"",
                          "Implements IShape", "Private Function IShape_Area() As Double",
                          "    IShape_Area = 3.14", "End Function"});
    Write("frmMain.frm",
          {"VERSION 5.00", "Begin VB.Form frmMain", "   Caption = \"Main\"",
           "   Begin VB.CommandButton cmdGo", "      Caption = \"Go\"", "   End", "End",
           "Attribute VB_Name = \"frmMain\"", "Private WithEvents mStack As CStack",
           "Private Sub cmdGo_Click()", "    Twice", "    Debug.Print Total()", "End Sub",
           "Private Sub mStack_Changed()", "    Log \"changed\"", "End Sub",
           "Private Sub Form_Load()", "    Set mStack = gStack", "End Sub"});
    root_ = std::filesystem::canonical(dir_.Path()).string();
  }

  void Write(const std::string& name, std::initializer_list<std::string_view> lines) {
    dir_.WriteLines(name, lines);
  }
  std::string Path(const std::string& name) const { return root_ + "/" + name; }
  std::string Read(const std::string& name) const { return ReadNative(Path(name)); }
  // The file with its first occurrence of from replaced.
  void Replace(const std::string& name, const std::string& from, const std::string& to) {
    std::string text = Read(name);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    dir_.Write(name, text.replace(at, from.size(), to));
  }

  // The answers of a workspace that reads the folder afresh, with the same editor texts.
  std::string Fresh(const std::map<std::string, std::string>& open = {}) {
    Workspace fresh({});
    for (const auto& [path, text] : open) fresh.SetOpenText(path, text);
    fresh.AddFolders({root_});
    return Answers(fresh);
  }

  // Tells the workspace that a file changed on disk and checks it answers as a fresh one does,
  // having read at most `most` modules' bodies again.
  void Saved(Workspace& space, const std::string& name, std::size_t most) {
    ASSERT_TRUE(space.Reanalyse({Path(name)}));
    EXPECT_LE(space.LastResolved(), most) << name;
    EXPECT_EQ(Answers(space), Fresh()) << name;
  }

  TempDir dir_;
  std::string root_;
};

TEST_F(IncrementalTest, EditsAnswerAsAFreshAnalysis) {
  Workspace space({});
  space.AddFolders({root_});
  ASSERT_EQ(space.ModuleFiles().size(), 6u);
  const std::string start = Answers(space);
  EXPECT_NE(start.find("to 0 4-0002 Util.Helper"), std::string::npos) << start;

  // A changed call inside a body: only that module's bodies are read again.
  Replace("Extra.bas", "    Helper 2", "    Log \"x\"");
  Saved(space, "Extra.bas", 1);
  // Lines shift: every range after them moves, no other module is read.
  Replace("Util.bas", "Public gStack", "' a comment\r\n\r\nPublic gStack");
  Saved(space, "Util.bas", 1);
  // Callers gained and lost inside bodies keep the order a whole analysis gives them: by
  // number, then those that only the language's own calls link (events, interfaces).
  Replace("Extra.bas", "    Total = ", "    Log \"total\"\r\n    Total = ");
  Saved(space, "Extra.bas", 1);
  Replace("frmMain.frm", "    Set mStack = gStack",
          "    Set mStack = gStack\r\n    mStack_Changed");
  Saved(space, "frmMain.frm", 1);
  Replace("CStack.cls", "    RaiseEvent Changed\r\n", "");
  Saved(space, "CStack.cls", 1);
  Replace("IShape.cls", "Public Function Area", "' moved\r\nPublic Function Area");
  Replace("IShape.cls", "End Function", "    Log \"area\"\r\nEnd Function");
  Saved(space, "IShape.cls", 1);
  Replace("CStack.cls", "    mItems.Add v\r\n", "    mItems.Add v\r\n    RaiseEvent Changed\r\n");
  Saved(space, "CStack.cls", 1);
  // A string that names a procedure nothing calls makes it maybe called: still unreachable, no
  // longer unused.
  Replace("Extra.bas", "    Fresh\r\n", "    Fresh\r\n    CallByName Me, \"unused\", VbMethod\r\n");
  Saved(space, "Extra.bas", 1);
  EXPECT_NE(Answers(space).find("unused Unused unreachable "), std::string::npos);
  // A name whose letter case alone changed.
  Replace("Util.bas", "Public Sub Log(", "Public Sub LOG(");
  Saved(space, "Util.bas", 1);
  // A procedure added that another module already calls by name: that module binds to it, and
  // the keys of every later procedure move on by one.
  Replace("Util.bas", "Private Sub Unused()",
          "Public Sub Fresh()\r\nEnd Sub\r\nPrivate Sub Unused()");
  Saved(space, "Util.bas", 2);
  // Renamed, then made Private: its callers elsewhere lose it.
  Replace("Util.bas", "Public Sub Helper(", "Public Sub Assist(");
  Saved(space, "Util.bas", 6);
  Replace("Util.bas", "Public Sub Assist(", "Public Sub Helper(");
  Saved(space, "Util.bas", 6);
  Replace("Util.bas", "Public Sub Helper(", "Private Sub Helper(");
  Saved(space, "Util.bas", 6);
  // A procedure removed that others call.
  Replace("Util.bas", "Public Sub LOG(ByVal text As String)\r\nEnd Sub\r\n", "");
  Saved(space, "Util.bas", 6);
  // A class member inserted before the others, a property's kind changed, the default member
  // dropped, an event removed.
  Replace("CStack.cls", "Public Sub Push(", "Public Sub Clear()\r\nEnd Sub\r\nPublic Sub Push(");
  Saved(space, "CStack.cls", 6);
  Replace("CStack.cls", "Attribute Item.VB_UserMemId = 0\r\n", "");
  Saved(space, "CStack.cls", 6);
  Replace("CStack.cls", "Public Event Changed()\r\n", "");
  Saved(space, "CStack.cls", 6);
  // The interface's implementation renamed away, and the form's control handler with it.
  Replace("CCircle.cls", "IShape_Area() As Double", "Area() As Double");
  Saved(space, "CCircle.cls", 6);
  Replace("frmMain.frm", "cmdGo_Click", "cmdStop_Click");
  Saved(space, "frmMain.frm", 6);
  // The module renamed: every module's bodies are read again.
  Replace("Extra.bas", "\"Extra\"", "\"Extras\"");
  Saved(space, "Extra.bas", 6);
  EXPECT_EQ(space.LastResolved(), 6u);
}

TEST_F(IncrementalTest, AGlobalFunctionsObjectResultHoldsWhenTheProceduresBeforeItMove) {
  Write("Extra.bas", {"Attribute VB_Name = \"Extra\"", "Public Function Current() As CStack",
                      "End Function", "Public Function Total() As Long", "End Function"});
  Workspace space({});
  space.AddFolders({root_});
  ASSERT_EQ(Answers(space), Fresh());
  // A procedure added to the first module moves the number of every procedure after it; the
  // module's bodies, read again, reach a member through the result of a later module's function.
  Replace("Util.bas", "Sub Main()", "Sub Added()\r\n    Current.Push 1\r\nEnd Sub\r\nSub Main()");
  Saved(space, "Util.bas", 6);
  const std::vector<ProcedureItem> util = space.ProceduresIn(Path("Util.bas"));
  ASSERT_FALSE(util.empty());
  ASSERT_EQ(util[0].Name, "Added");
  std::vector<std::string> callees;
  for (const CallItem& call : space.Outgoing(util[0])) callees.push_back(call.Procedure.Name);
  EXPECT_EQ(callees, (std::vector<std::string>{"Current", "Push"}));
}

TEST_F(IncrementalTest, EditorTextIsReadInsteadOfTheFileUntilClosed) {
  Workspace space({});
  space.AddFolders({root_});
  const std::string onDisk = Answers(space);
  const std::string path = Path("Extra.bas");

  // Opening a file as it is on disk changes nothing.
  EXPECT_FALSE(space.SetOpenText(path, Read("Extra.bas")));

  std::string edited = Read("Extra.bas");
  edited.replace(edited.find("    Helper 1"), 12, "    Main");
  ASSERT_TRUE(space.SetOpenText(path, edited));
  EXPECT_FALSE(space.SetOpenText(path, edited)) << "the same text again";
  ASSERT_TRUE(space.Reanalyse({path}));
  EXPECT_EQ(space.LastResolved(), 1u);
  const std::string unsaved = Answers(space);
  EXPECT_EQ(unsaved, Fresh({{path, edited}}));
  EXPECT_NE(unsaved, onDisk);
  EXPECT_EQ(Read("Extra.bas").find("    Main"), std::string::npos);  // the disk is untouched

  // A change on disk to an open file does not reach the analysis; closing it does.
  Replace("Extra.bas", "    Helper 2", "    Log \"x\"");
  ASSERT_TRUE(space.Reanalyse({path}));
  EXPECT_EQ(Answers(space), unsaved);
  ASSERT_TRUE(space.SetOpenText(path, std::nullopt));
  EXPECT_FALSE(space.SetOpenText(path, std::nullopt)) << "closed already";
  ASSERT_TRUE(space.Reanalyse({path}));
  EXPECT_EQ(Answers(space), Fresh());
}

TEST_F(IncrementalTest, NonAsciiEditorTextUnderEachEncoding) {
  for (SourceEncoding encoding : {SourceEncoding::Cp932, SourceEncoding::Utf8,
                                  SourceEncoding::Cp1252, SourceEncoding::Auto}) {
    Workspace::Options options;
    options.Encoding = encoding;
    Workspace space(options);
    space.AddFolders({root_});
    const std::string path = Path("Util.bas");
    std::string edited = Read("Util.bas");
    // A Japanese comment before the declaration: the ranges stay in UTF-16 columns.
    edited.replace(edited.find("Public Sub Log("), 0, "' \xE3\x83\xAD\xE3\x82\xB0 caf\xC3\xA9\r\n");
    ASSERT_TRUE(space.SetOpenText(path, edited));
    ASSERT_TRUE(space.Reanalyse({path}));
    Workspace fresh(options);
    fresh.SetOpenText(path, edited);
    fresh.AddFolders({root_});
    EXPECT_EQ(Answers(space), Answers(fresh)) << static_cast<int>(encoding);
    bool found = false;
    for (const ProcedureItem& item : space.ProceduresIn(path)) {
      if (item.Name == "Log") found = item.Range.Start.Line == 15;
    }
    EXPECT_TRUE(found) << static_cast<int>(encoding);
  }
}

TEST_F(IncrementalTest, ClassicReadingReadsTheEditorsTextUnderEachEncoding) {
  for (SourceEncoding encoding : {SourceEncoding::Cp932, SourceEncoding::Utf8,
                                  SourceEncoding::Cp1252, SourceEncoding::Auto}) {
    Workspace::Options options;
    options.Reading = ReadingKind::Classic;
    options.Encoding = encoding;
    Workspace space(options);
    space.AddFolders({root_});
    const std::string onDisk = Answers(space);
    const std::string path = Path("Extra.bas");
    // A call to Main that only the editor holds, after a Japanese comment that moves it down.
    std::string edited = Read("Extra.bas");
    edited.replace(edited.find("    Helper 1"), 12, "    ' \xE3\x83\xAD\xE3\x82\xB0\r\n    Main");
    ASSERT_TRUE(space.SetOpenText(path, edited));
    ASSERT_TRUE(space.Reanalyse({path}));
    const std::string unsaved = Answers(space);
    Workspace fresh(options);
    fresh.SetOpenText(path, edited);
    fresh.AddFolders({root_});
    EXPECT_EQ(unsaved, Answers(fresh)) << static_cast<int>(encoding);
    EXPECT_NE(unsaved, onDisk) << static_cast<int>(encoding);
    bool calls = false;
    for (const ProcedureItem& item : space.ProceduresIn(path)) {
      if (item.Name != "Twice") continue;
      for (const CallItem& call : space.Outgoing(item)) {
        if (call.Procedure.Name == "Main") {
          calls = call.FromRanges.size() == 1 && call.FromRanges[0].Start.Line == 3;
        }
      }
    }
    EXPECT_TRUE(calls) << unsaved;
    // Closed, the file is read again as it stands.
    ASSERT_TRUE(space.SetOpenText(path, std::nullopt));
    ASSERT_TRUE(space.Reanalyse({path}));
    EXPECT_EQ(Answers(space), onDisk) << static_cast<int>(encoding);
  }
}

TEST_F(IncrementalTest, AModuleThatCannotBeReadFallsBackToAWholeAnalysis) {
  Workspace space({});
  space.AddFolders({root_});
  std::filesystem::remove(Path("Extra.bas"));
  ASSERT_TRUE(space.Reanalyse({Path("Extra.bas")}));
  EXPECT_EQ(space.LastResolved(), 6u);
  EXPECT_EQ(Answers(space), Fresh());
  const std::vector<std::string> messages = space.TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("Extra.bas"), std::string::npos);
}

// A generated project whose modules are edited at random: procedures added, removed, renamed,
// moved, made Private or Public, turned into functions, and calls added, in standard modules,
// a class that raises an event, an interface's implementation and a form that handles the event.
// After each edit the workspace must answer as a fresh analysis does.
class RandomEditTest : public ::testing::Test {
 protected:
  struct Procedure {
    std::string Scope = "Public";
    std::string Kind = "Sub";  // "Sub", "Function" or "Event"
    std::string Name;
    std::vector<std::string> Body;
  };
  struct Module {
    std::string File;
    std::vector<std::string> Header;
    std::vector<Procedure> Procedures;
  };

  void SetUp() override {
    root_ = std::filesystem::canonical(dir_.Path()).string();
    std::string project;
    for (int m = 0; m < 8; ++m) {
      Module module;
      const std::string name = "Mod" + std::to_string(m);
      module.File = name + ".bas";
      module.Header = {"Attribute VB_Name = \"" + name + "\""};
      for (int p = 0; p < 5; ++p) {
        Procedure proc;
        proc.Name = "P" + std::to_string(m) + "_" + std::to_string(p);
        proc.Scope = p == 4 ? "Private" : "Public";
        proc.Body = {"    P" + std::to_string((m + 1) % 8) + "_" + std::to_string(p),
                     "    Mod" + std::to_string((m + 3) % 8) + ".P" + std::to_string((m + 3) % 8) +
                         "_" + std::to_string((p + 1) % 5),
                     "    Shared"};
        module.Procedures.push_back(proc);
      }
      if (m % 3 == 0) module.Procedures.push_back({"Public", "Sub", "Shared", {"    P0_0"}});
      project += "Module=" + name + "; " + module.File + "\r\n";
      modules_.push_back(module);
    }
    modules_.push_back({"CWidget.cls",
                        {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"CWidget\""},
                        {{"Public", "Event", "Changed", {}},
                         {"Public", "Sub", "Poke", {"    RaiseEvent Changed", "    Shared"}},
                         {"Public", "Function", "Size", {"    Size = 1"}}}});
    modules_.push_back({"IShape.cls",
                        {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"IShape\""},
                        {{"Public", "Function", "Area", {}}, {"Public", "Sub", "Draw", {}}}});
    modules_.push_back({"CSquare.cls",
                        {"VERSION 1.0 CLASS", "BEGIN", "END", "Attribute VB_Name = \"CSquare\"",
                         "Implements IShape"},
                        {{"Private", "Function", "IShape_Area", {"    P1_1"}},
                         {"Private", "Sub", "IShape_Draw", {}}}});
    modules_.push_back({"frmMain.frm",
                        {"VERSION 5.00", "Begin VB.Form frmMain", "   Caption = \"Main\"", "End",
                         "Attribute VB_Name = \"frmMain\"", "Private WithEvents mW As CWidget",
                         "Private mS As IShape"},
                        {{"Private",
                          "Sub",
                          "Form_Load",
                          {"    Set mW = New CWidget", "    mW.Poke", "    Set mS = New CSquare",
                           "    Debug.Print mS.Area", "    P2_2"}},
                         {"Private", "Sub", "mW_Changed", {"    P5_0"}}}});
    project += "Class=CWidget; CWidget.cls\r\nClass=IShape; IShape.cls\r\n";
    project += "Class=CSquare; CSquare.cls\r\nForm=frmMain.frm\r\nName=\"Gen\"\r\n";
    dir_.Write("Gen.vbp", project);
    for (const Module& module : modules_) WriteModule(module);
  }

  void WriteModule(const Module& module) {
    std::string text;
    for (const std::string& line : module.Header) text += line + "\r\n";
    for (const Procedure& proc : module.Procedures) {
      if (proc.Kind == "Event") {
        text += proc.Scope + " Event " + proc.Name + "()\r\n";
        continue;
      }
      text += proc.Scope + " " + proc.Kind + " " + proc.Name + "()\r\n";
      for (const std::string& line : proc.Body) text += line + "\r\n";
      text += "End " + proc.Kind + "\r\n";
    }
    dir_.Write(module.File, text);
  }

  // A name to declare or call: one declared somewhere, a handler's, or one nobody declares.
  std::string AnyName() {
    std::vector<std::string> names = {"Fresh" + std::to_string(fresh_++),
                                      "Shared",
                                      "mW_Changed",
                                      "IShape_Area",
                                      "Changed",
                                      "Poke"};
    for (const Module& module : modules_) {
      for (const Procedure& proc : module.Procedures) names.push_back(proc.Name);
    }
    return names[Pick(names.size())];
  }
  std::size_t Pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }

  // Changes one module at random and says how.
  std::string Edit(Module& module) {
    auto& procs = module.Procedures;
    const bool isClass = module.File == "CWidget.cls";
    switch (Pick(7)) {
      case 0: {
        Procedure proc;
        proc.Name = AnyName();
        proc.Kind = isClass && Pick(3) == 0 ? "Event" : (Pick(2) ? "Sub" : "Function");
        if (proc.Kind != "Event") proc.Body = {"    " + AnyName()};
        const std::size_t at = procs.empty() ? 0 : Pick(procs.size() + 1);
        procs.insert(procs.begin() + static_cast<std::ptrdiff_t>(at), proc);
        return "add " + proc.Name + " at " + std::to_string(at);
      }
      case 1: {
        if (procs.empty()) return "nothing";
        const std::size_t at = Pick(procs.size());
        const std::string name = procs[at].Name;
        procs.erase(procs.begin() + static_cast<std::ptrdiff_t>(at));
        return "remove " + name;
      }
      case 2: {
        if (procs.empty()) return "nothing";
        Procedure& proc = procs[Pick(procs.size())];
        const std::string before = proc.Name;
        proc.Name = AnyName();
        return "rename " + before + " to " + proc.Name;
      }
      case 3: {
        if (procs.empty()) return "nothing";
        Procedure& proc = procs[Pick(procs.size())];
        proc.Scope = proc.Scope == "Public" ? "Private" : "Public";
        return proc.Scope + " " + proc.Name;
      }
      case 4: {
        if (procs.size() < 2) return "nothing";
        const std::size_t from = Pick(procs.size()), to = Pick(procs.size());
        Procedure proc = procs[from];
        procs.erase(procs.begin() + static_cast<std::ptrdiff_t>(from));
        procs.insert(procs.begin() + static_cast<std::ptrdiff_t>(to), proc);
        return "move " + proc.Name + " to " + std::to_string(to);
      }
      case 5: {
        if (procs.empty()) return "nothing";
        Procedure& proc = procs[Pick(procs.size())];
        if (proc.Kind == "Event") return "nothing";
        proc.Kind = proc.Kind == "Sub" ? "Function" : "Sub";
        return proc.Kind + " " + proc.Name;
      }
      default: {
        if (procs.empty()) return "nothing";
        Procedure& proc = procs[Pick(procs.size())];
        if (proc.Kind == "Event") return "nothing";
        const std::string call = AnyName();
        proc.Body.push_back("    " + call);
        return "call " + call + " from " + proc.Name;
      }
    }
  }

  std::string Fresh() {
    Workspace fresh({});
    fresh.AddFolders({root_});
    return Answers(fresh);
  }

  TempDir dir_;
  std::string root_;
  std::vector<Module> modules_;
  std::mt19937 random_{20261207};
  int fresh_ = 0;
};

// What an editor is shown of a module's marks.
std::string ShownMarks(const Workspace& space, const std::string& path) {
  std::string shown;
  for (const UnusedMark& mark : space.UnusedIn(path)) {
    shown += mark.Procedure.Name + (mark.Unreachable ? " unreachable " : " unused ") +
             Show(mark.Procedure.SelectionRange) + '\n';
  }
  return shown;
}

TEST_F(RandomEditTest, EveryEditAnswersAsAFreshAnalysis) {
  Workspace space({});
  space.AddFolders({root_});
  ASSERT_EQ(space.ModuleFiles().size(), modules_.size());
  ASSERT_EQ(Answers(space), Fresh());
  EXPECT_FALSE(space.TakeMarkChanges()) << "every module's marks are new";
  std::map<std::string, std::string> shown;
  for (const std::string& path : space.ModuleFiles()) shown[path] = ShownMarks(space, path);
  for (int step = 0; step < 60; ++step) {
    Module& module = modules_[Pick(modules_.size())];
    const std::string what = module.File + ": " + Edit(module);
    WriteModule(module);
    ASSERT_TRUE(space.Reanalyse({root_ + "/" + module.File})) << what;
    // A whole analysis of the project would read every module: the update reads fewer.
    EXPECT_LT(space.LastResolved(), modules_.size()) << what;
    const std::string answers = Answers(space);
    ASSERT_EQ(answers, Fresh()) << "step " << step << ", " << what;
    // The modules said to have changed marks include every module whose marks an editor would
    // be shown differently, and the one edited.
    const std::optional<std::vector<std::string>> changed = space.TakeMarkChanges();
    ASSERT_TRUE(changed) << what;
    EXPECT_NE(std::find(changed->begin(), changed->end(), root_ + "/" + module.File),
              changed->end())
        << what;
    for (auto& [path, marks] : shown) {
      std::string now = ShownMarks(space, path);
      if (std::find(changed->begin(), changed->end(), path) == changed->end()) {
        EXPECT_EQ(now, marks) << "step " << step << ", " << what << ": " << path;
      }
      marks = std::move(now);
    }
  }
}

}  // namespace
}  // namespace tarnel::test
