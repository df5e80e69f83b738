#include <gtest/gtest.h>

#include <QColor>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <random>
#include <string>
#include <vector>

#include "ui/MarkWord.h"

namespace tarnel {
namespace {

constexpr auto npos = std::u16string_view::npos;

TEST(WordRuleTest, IdentifierCharactersAndEverythingBeyondAsciiAreWordCharacters) {
  for (char32_t c : {U'a', U'z', U'A', U'Z', U'0', U'9', U'_', U'あ', U'ｱ', U'漢', U'\uF7A0'}) {
    EXPECT_TRUE(IsWordChar(c)) << static_cast<unsigned>(c);
  }
  for (char32_t c : {U' ', U'\t', U'.', U'(', U')', U'$', U'"', U'\'', U'=', U'@', U'[', U'`', U'{',
                     U'/', U':'}) {
    EXPECT_FALSE(IsWordChar(c)) << static_cast<unsigned>(c);
  }
}

TEST(WordRuleTest, FindWholeWordSkipsHitsInsideLongerIdentifiers) {
  EXPECT_EQ(FindWholeWord(u"Bump", u"Bump", 0), 0u);
  EXPECT_EQ(FindWholeWord(u"x=Bump(1)", u"Bump", 0), 2u);
  EXPECT_EQ(FindWholeWord(u"BumpAll MyBump Bump_ Bump2 Bump", u"Bump", 0), 27u);
  EXPECT_EQ(FindWholeWord(u"あBump Bumpい", u"Bump", 0), npos);
  EXPECT_EQ(FindWholeWord(u"\"Bump\" ' Bump", u"Bump", 0), 1u);
  EXPECT_EQ(FindWholeWord(u"obj.Bump", u"Bump", 0), 4u);
}

TEST(WordRuleTest, FindWholeWordMatchesCaseAndStartsAtFrom) {
  EXPECT_EQ(FindWholeWord(u"bump BUMP", u"Bump", 0), npos);
  EXPECT_EQ(FindWholeWord(u"Bump Bump", u"Bump", 1), 5u);
  // The text before from is still the hit's neighbour.
  EXPECT_EQ(FindWholeWord(u"xBump", u"Bump", 1), npos);
  EXPECT_EQ(FindWholeWord(u"Bump", u"", 0), npos);
  EXPECT_EQ(FindWholeWord(u"Bump", u"Bump", 9), npos);
}

TEST(WordRuleTest, NamesWithOtherCharactersAreWholeWhereTheyCutNoIdentifier) {
  EXPECT_EQ(FindWholeWord(u"x = Name$(1)", u"Name$", 0), 4u);
  EXPECT_EQ(FindWholeWord(u"MyName$(1) Name$x", u"Name$", 0), 11u);
  EXPECT_FALSE(IsPlainWord(u"Name$"));
  EXPECT_FALSE(IsPlainWord(u""));
  EXPECT_TRUE(IsPlainWord(u"名前_1"));
}

TEST(WordRuleTest, WordRunsAreTheMaximalRunsOfWordCharacters) {
  std::u16string_view text = u"  Call Bump(名前, x_1)'";
  std::vector<std::u16string_view> words;
  for (const WordSpan& run : WordRuns(text)) words.push_back(text.substr(run.Start, run.Length));
  EXPECT_EQ(words, (std::vector<std::u16string_view>{u"Call", u"Bump", u"名前", u"x_1"}));
  EXPECT_TRUE(WordRuns(u"").empty());
}

// The marks of a document: per character, 'r' red, 'b' bold, 'R' red and bold, '.' neither;
// lines separated by '|'.
std::string MarkMap(QTextDocument& doc) {
  std::string map;
  for (QTextBlock block = doc.firstBlock(); block.isValid(); block = block.next()) {
    if (block != doc.firstBlock()) map += '|';
    for (int i = 0; i < block.length() - 1; ++i) {
      QTextCursor c(&doc);
      c.setPosition(block.position() + i + 1);
      QTextCharFormat f = c.charFormat();
      bool red = f.hasProperty(QTextFormat::ForegroundBrush) &&
                 f.foreground().color() == QColor(255, 0, 0);
      bool bold = f.fontWeight() == QFont::Bold;
      map += red ? (bold ? 'R' : 'r') : (bold ? 'b' : '.');
    }
  }
  return map;
}

TEST(MarkWordTest, RedMarksWholeWordsAfterTheFirstLineOnly) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("Sub Bump(Bump)\nBump = BumpX + Bump\nbump"));
  EXPECT_EQ(MarkWord(doc, QStringLiteral("Bump"), MarkMode::Red), 2);
  EXPECT_EQ(MarkMap(doc), "..............|rrrr...........rrrr|....");
}

