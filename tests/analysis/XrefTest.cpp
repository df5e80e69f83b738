#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/Errors.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

using test::Keys;

class XrefTest : public test::ProjectFixture {
 protected:
  void SetUp() override {
    ctx.Options.ReservedWords.LoadFromBytes("Call\r\nThen\r\nElse\r\nIf\r\n");
  }
  // Module1 with Main, Bump, Twice, then Module2 with Bump and Other; Main's body is body.
  void MainBody(std::initializer_list<std::string_view> body) {
    std::vector<std::string> lines{"Attribute VB_Name = \"Module1\"", "Sub Main()"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.insert(lines.end(),
                 {"End Sub", "Private Function Bump(n)", "    Bump = n + 1", "End Function",
                  "Public Function Twice(n)", "    Twice = Bump(n) * 2", "End Function"});
    std::string bytes;
    for (auto& l : lines) bytes += l + "\r\n";
    dir.Write("Module1.bas", bytes);
    Lines("Module2.bas",
          {"Attribute VB_Name = \"Module2\"", "Sub Bump(x)", "End Sub", "Sub Other()", "End Sub"});
    Lines("Demo.vbp", {"Module=Module1; Module1.bas", "Module=Module2; Module2.bas"});
    Analyze();
  }
  Keys MainCalls() { return test::KeyTexts(Proc("Main").Calls); }
  std::string Key(std::string_view fullName) {
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      if (ctx.Result.SymbolList.At(i).FullName == fullName) return ctx.Result.SymbolList.At(i).Key;
    }
    return "?";
  }
};

TEST_F(XrefTest, WorkedExampleGivesItsCallsInDiscoveryOrder) {
  MainBody({"    Call Bump(1)", "    Total = Bump(2) + Twice(Bump(3))"});
  EXPECT_EQ(MainCalls(), (Keys{"4-0002", "4-0003"}));
  EXPECT_EQ(test::KeyTexts(Proc("Bump").CalledBy), (Keys{"4-0001", "4-0003"}));
  EXPECT_EQ(test::KeyTexts(Proc("Twice").Calls), (Keys{"4-0002"}));
  EXPECT_EQ(test::KeyTexts(Proc("Twice").CalledBy), (Keys{"4-0001"}));
  EXPECT_TRUE(Proc("Bump").Calls.empty());
  EXPECT_TRUE(Proc("Main").CalledBy.empty());
  EXPECT_EQ(ctx.Result.ProcNames.TextAt(0), "Main");
  EXPECT_EQ(ctx.Result.ProcFullNames.TextAt(2), "Module1.Twice");
}

TEST_F(XrefTest, TokensAreExaminedFromLastToFirst) {
  MainBody({"    Total = Bump(2) + Twice(3)"});
  EXPECT_EQ(MainCalls(), (Keys{"4-0003", "4-0002"}));
}

struct BodyCase {
  const char* Line;
  std::vector<std::string> Calls;  // full names
};

TEST_F(XrefTest, BodyLinesFindCallsByNameOnly) {
  const BodyCase cases[] = {
      {"Bump 1, 2", {"Module1.Bump"}},
      {"Bump", {"Module1.Bump"}},
      {"x=Bump(1)", {}},
      {"x = Bump(1)", {"Module1.Bump"}},
      {"BUMP 1", {"Module1.Bump"}},
      {"Module2.Bump 5", {"Module2.Bump"}},
      {"module2.bump 5", {"Module2.Bump"}},
      {"obj.Bump", {}},
      {"MsgBox \"Bump\"", {"Module1.Bump"}},
      {"If x = 1 Then Other Else Twice", {"Module1.Twice", "Module2.Other"}},
      {"End If", {}},
      {"' Bump", {}},
      {"x = Bump(1) _", {"Module1.Bump"}},
  };
  for (const BodyCase& c : cases) {
    MainBody({c.Line});
    Keys expected;
    for (const auto& name : c.Calls) expected.push_back(Key(name));
    EXPECT_EQ(MainCalls(), expected) << c.Line;
  }
}

TEST_F(XrefTest, TheTokenBeforeAReservedWordSkipsItsOwnDictionaryTest) {
  // Else and Then are both reserved; Else stands before Then and is looked up as a name.
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Else Then", "End Sub",
                  "Sub Else()", "End Sub", "Sub Then()", "End Sub"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Else").Key}));
}

