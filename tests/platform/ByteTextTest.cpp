#include <gtest/gtest.h>

#include <random>

#include "platform/ByteText.h"

namespace tarnel {
namespace {

using Fields = std::vector<std::string>;

// The splitting rule written out byte by byte: a NUL ends the text; blanks (codes 1 to 32, and
// parentheses when they count as blanks) and commas end a field; a comma after blanks starts the
// next one, and a trailing comma adds an empty field; a field that starts with a double quote
// runs to the next single one, doubled quotes standing for one, with its parentheses blanked.
Fields SplitByTheRule(std::string_view text, bool parenthesesBlank) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  const auto paren = [&](char c) { return parenthesesBlank && (c == '(' || c == ')'); };
  const auto blank = [&](std::size_t i) {
    return (text[i] >= 1 && text[i] <= 32) || paren(text[i]);
  };
  Fields fields;
  std::size_t i = 0;
  while (i < text.size() && blank(i)) ++i;
  while (i < text.size()) {
    std::string field;
    if (text[i] == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 == text.size() || text[i + 1] != '"') {
            ++i;
            break;
          }
          ++i;
        }
        field += paren(text[i]) ? ' ' : text[i];
      }
    } else {
      while (i < text.size() && text[i] != ',' && !blank(i)) field += text[i++];
    }
    fields.push_back(field);
    while (i < text.size() && blank(i)) ++i;
    if (i < text.size() && text[i] == ',') {
      ++i;
      while (i < text.size() && blank(i)) ++i;
      if (i == text.size()) fields.emplace_back();
    }
  }
  return fields;
}

TEST(CutTest, LeftCutFillsWithBlanksOnTheRight) {
  EXPECT_EQ(LeftCut("End", 4), "End ");
  EXPECT_EQ(LeftCut("End Sub", 4), "End ");
  EXPECT_EQ(LeftCut("abc", 0), "");
  EXPECT_EQ(LeftCut("abc", -3), "");
}

TEST(ExtractQuotedTest, TakesTheTextBetweenTheFirstTwoQuotes) {
  EXPECT_EQ(ExtractQuoted("Attribute VB_Name = \"Module1\"", '"'), "Module1");
  EXPECT_EQ(ExtractQuoted("a \"\" b", '"'), "");
  EXPECT_EQ(ExtractQuoted("only \"one", '"'), "");
  EXPECT_EQ(ExtractQuoted("\"a\" \"b\"", '"'), "a");
}

TEST(BlankOutTest, ReplacesEveryOccurrence) {
  EXPECT_EQ(BlankOut("Bump(Twice(1))", '('), "Bump Twice 1))");
}

TEST(TrimControlsTest, RemovesTabsAndControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimControls("\t  x = 1 \x01\r"), "x = 1");
  EXPECT_EQ(TrimControls(" \t "), "");
}

TEST(TrimControlsTest, AnyIndentationOfSpacesAndTabsGoes) {
  for (std::size_t spaces = 0; spaces <= 20; ++spaces) {
    const std::string indent(spaces, ' ');
    EXPECT_EQ(TrimControls(indent + "Call Bump "), "Call Bump") << spaces;
    EXPECT_EQ(TrimControls(indent + "\tx"), "x") << spaces;
    EXPECT_EQ(TrimControls(indent + "\x7f"), "\x7f") << spaces;  // not a control to this trim
    EXPECT_EQ(TrimControls(indent), "") << spaces;
  }
  EXPECT_EQ(TrimControls("        \xa0        "), "\xa0");
}

TEST(SplitFieldsTest, FieldsOfAnyLengthEndAtEverySeparator) {
  // The tail is long enough that every separator is found among sixteen bytes read at once.
  const std::string tail = "TailOfTwentyBytes...";
  for (std::size_t length = 1; length <= 40; ++length) {
    const std::string field(length, 'x');
    for (const char* separator : {" ", "\t", "\x01", "\x1f", " , ", ","}) {
      EXPECT_EQ(SplitFields(field + separator + tail), (Fields{field, tail}))
          << length << " " << static_cast<int>(separator[0]);
    }
    const std::string code = field + "(" + field + ")" + tail;
    std::vector<std::string_view> views;
    std::string unquoted;
    SplitCodeFieldViews(code, views, unquoted);
    EXPECT_EQ(Fields(views.begin(), views.end()), (Fields{field, field, tail})) << length;
    SplitFieldViews(code, views, unquoted);
    EXPECT_EQ(Fields(views.begin(), views.end()), Fields{code}) << length;
  }
  // Bytes that separate nothing, at every place of a long field.
  for (const char inside : {'\x7f', '\x80', '\xa0', '\xff', '!', '.', '"', '_'}) {
    for (std::size_t at = 1; at < 33; ++at) {
      std::string field(33, 'y');
      field[at] = inside;
      EXPECT_EQ(SplitFields(field + " z"), (Fields{field, "z"})) << at << " " << int(inside);
    }
  }
}

