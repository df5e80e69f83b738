#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

class QString;
class QTextDocument;

// Whole-word search and the red and bold marks of the source window.
//
// Word rule, the same for every search and mark of the source window: the word characters are
// the characters of a VB identifier, "A" to "Z", "a" to "z", "0" to "9" and "_", plus every
// character outside ASCII (double-byte letters and kana, which VB accepts in names, and the
// private-use characters that stand for undecodable bytes). A hit of a searched word is a whole
// word unless it cuts through a run of word characters: the character before the hit and the
// hit's first character must not both be word characters, and neither may the hit's last
// character and the character after it. The start and the end of the text count as non-word
// characters. So "Bump" is whole in "Call Bump(1)" and in "x=Bump", but not in "BumpAll" or
// "MyBump", and a name with a type suffix such as "Name$" is whole in "Name$(1)".
//
// The functions taking text work on UTF-16 code units, the units of a QString and of the
// positions in a QTextDocument; a surrogate is outside ASCII and so a word character.
namespace tarnel {

inline bool IsWordChar(char32_t c) {
  return c >= 0x80 || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
         (c >= u'a' && c <= u'z');
}

// True when every character of word is a word character (and word is not empty).
bool IsPlainWord(std::u16string_view word);

// Position of the first whole-word occurrence of word in text at or after from, matching case;
// npos when there is none or word is empty. The characters before from still count as the
// neighbours of a hit.
std::size_t FindWholeWord(std::u16string_view text, std::u16string_view word, std::size_t from);

struct WordSpan {
  std::size_t Start;
  std::size_t Length;
};

// The maximal runs of word characters of text, in order. A plain word occurs as a whole word
// exactly where one of these runs equals it.
std::vector<WordSpan> WordRuns(std::u16string_view text);

// How a procedure-name mark treats a range: bold unless the first character is red.
enum class MarkMode { Bold = 0, Red = 1 };

// Marks every whole-word occurrence of word after the first block of doc: red, or bold where the
// occurrence does not start with a red character. Returns the number of ranges marked.
int MarkWord(QTextDocument& doc, const QString& word, MarkMode mode);

// Makes bold every whole-word occurrence of any of names after the first block, where it does not
// start with a red character: the marks that MarkWord with MarkMode::Bold gives for each name in
// turn, found in one pass over the words of the text. Returns the number of ranges made bold.
int MarkNamesBold(QTextDocument& doc, const std::vector<QString>& names);

}  // namespace tarnel