TEST_F(XrefTest, OwnNameBeforeTheFirstEqualsIsAnAssignment) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Function Foo(n)", "    Foo = 1",
                  "    Set Foo = New Collection", "End Function", "Function Fact(n)",
                  "    Fact = Fact(n - 1) * n", "End Function", "Sub Loop1()",
                  "    If x = 1 Then Loop1", "End Sub", "Sub Again()", "    Again", "End Sub"});
  Analyze();
  EXPECT_TRUE(Proc("Foo").Calls.empty());
  // A line without "=" keeps its own name: the procedure calls itself.
  EXPECT_EQ(test::KeyTexts(Proc("Again").Calls), (Keys{Proc("Again").Key}));
  EXPECT_EQ(test::KeyTexts(Proc("Fact").Calls), (Keys{Proc("Fact").Key}));
  EXPECT_EQ(test::KeyTexts(Proc("Fact").CalledBy), (Keys{Proc("Fact").Key}));
  EXPECT_EQ(test::KeyTexts(Proc("Loop1").Calls), (Keys{Proc("Loop1").Key}));
}

TEST_F(XrefTest, EmptyTokensNeverCallAProcedureWithoutName) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub NoParens", "End Sub", "Sub Main()",
                  "    MsgBox \"\", 1", "    Foo a,", "End Sub"});
  Analyze();
  EXPECT_TRUE(Proc("Main").Calls.empty());
  EXPECT_TRUE(Proc("").CalledBy.empty());
}

TEST_F(XrefTest, ContinuedDeclarationLinesAreReadAsBody) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main(a As Integer, _", "    b As Widget)",
                  "End Sub", "Function Widget()", "End Function", "Sub Quiet()", "End Sub"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Widget").Key}));
  EXPECT_TRUE(Proc("Quiet").Calls.empty());
}

TEST_F(XrefTest, AVeryLongLineLosesNoCall) {
  std::string longLine = "    x = " + std::string(6000, 'y') + " + Twice(1)";
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", longLine, "End Sub",
                  "Function Twice(n)", "End Function"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Twice").Key}));
}

TEST_F(XrefTest, ALineOfThousandsOfTokensKeepsEveryRuleAcrossItsBatches) {
  // Main's own name before the "=" goes; Else before the reserved Then is taken as a name even
  // where the two fall into different batches of tokens; the rest are taken from the last.
  std::string line = "    Main = 1";
  const auto pad = [&line](int tokens) {
    for (int i = 0; i < tokens; ++i) line += " padding_token_xxxxx";
  };
  pad(250);
  line += " Else Then";  // tokens 253 and 254
  pad(300);
  line += " \"Twice\"";
  pad(3000);
  line += " Bump(1)";
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", line, "End Sub", "Sub Else()",
                  "End Sub", "Sub Then()", "End Sub", "Function Twice(n)", "End Function",
                  "Function Bump(n)", "End Function"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls),
            (Keys{Proc("Bump").Key, Proc("Twice").Key, Proc("Else").Key}));

  // The same with the pair at the first batch's end: Else its last token, Then the next one's
  // first.
  line = "    Main = 1";
  pad(252);
  line += " Else Then Bump";  // Else is token 255
  ASSERT_GT(line.size(), 5000u);
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", line, "End Sub", "Sub Else()",
                  "End Sub", "Sub Then()", "End Sub", "Function Bump(n)", "End Function"});
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Bump").Key, Proc("Else").Key}));
}

