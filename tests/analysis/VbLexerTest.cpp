#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "analysis/VbLexer.h"

namespace tarnel {
namespace {

// Each statement as "line|label|token token ...".
std::vector<std::string> Lex(const std::string& source, const CondConstants& project = {},
                             bool doubleByte = false, bool passOverPlainLines = false) {
  TextReader file = TextReader::FromBytes(source);
  VbLexer lexer(file, 0, project, doubleByte);
  lexer.PassOverPlainLines(passOverPlainLines);
  std::vector<std::string> out;
  VbStatement s;
  while (lexer.Next(s)) {
    std::string text = std::to_string(s.Line) + "|" + std::string(s.Label) + "|";
    for (std::size_t i = 0; i < s.Tokens.size(); ++i) {
      if (i > 0) text += ' ';
      text += std::string(s.Tokens[i].Text);
    }
    out.push_back(text);
  }
  return out;
}

using Lines = std::vector<std::string>;

TEST(VbLexerTest, StringsHideQuotesApostrophesAndSeparators) {
  EXPECT_EQ(Lex("MsgBox \"It's: \"\"End Sub\"\"\" ' real comment\r\n"),
            (Lines{"1||MsgBox \"It's: \"\"End Sub\"\"\""}));
  // An unterminated string ends with its line; the next line is read as usual.
  EXPECT_EQ(Lex("x = \"open\r\ny = 2\r\n"), (Lines{"1||x = \"open", "2||y = 2"}));
  EXPECT_EQ(StringValue("\"a\"\"b\""), "a\"b");
}

TEST(VbLexerTest, RemAndContinuedCommentsAreNotCode) {
  EXPECT_EQ(Lex("Rem Call Foo\r\nx = 1: REM Bar\r\nRemark = 2\r\n"),
            (Lines{"2||x = 1", "3||Remark = 2"}));
  EXPECT_EQ(Lex("' first _\r\nCall StillComment _\r\n  more comment\r\nCall Real\r\n"),
            (Lines{"4||Call Real"}));
}

TEST(VbLexerTest, ContinuationsJoinLinesAndKeepEachTokensLine) {
  TextReader file = TextReader::FromBytes("Call Foo(a, _\r\n\tb, _\r\n  c)\r\nx_ = 1\r\n");
  VbLexer lexer(file, 0, {}, false);
  VbStatement s;
  ASSERT_TRUE(lexer.Next(s));
  EXPECT_EQ(s.Line, 1);
  ASSERT_EQ(s.Tokens.size(), 9u);
  EXPECT_EQ(s.Tokens[5].Text, "b");
  EXPECT_EQ(s.Tokens[5].Line, 2);
  EXPECT_EQ(s.Tokens[7].Line, 3);
  ASSERT_TRUE(lexer.Next(s));
  EXPECT_EQ(s.Tokens[0].Text, "x_");  // an underscore inside a name continues nothing
  EXPECT_FALSE(lexer.Next(s));
}

TEST(VbLexerTest, LabelsLineNumbersAndSeparators) {
  EXPECT_EQ(Lex("ErrHandler:\r\n10 x = 1\r\nDoIt: Other\r\nIf a Then b Else: c\r\n"
                "Else: y\r\nf x:=1\r\n"),
            (Lines{"1|ErrHandler|", "2|10|x = 1", "3|DoIt|Other", "4||If a Then b Else", "4||c",
                   "5||Else", "5||y", "6||f x := 1"}));
}

TEST(VbLexerTest, NamesKeepTypeCharactersAndBangIsAnOperator) {
  EXPECT_EQ(Lex("s$ = Left$(rs!Name, 2&) & [Bad Name] & #1/2/2000#\r\n"),
            (Lines{"1||s$ = Left$ ( rs ! Name , 2& ) & [Bad Name] & #1/2/2000#"}));
  EXPECT_EQ(BareName("Left$"), "Left");
  EXPECT_EQ(BareName("[Bad Name]"), "Bad Name");
}

TEST(VbLexerTest, DoubleByteNamesAreTakenWhole) {
  // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in a backslash, 圧 (0x88 0x5F) in an underscore.
  const std::string table = "\x95\x5c";
  const std::string so = "\x83\x5c";
  const std::string atsu = "\x88\x5f";
  Lines lexed = Lex("x = " + table + so + " _\r\n  + " + atsu + "\r\n", {}, true);
  EXPECT_EQ(lexed, (Lines{"1||x = " + table + so + " + " + atsu}));
  // The same bytes read as another code page split at the backslash.
  EXPECT_NE(Lex("x = " + table + so + "\r\n", {}, false), (Lines{"1||x = " + table + so}));
}

TEST(VbLexerTest, LongNamesEndWhereTheirBytesEnd) {
  // Names of every length up to past two blocks of sixteen bytes, with what may end them, and
  // lines that go on long enough for each end to be read within such a block.
  const std::string after = " = OtherLongEnoughName";
  for (std::size_t length = 1; length <= 40; ++length) {
    std::string name(length, 'n');
    name[0] = 'A';
    if (length > 2) name[length / 2] = length % 3 == 0 ? '_' : length % 3 == 1 ? '7' : 'Z';
    for (const std::string end : {"(", ".", "!", "$ ", "\t", ",", ":=", "'"}) {
      const std::string line = "    " + name + end + "x" + after + "\r\n";
      const Lines lexed = Lex(line);
      ASSERT_FALSE(lexed.empty()) << line;
      EXPECT_EQ(lexed[0].substr(3, length), name) << line;
      EXPECT_NE(lexed[0][3 + length], name.back()) << line;
    }
    // The name last on its line, and last but a type character or a blank.
    EXPECT_EQ(Lex("Call " + name + "\r\n"), (Lines{"1||Call " + name})) << length;
    EXPECT_EQ(Lex("x = " + name + "% \r\n"), (Lines{"1||x = " + name + "%"})) << length;
  }
  // A byte of 0x80 or above continues a name; read as code page 932, a lead byte takes the byte
  // after it too, whatever it is.
  const std::string lead = "\x95\x5c";  // ends in a backslash
  for (std::size_t at = 1; at <= 20; ++at) {
    const std::string name = std::string(at, 'q') + lead + "tail" + std::string(12, 'r');
    EXPECT_EQ(Lex(name + " = 1\r\n", {}, true), (Lines{"1||" + name + " = 1"})) << at;
    const std::string high = std::string(at, 'q') + "\xe9t\xe9" + std::string(16, 'r');
    EXPECT_EQ(Lex(high + " = 1\r\n", {}, false), (Lines{"1||" + high + " = 1"})) << at;
    // The same bytes in a name among the last sixteen of a longer line, up to its very end.
    const std::string before = "Call Something, Other, ";
    const std::string lexedBefore = "1||Call Something , Other , ";
    const std::string shortLead = std::string(at % 5 + 1, 'q') + lead + "t";
    EXPECT_EQ(Lex(before + shortLead + "\r\n", {}, true), (Lines{lexedBefore + shortLead}));
    const std::string shortHigh = std::string(at % 5 + 1, 'q') + "\xe9" + std::string(at % 3, 't');
    EXPECT_EQ(Lex(before + shortHigh + "\r\n"), (Lines{lexedBefore + shortHigh})) << at;
    EXPECT_EQ(Lex(before + shortHigh + "(1)\r\n"), (Lines{lexedBefore + shortHigh + " ( 1 )"}));
  }
}

TEST(VbLexerTest, ConditionalCompilationReadsOnlyTheLiveBranch) {
  const std::string source =
      "#Const LOCAL = 1\r\n"
      "#If DEBUG = 1 And Not LOCAL = 0 Then\r\n"
      "Call DebugOnly\r\n"
      "#ElseIf Win16 Then\r\n"
      "Call Sixteen\r\n"
      "#Else\r\n"
      "Call Release\r\n"
      "#End If\r\n"
      "#if win32 then\r\n"
      "#If UNDEFINED Then\r\nCall Never\r\n#Else\r\nCall Nested\r\n#EndIf\r\n"
      "#end if\r\n";
  EXPECT_EQ(Lex(source, ParseCondComp("\"DEBUG = 1 : X = 0\"")),
            (Lines{"3||Call DebugOnly", "13||Call Nested"}));
  EXPECT_EQ(Lex(source, ParseCondComp("DEBUG = 0")), (Lines{"7||Call Release", "13||Call Nested"}));
}

TEST(VbLexerTest, ConditionalExpressionsComputeLikeTheCompiler) {
  auto live = [](const std::string& expr, const CondConstants& project = {}) {
    return Lex("#If " + expr + " Then\r\nyes\r\n#Else\r\nno\r\n#End If\r\n", project);
  };
  EXPECT_EQ(live("(1 Or 2) = 3 And (6 And 3) = 2"), (Lines{"2||yes"}));
  EXPECT_EQ(live("(5 Xor 1) = 4 And Not 0 = -1 And True = -1"), (Lines{"2||yes"}));
  EXPECT_EQ(live("Not 1"), (Lines{"2||yes"}));  // bitwise: Not 1 is -2
  EXPECT_EQ(live("VER >= 6", ParseCondComp("VER = 5")), (Lines{"4||no"}));
  EXPECT_EQ(live("LANG = \"ja\"", ParseCondComp("LANG = \"ja\"")), (Lines{"2||yes"}));
  // What cannot be evaluated leaves every branch live.
  EXPECT_EQ(live("Len(X) > 1"), (Lines{"2||yes", "4||no"}));
  EXPECT_EQ(live("1 / 0"), (Lines{"2||yes", "4||no"}));
  EXPECT_EQ(live(std::string(5000, '(') + "1" + std::string(5000, ')')),
            (Lines{"2||yes", "4||no"}));
}

// A body read for its declarations alone: a plain line comes out as its strings, every other
// line as it always does, and no line moves.
TEST(VbLexerTest, PlainLinesGiveTheirStringsAloneAndTheRestAsEver) {
  std::vector<std::pair<std::string, bool>> body = {
      {"x = 1", true},
      {"    End If", true},
      {"End", true},
      {"Endx = 2 ' End Sub", true},
      {"x = 2 ' note: [a] #1", true},
      {"y = \"Foo\" & \"a\"\"b\" & z ' \"not\"", true},
      {"s = \"open", true},
      {"MsgBox \"it's\", 1 ' \"x\"", true},
      {"", true},
      {"   \t", true},
      {"End  Sub", false},
      {"\tEND FUNCTION", false},
      {"End Property ' done", false},
      {"10 x = 1", false},
      {"ErrHandler: Call Foo", false},
      {"MsgBox \"a: b\", 1", false},
      {"Rem note", false},
      {"Attribute Foo.VB_UserMemId = 0", false},
      {"Private Sub Inner()", false},
      {"Static Function Counted()", false},
      {"Declare Sub Beep Lib \"k\" ()", false},
      {"Event Changed()", false},
      {"[End] Sub", false},
      {"d = #1/2/2000#", false},
      {"z = a _", false},
      {"  + \"b\"", false},
      {"' comment _", false},
      {"  End Sub swallowed", false},
      {"MsgBox \"it's\" ' note: x", false},
  };
  // The apostrophe, the quotes and the ":" at every place of the sixteen bytes read at once.
  for (std::size_t pad = 0; pad < 40; ++pad) {
    const std::string p(pad, ' ');
    body.push_back({"a" + p + "= 1 ' c: d", true});
    body.push_back({"b" + p + "= \"it's\" & c ' e", true});
    body.push_back({"c1" + p + "= 1: d = 2", false});
    body.push_back({"d1" + p + "= \"x\" ' y: \"z\"", false});
    body.push_back({"e1 = \"" + p + "it's\": f", false});
  }
  std::string source;
  for (const auto& [line, plain] : body) source += line + "\r\n";
  const Lines all = Lex(source);
  const Lines plain = Lex(source, {}, false, true);
  // The string tokens of a statement "line|label|tokens": a string token may hold blanks, and
  // ends at the quote that closes it.
  const auto stringsOf = [](const std::string& statement) {
    const std::size_t bar = statement.find('|', statement.find('|') + 1);
    std::string strings = statement.substr(0, bar + 1);
    bool first = true;
    for (std::size_t i = bar + 1; i < statement.size();) {
      std::size_t end = statement.find(' ', i);
      if (statement[i] == '"') {
        end = i + 1;
        while (end < statement.size()) {
          if (statement[end] == '"' && (end + 1 >= statement.size() || statement[end + 1] != '"')) {
            ++end;
            break;
          }
          end += statement[end] == '"' ? 2 : 1;
        }
        strings += (first ? "" : " ") + statement.substr(i, end - i);
        first = false;
      }
      if (end == std::string::npos || end >= statement.size()) break;
      i = end + 1;
    }
    return strings;
  };
  Lines expected;
  for (const std::string& statement : all) {
    if (!body[static_cast<std::size_t>(std::stoi(statement)) - 1].second) {
      expected.push_back(statement);
    } else if (const std::string strings = stringsOf(statement); strings.back() != '|') {
      expected.push_back(strings);
    }
  }
  EXPECT_EQ(plain, expected);
  // The plain lines' strings, and the lines that keep their tokens, are what they should be.
  EXPECT_EQ(Lines(plain.begin(), plain.begin() + 3),
            (Lines{"6||\"Foo\" \"a\"\"b\"", "7||\"open", "8||\"it's\""}));
  EXPECT_EQ(plain[3], "11||End Sub");
}

TEST(VbLexerTest, HeldLinesGiveTheirStatementsBackByPlaceAfterLaterReads) {
  // Lines of many tokens, so that the held tokens move when the lexer's room grows; directive
  // lines and a dead branch among them, which must not take the held tokens with them.
  std::string source = "a = 1: b = 2\r\n#If 0 Then\r\ndead x\r\n#End If\r\n";
  for (int i = 0; i < 200; ++i) source += "call" + std::to_string(i) + " p, q, r, s, t\r\n";
  source += "tail\r\nafter\r\n";
  TextReader file = TextReader::FromBytes(source);
  VbLexer lexer(file, 0, {}, false);
  lexer.HoldLines(true);
  struct Noted {
    std::size_t Place, Count;
    std::string Text;
  };
  std::vector<Noted> noted;
  const auto text = [](std::span<const VbToken> tokens) {
    std::string out;
    for (const VbToken& t : tokens) out += std::string(t.Text) + "@" + std::to_string(t.Line) + " ";
    return out;
  };
  VbStatement s;
  while (lexer.Next(s)) {
    if (s.Tokens[0].Text == "tail") break;
    noted.push_back({lexer.PlaceOf(s), s.Tokens.size(), text(s.Tokens)});
  }
  ASSERT_EQ(noted.size(), 202u);
  EXPECT_EQ(noted[1].Text, "b@1 =@1 2@1 ");
  EXPECT_EQ(noted[2].Text, "call0@5 p@5 ,@5 q@5 ,@5 r@5 ,@5 s@5 ,@5 t@5 ");
  for (const Noted& n : noted) EXPECT_EQ(text(lexer.Held(n.Place, n.Count)), n.Text);
  // Dropped, the held lines go at the next read: the next statement is the first token held.
  lexer.DropHeld();
  ASSERT_TRUE(lexer.Next(s));
  EXPECT_EQ(lexer.PlaceOf(s), 0u);
  EXPECT_EQ(text(s.Tokens), "after@206 ");
}

TEST(VbLexerTest, BadInputEndsWithoutCrashOrHang) {
  std::string binary;
  for (int i = 0; i < 4096; ++i)
    binary += static_cast<char>((i * 7919) % 256 == 26 ? 0 : (i * 7919) % 256);
  Lex(binary);
  Lex(binary, {}, true);
  EXPECT_EQ(Lex("#If 1 Then\r\nx = 1\r\n#If B Then\r\n").size(), 1u);  // unterminated #If
  std::string continued;
  for (int i = 0; i < 1000000; ++i) continued += "a _\n";
  Lines joined = Lex(continued + "b\n");
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0].size(), 3u + 2000001u);
  EXPECT_EQ(Lex("a = 1: " + std::string(10 * 1024 * 1024, 'x')).size(), 2u);
}

}  // namespace
}  // namespace tarnel