TEST(SplitFieldsTest, SeparatesAtBlanksAndCommas) {
  EXPECT_EQ(SplitFields("a b,c"), (Fields{"a", "b", "c"}));
  EXPECT_EQ(SplitFields("a , , b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(SplitFields("a,b,"), (Fields{"a", "b", ""}));
  EXPECT_EQ(SplitFields("   "), Fields{});
  EXPECT_EQ(SplitFields(""), Fields{});
}

TEST(SplitFieldsTest, QuotedFieldsKeepBlanksAndCommasAndUndoubleQuotes) {
  EXPECT_EQ(SplitFields("\"a b,c\" d"), (Fields{"a b,c", "d"}));
  EXPECT_EQ(SplitFields("\"say \"\"hi\"\"\""), (Fields{"say \"hi\""}));
  EXPECT_EQ(SplitFields("\"open to the end"), (Fields{"open to the end"}));
  EXPECT_EQ(SplitFields("\"ab\"cd"), (Fields{"ab", "cd"}));
  EXPECT_EQ(SplitFields("x\"y z"), (Fields{"x\"y", "z"}));
  EXPECT_EQ(SplitFields("MsgBox \"\", 1"), (Fields{"MsgBox", "", "1"}));
}

TEST(SplitFieldsTest, NulEndsTheTextButLengthIsUnlimited) {
  EXPECT_EQ(SplitFields(std::string("a b\0c d", 7)), (Fields{"a", "b"}));
  std::string longLine(5000, 'x');
  longLine += " Bump";
  Fields fields = SplitFields(longLine);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[1], "Bump");
}

TEST(SplitFieldsTest, BytesAbove127AreOrdinary) {
  // "\x95\x5c" is a double-byte character; both bytes stay inside the field.
  EXPECT_EQ(SplitFields("\x95\x5c\x8e\xa6 b"), (Fields{"\x95\x5c\x8e\xa6", "b"}));
}

TEST(FoldCaseTest, AsciiAndFullWidthLettersCompareWithoutCase) {
  EXPECT_TRUE(SameTextIgnoreCase("BUMP", "bump"));
  // Full-width A and a.
  EXPECT_TRUE(SameTextIgnoreCase("\x82\x60", "\x82\x81"));
  // Greek Alpha and alpha.
  EXPECT_TRUE(SameTextIgnoreCase("\x83\x9f", "\x83\xbf"));
  // Cyrillic: the small letters skip the byte 0x7F, so Ya (0x8460) pairs with 0x8491.
  EXPECT_TRUE(SameTextIgnoreCase("\x84\x40", "\x84\x70"));
  EXPECT_TRUE(SameTextIgnoreCase("\x84\x4f", "\x84\x80"));
  EXPECT_TRUE(SameTextIgnoreCase("\x84\x60", "\x84\x91"));
  EXPECT_FALSE(SameTextIgnoreCase("Bump", "Bumps"));
}

TEST(FoldCaseTest, TextsCompareAlikeExactlyWhenTheirFoldsAreEqual) {
  // Every length up to past two words, a byte changed at every place into its other case, into a
  // byte next to the letters, or into the lead or trail of a double-byte character.
  const std::string base = "QwErTyUiOpAsDfGhJkLz";
  for (std::size_t n = 0; n <= base.size(); ++n) {
    const std::string a = base.substr(0, n);
    for (std::size_t at = 0; at < n; ++at) {
      for (const char other : {'@', '[', '`', '{', '\x82', '\x60', '\x81'}) {
        std::string b = a;
        b[at] = other;
        EXPECT_EQ(SameTextIgnoreCase(a, b), FoldCase(a) == FoldCase(b)) << n << " " << at;
        std::string swapped = a;
        swapped[at] = static_cast<char>(swapped[at] ^ 0x20);
        EXPECT_TRUE(SameTextIgnoreCase(a, swapped)) << n << " " << at;
        EXPECT_EQ(SameTextIgnoreCase(b, swapped), FoldCase(b) == FoldCase(swapped));
      }
    }
  }
  // Full-width letters after a first word of ASCII.
  EXPECT_TRUE(SameTextIgnoreCase("ABCDEFGHi\x82\x60", "abcdefghI\x82\x81"));
  EXPECT_FALSE(SameTextIgnoreCase("ABCDEFGHi\x83\x41", "abcdefghI\x83\x61"));
}

TEST(AsciiPrefixTest, FindsTheFirstHighByteAtAnyPlaceAndLength) {
  // Texts of every length up to three blocks of sixteen, with one byte of 0x80 or 0xFF at every
  // place, and none: the blocks, the words after them and the last bytes each find it.
  for (std::size_t size = 0; size <= 48; ++size) {
    const std::string plain(size, '\x7f');
    EXPECT_EQ(AsciiPrefixLength(plain), size);
    EXPECT_TRUE(IsAscii(plain));
    for (std::size_t at = 0; at < size; ++at) {
      for (char high : {'\x80', '\xff'}) {
        std::string text = plain;
        text[at] = high;
        if (at + 1 < size) text[size - 1] = '\x90';  // a later one changes nothing
        EXPECT_EQ(AsciiPrefixLength(text), at) << size << " " << at;
        EXPECT_FALSE(IsAscii(text));
      }
    }
  }
}

TEST(FoldCaseTest, TrailBytesThatLookLikeLettersAreNotFolded) {
  // Katakana A (0x83 0x41) and small ya (0x83 0x61) differ only by the ASCII case of their trail.
  EXPECT_FALSE(SameTextIgnoreCase("\x83\x41", "\x83\x61"));
  EXPECT_EQ(FoldCase("X\x83\x41Y"), "x\x83\x41y");
}

TEST(FoldCaseTest, LongAsciiFoldsOnlyLettersAtEveryPosition) {
  // The bytes around A..Z ("@", "[", "`", "{") and letters at each of eight places and past them.
  EXPECT_EQ(FoldCase("@AZ[`az{MixedCaseNAME_09"), "@az[`az{mixedcasename_09");
  EXPECT_EQ(FoldCase(std::string(17, 'Q')), std::string(17, 'q'));
  // A double-byte character after the first eight bytes: its trail is folded as such, not as
  // ASCII, and the ASCII after it is folded again.
  EXPECT_EQ(FoldCase("ABCDEFGHI\x82\x60J\x83\x41K"), "abcdefghi\x82\x81j\x83\x41k");
  EXPECT_EQ(FoldCase("\x7f\x80"
                     "ABCDEFGH"),
            "\x7f\x80"
            "abcdefgh");
  // Every length, so that each size of a last partial word is folded; a double-byte character
  // in such a tail keeps its lead and folds its trail.
  const std::string mixed = "QwErTyUiOpAsDfGhJkL";
  std::string lower = "qwertyuiopasdfghjkl";
  for (std::size_t n = 0; n <= mixed.size(); ++n) {
    EXPECT_EQ(FoldCase(mixed.substr(0, n)), lower.substr(0, n)) << n;
  }
  EXPECT_EQ(FoldCase("ABCDEFGHX\x82\x60"), "abcdefghx\x82\x81");
  EXPECT_EQ(FoldCase("X\x82\x60Y"), "x\x82\x81y");
}

TEST(SplitCodeFieldsTest, GivesWhatSplittingTheBlankedTextGives) {
  using namespace std::string_view_literals;
  const std::string_view lines[] = {
      "Call Foo(a, b)"sv,
      "x = Bar(\"(\", y)"sv,
      "MsgBox \"say \"\"(hi)\"\" now\""sv,
      "s = \"open (to the end"sv,
      "a(b)c,(d) ,, e"sv,
      "((Foo))"sv,
      "f(x\0)(y)"sv,
      "\"\"("sv,
      ""sv,
  };
  std::vector<std::string_view> plain, code;
  std::string plainUnquoted, codeUnquoted;
  for (std::string_view line : lines) {
    const std::string blanked = BlankOut(BlankOut(line, '('), ')');
    SplitFieldViews(blanked, plain, plainUnquoted);
    SplitCodeFieldViews(line, code, codeUnquoted);
    EXPECT_EQ(Fields(code.begin(), code.end()), Fields(plain.begin(), plain.end())) << line;
  }
  SplitCodeFieldViews("Foo(\"a(b)\")", code, codeUnquoted);
  EXPECT_EQ(Fields(code.begin(), code.end()), (Fields{"Foo", "a b "}));

  // Every prefix of a long line, so that a field ends at each place of the last sixteen bytes
  // and at the very end, after fields of every length.
  const std::string longLine =
      "Call LongerName(a, bb) + x,ccc(dddd)  ,, LastFieldOfTheLine,e\tff(g)hhhhhhhhhhhhhhhhh";
  for (std::size_t n = 0; n <= longLine.size(); ++n) {
    const std::string_view line = std::string_view(longLine).substr(0, n);
    SplitCodeFieldViews(line, code, codeUnquoted);
    EXPECT_EQ(Fields(code.begin(), code.end()), SplitByTheRule(line, true)) << n;
  }
}

TEST(SplitCodeFieldsTest, AnyLineSplitsAsTheRuleSays) {
  // Lines of bytes that mean something to the splitter, of every length up to past the longest
  // that is split from bit masks, so that fields, quotes and NULs fall at every place of a
  // sixteen-byte chunk and of a 64-bit word.
  const char alphabet[] = {' ', ' ', '\t', ',',  ',',    '(',    ')',    '"', '"', 'a',
                           'a', 'B', '_',  '\0', '\x01', '\x82', '\x7f', '=', '.', 'z'};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
  std::vector<std::string_view> views;
  std::string unquoted, line;
  for (int round = 0; round < 4000; ++round) {
    const std::size_t length = static_cast<std::size_t>(round) % 300;
    line.clear();
    for (std::size_t i = 0; i < length; ++i) {
      char byte = alphabet[pick(random)];
      // NULs are rare, so that most lines are split to their end.
      if (byte == '\0' && round % 8 != 0) byte = 'n';
      line += byte;
    }
    SplitCodeFieldViews(line, views, unquoted);
    EXPECT_EQ(Fields(views.begin(), views.end()), SplitByTheRule(line, true)) << line;
    SplitFieldViews(line, views, unquoted);
    EXPECT_EQ(Fields(views.begin(), views.end()), SplitByTheRule(line, false)) << line;
  }
}

// Keeps copies of the fields of each batch, which last only while it is taken.
class BatchCopies : public FieldBatches {
 public:
  void Take(std::span<const std::string_view> fields) override {
    EXPECT_FALSE(fields.empty());
    EXPECT_LE(fields.size(), kFieldBatch);
    for (std::string_view field : fields) All.emplace_back(field);
  }
  Fields All;
};

TEST(SplitCodeFieldsTest, BatchesOfALongLineGiveWhatTheRuleGives) {
  // Lines of thousands of fields, many of them quoted with parentheses or doubled quotes inside,
  // whose unquoted copies fill the batch's room before the batch is full; one quoted field
  // longer than that room; and short lines, which come as one batch.
  const char* pieces[] = {"Foo(a)", "\"x(y)z\"", "\"say \"\"(hi)\"\"\"", ",", " ,, ",
                          "(b)",    "\"\""};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::vector<std::string_view> views;
  for (int round = 0; round < 40; ++round) {
    std::string unquoted;  // its room as a new string's
    // Some lines begin with a quoted field longer than any room unquoted has had.
    std::string line = round % 5 == 3 ? "\"(" + std::string(5000 + round, 'w') + ")\" " : "";
    const int count = round % 4 == 0 ? 5 : 3000;
    for (int i = 0; i < count; ++i) {
      line += pieces[pick(random)];
      if (i % 97 == 0) line += "\"" + std::string(150, 'q') + "(r)\"";
      line += ' ';
    }
    if (round == 1) line += "\"" + std::string(9000, '(') + "\" tail";
    if (round == 2) line += "\"open to the end (";
    BatchCopies batches;
    SplitCodeFieldBatches(line, views, unquoted, batches);
    EXPECT_EQ(batches.All, SplitByTheRule(line, true)) << round;
    EXPECT_LE(unquoted.capacity(), 16384u) << round;
  }
}

}  // namespace
}  // namespace tarnel

namespace tarnel {
namespace {

TEST(SplitLinesTest, EndsAreCrLfOrCrLfAndAnEndlessLastLineCounts) {
  using Lines = std::vector<std::string_view>;
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  // LF CR is two ends, with an empty line between them.
  EXPECT_EQ(SplitLines("a\n\rb\r\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_TRUE(SplitLines("").empty());
  // Double-byte characters whose second byte is no line end stay whole.
  EXPECT_EQ(SplitLines("\x95\x5C\r\x83\x76"), (Lines{"\x95\x5C", "\x83\x76"}));
  // Lines of every length up to more than two blocks of 64 bytes, under each kind of end: an end
  // is found in a whole block, after blocks without one, and in the bytes after the last block.
  std::vector<std::string> expected;
  std::string text;
  const char* const kEnds[] = {"\r\n", "\n", "\r"};
  for (std::size_t length = 0; length <= 140; ++length) {
    expected.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    text += expected.back() + kEnds[length % 3];
  }
  const Lines got = SplitLines(text);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << i;
}

}  // namespace
}  // namespace tarnel