// A line too long to keep a view of each token is read a batch of tokens at a time, and must give
// the calls that it gives when short. Random lines of names, reserved words (Else also names a
// procedure), the procedure's own name, "=", empty fields between commas and quoted names are read
// as they stand, and again with padding after their last token: a word that names nothing, which
// takes no part in any rule and makes every line long.
TEST_F(XrefTest, LongLinesGiveTheCallsOfTheSameLinesShort) {
  const std::vector<std::string> words{"Main", "Bump", "Twice", "Else", "Then", "Call", "If",
                                       "=",    ",",    "x",     "1",    "(",    ")",    "\"Bump\""};
  std::string padding;
  while (padding.size() <= 4100) padding += " padz";
  std::mt19937 random(7);
  const auto module = [](const std::vector<std::string>& body) {
    std::string bytes = "Attribute VB_Name = \"M\"\r\nSub Main()\r\n";
    for (const std::string& line : body) bytes += line + "\r\n";
    return bytes + "End Sub\r\nFunction Bump(n)\r\nEnd Function\r\nSub Twice()\r\nEnd Sub\r\n" +
           "Sub Else()\r\nEnd Sub\r\n";
  };
  Lines("Demo.vbp", {"Module=M; M.bas"});
  for (int round = 0; round < 150; ++round) {
    std::vector<std::string> body, padded;
    for (int l = 0; l < 4; ++l) {
      std::string line = "   ";
      const int count = 1 + static_cast<int>(random() % 12);
      for (int t = 0; t < count; ++t) line += " " + words[random() % words.size()];
      body.push_back(line);
      padded.push_back(line + padding);
    }
    dir.Write("M.bas", module(body));
    Analyze();
    const Keys shortCalls = test::KeyTexts(Proc("Main").Calls);
    dir.Write("M.bas", module(padded));
    Analyze();
    ASSERT_EQ(test::KeyTexts(Proc("Main").Calls), shortCalls) << body[0] << "\n"
                                                              << body[1] << "\n"
                                                              << body[2] << "\n"
                                                              << body[3];
  }
}

TEST_F(XrefTest, TheFirstRecordedProcedureWinsBeyondTenThousand) {
  // 10,001 procedures: in key order 4-10001 sorts before 4-1002, but recording order decides.
  std::string a = "Attribute VB_Name = \"A\"\r\nSub Main()\r\n    Target\r\nEnd Sub\r\n";
  for (int i = 2; i <= 10000; ++i) a += "Sub P" + std::to_string(i) + "()\r\nEnd Sub\r\n";
  dir.Write("A.bas", a);
  Lines("B.bas", {"Attribute VB_Name = \"B\"", "Sub Target()", "End Sub"});
  Lines("C.bas", {"Attribute VB_Name = \"C\"", "Sub Target()", "End Sub"});
  Lines("Demo.vbp", {"Module=A; A.bas", "Module=B; B.bas", "Module=C; C.bas"});
  ctx.Result.SymbolList.SwitchToKeyOrder();
  Analyze();
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{"4-10001"}));
  EXPECT_EQ(Rec("4-10001").FullName, "B.Target");
}

TEST_F(XrefTest, ProgressRunsOverEveryRecordAndCancelStopsBeforeTheRecord) {
  MainBody({"    Bump 1"});
  // 2 groups? No: one group, two modules, five procedures: 8 records.
  EXPECT_EQ(host.Calls.front(), "begin");
  EXPECT_EQ(host.Calls[1], "range 7");
  EXPECT_EQ(host.Calls.back(), "end");
  EXPECT_EQ(host.Counters.front(), "Process Xref 0/7");
  EXPECT_EQ(host.Counters.back(), "Process Xref 7/7");
  EXPECT_EQ(host.Names.front(), GroupCaption(KindModuleGroup));
  EXPECT_EQ(host.EventRounds, 8);
  // The host is asked once a record, after that record's round of events.
  EXPECT_EQ(host.CancelQuestions, 8);
  EXPECT_FALSE(ctx.Result.Cancelled);

  // Cancel in the round before record 4 (Twice, the third in insertion order: 2-0001, 4-0001,
  // 4-0002, 4-0003 ...): Main and Bump were scanned, Twice and later were not.
  host = test::RecordingHost();
  host.OnEvents = [this](int round) {
    if (round == 4) host.Cancel = true;
  };
  MainBody({"    Twice 1"});
  EXPECT_EQ(host.Counters.back(), "Process Xref 3/7");
  EXPECT_EQ(host.Names.back(), "Twice");
  EXPECT_EQ(MainCalls(), (Keys{"4-0003"}));
  EXPECT_TRUE(Proc("Twice").Calls.empty());
  EXPECT_EQ(test::KeyTexts(Proc("Twice").CalledBy), (Keys{"4-0001"}));
  EXPECT_FALSE(host.ProgressShown);
  EXPECT_TRUE(ctx.Result.Cancelled);
  EXPECT_EQ(ctx.Result.ProcFullNames.Find("Module2.Other"), &Proc("Other"));
}