TEST(MarkWordTest, BoldLeavesRedOccurrencesAlone) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("Function F()\nF = G(F)\nEnd Function"));
  MarkWord(doc, QStringLiteral("F"), MarkMode::Red);
  EXPECT_EQ(MarkWord(doc, QStringLiteral("F"), MarkMode::Bold), 0);
  EXPECT_EQ(MarkWord(doc, QStringLiteral("G"), MarkMode::Bold), 1);
  EXPECT_EQ(MarkMap(doc), "............|r...b.r.|............");
}

TEST(MarkWordTest, EmptyWordOrSingleLineMarksNothing) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("Sub A()\nA"));
  EXPECT_EQ(MarkWord(doc, QString(), MarkMode::Red), 0);
  QTextDocument one;
  one.setPlainText(QStringLiteral("A A A"));
  EXPECT_EQ(MarkWord(one, QStringLiteral("A"), MarkMode::Bold), 0);
  EXPECT_EQ(MarkMap(doc), ".......|.");
  EXPECT_EQ(MarkMap(one), ".....");
}

// The one-pass marking must give exactly what one sweep per name gives, for random texts built
// from names, near-misses and separators, with red marks already in place.
TEST(MarkNamesBoldTest, GivesTheSameMarksAsOneSweepPerName) {
  const std::vector<QString> names = {QStringLiteral("Main"),
                                      QStringLiteral("Bump"),
                                      QStringLiteral("Bump"),
                                      QStringLiteral("bump"),
                                      QStringLiteral("Name$"),
                                      QStringLiteral(u"名前"),
                                      QStringLiteral("A B"),
                                      QStringLiteral("x"),
                                      QStringLiteral("Main_2"),
                                      QStringLiteral("Twice"),
                                      QString()};
  const std::vector<QString> pieces = {
      QStringLiteral("Main"),  QStringLiteral("Bump"), QStringLiteral("BUMP"),
      QStringLiteral("bump"),  QStringLiteral("Name"), QStringLiteral("$"),
      QStringLiteral(u"名前"), QStringLiteral(u"あ"),  QStringLiteral("A"),
      QStringLiteral("B"),     QStringLiteral("x"),    QStringLiteral("_2"),
      QStringLiteral("Twice"), QStringLiteral(" "),    QStringLiteral(" "),
      QStringLiteral("("),     QStringLiteral(")"),    QStringLiteral("."),
      QStringLiteral("\""),    QStringLiteral("'"),    QStringLiteral("\n")};
  std::mt19937 random(1234);
  int marked = 0;
  for (int round = 0; round < 60; ++round) {
    QString text;
    for (int i = 0; i < 120; ++i) text += pieces[random() % pieces.size()];
    QTextDocument fast;
    fast.setPlainText(text);
    QTextDocument slow;
    slow.setPlainText(text);
    const QString red = pieces[random() % 13];
    MarkWord(fast, red, MarkMode::Red);
    MarkWord(slow, red, MarkMode::Red);

    marked += MarkNamesBold(fast, names);
    for (const QString& name : names) MarkWord(slow, name, MarkMode::Bold);
    ASSERT_EQ(MarkMap(fast), MarkMap(slow)) << text.toStdString();
  }
  EXPECT_GT(marked, 200);
}

TEST(MarkNamesBoldTest, MarksNothingWithoutNames) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("Sub A()\nA B\nEnd Sub"));
  EXPECT_EQ(MarkNamesBold(doc, {}), 0);
  EXPECT_EQ(MarkNamesBold(doc, {QStringLiteral("A"), QStringLiteral("B")}), 2);
  EXPECT_EQ(MarkMap(doc), ".......|b.b|.......");
}

}  // namespace
}  // namespace tarnel