TEST_F(XrefTest, TheNextAnalysisAfterACancelledOneIsWhole) {
  host.OnEvents = [this](int round) {
    if (round == 1) host.Cancel = true;
  };
  MainBody({"    Bump 1"});
  ASSERT_TRUE(ctx.Result.Cancelled);
  EXPECT_TRUE(MainCalls().empty());
  // Nothing of the stopped run stays with the context: numbering, calls and the mark are new.
  host.OnEvents = nullptr;
  Analyze();
  EXPECT_FALSE(ctx.Result.Cancelled);
  EXPECT_EQ(MainCalls(), (Keys{Key("Module1.Bump")}));
  EXPECT_EQ(Key("Module2.Other"), "4-0005");
}

TEST_F(XrefTest, AShortenedModuleGivesEofAndKeepsWhatWasFound) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Helper", "    x = 1", "    y = 2",
                  "End Sub", "Sub Helper()", "    x = 1", "End Sub"});
  // Shorten the file after the declaration scan, before the pass: the first progress round.
  host.OnEvents = [this](int round) {
    if (round == 1) Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "    Helper"});
  };
  Analyze();
  EXPECT_EQ(host.Messages, (std::vector<std::string>{"Eof", "Eof"}));
  EXPECT_EQ(host.RepeatedKinds, std::vector<RepeatedMessage>(2, RepeatedMessage::Eof));
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Helper").Key}));
}

TEST_F(XrefTest, AModuleRemovedBeforeThePassFailsAndStillEndsTheProgress) {
  Lines("Demo.vbp", {"Module=M; M.bas"});
  Lines("M.bas", {"Attribute VB_Name = \"M\"", "Sub Main()", "End Sub"});
  host.OnEvents = [this](int) { std::filesystem::remove(dir.File("M.bas")); };
  EXPECT_THROW(Analyze(), FileOpenError);
  EXPECT_FALSE(host.ProgressShown);
  EXPECT_EQ(host.Calls.back(), "end");
}

TEST_F(XrefTest, AModuleThatFailsKeepsTheCallsFoundBeforeIt) {
  Lines("Demo.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Lines("A.bas", {"Attribute VB_Name = \"A\"", "Sub Main()", "    Helper", "    Other", "End Sub",
                  "Sub Helper()", "    Other", "End Sub"});
  Lines("B.bas", {"Attribute VB_Name = \"B\"", "Sub Other()", "    Main", "End Sub"});
  host.OnEvents = [this](int) { std::filesystem::remove(dir.File("B.bas")); };
  EXPECT_THROW(Analyze(), FileOpenError);
  // Both callers in A are recorded on each side; Other's own body was never read.
  EXPECT_EQ(test::KeyTexts(Proc("Main").Calls), (Keys{Proc("Helper").Key, Proc("Other").Key}));
  EXPECT_EQ(test::KeyTexts(Proc("Other").CalledBy), (Keys{Proc("Main").Key, Proc("Helper").Key}));
  EXPECT_EQ(test::KeyTexts(Proc("Helper").CalledBy), (Keys{Proc("Main").Key}));
  EXPECT_TRUE(Proc("Other").Calls.empty());
  EXPECT_TRUE(Proc("Main").CalledBy.empty());
  // The name indexes are made all the same: the window looks procedures up in what it shows.
  EXPECT_EQ(ctx.Result.ProcNames.Count(), 3);
  EXPECT_EQ(ctx.Result.ProcFullNames.Find("b.other"), &Proc("Other"));
  EXPECT_EQ(ctx.Result.ProcNames.Find("HELPER"), &Proc("Helper"));
}

TEST_F(XrefTest, ASecondAnalysisRebuildsTheNameIndexes) {
  MainBody({"    Bump 1"});
  Lines("Other.vbp", {"Module=X; X.bas"});
  Lines("X.bas", {"Attribute VB_Name = \"X\"", "Sub Solo()", "End Sub"});
  Analyze("Other.vbp");
  EXPECT_EQ(ctx.Result.ProcNames.Count(), 1);
  EXPECT_EQ(ctx.Result.ProcNames.TextAt(0), "Solo");
  EXPECT_EQ(ctx.Result.ProcFullNames.TextAt(0), "X.Solo");
}

}  // namespace
}  // namespace tarnel
