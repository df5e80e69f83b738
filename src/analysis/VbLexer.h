#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ByteText.h"
#include "platform/TextFile.h"
#include "platform/TrivialVector.h"

namespace tarnel {

enum class TokenKind : std::uint8_t { Identifier, Number, String, Date, Operator };

// One token of a statement. Text points into the reader's buffer (a string keeps its quotes, an
// identifier its type character); Line is the physical line it stands on.
struct VbToken {
  std::string_view Text;
  std::int32_t Line = 0;
  TokenKind Kind = TokenKind::Operator;  // last, where the padding is: 24 bytes a token
};

// A statement of live code: the tokens between statement separators, with the label or line
// number that begins its line. A line that holds only a label gives a statement without tokens.
// The tokens stay valid until the lexer reads on.
struct VbStatement {
  std::span<const VbToken> Tokens;
  std::string_view Label;
  std::int32_t Line = 0;   // physical line of its first token (of its label when it has no token)
  bool Attribute = false;  // an "Attribute" line: metadata, never code
};

// The value of a conditional compilation constant or expression.
struct CondValue {
  enum Type : std::uint8_t { Number, String, Unknown } Kind = Number;
  long long Num = 0;
  std::string Str;
};

// Constants by folded name.
using CondConstants = std::unordered_map<std::string, CondValue>;

// The constants of a project's CondComp value ("DEBUG = 1 : X = 0", quotes optional).
CondConstants ParseCondComp(std::string_view value);

// True for an identifier token equal to word without regard to letter case (word is lower case).
inline bool IsWord(const VbToken& token, std::string_view lowerWord) {
  if (token.Kind != TokenKind::Identifier || token.Text.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < lowerWord.size(); ++i) {
    char c = token.Text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
    if (c != lowerWord[i]) return false;
  }
  return true;
}
// A character that gives an identifier its type when it ends it ("Name$").
inline bool IsTypeChar(char c) {
  return c == '%' || c == '&' || c == '!' || c == '#' || c == '@' || c == '$';
}
// An identifier without its type character or its brackets.
inline std::string_view BareName(std::string_view identifier) {
  if (identifier.size() >= 2 && identifier.front() == '[') {
    identifier.remove_prefix(1);
    if (!identifier.empty() && identifier.back() == ']') identifier.remove_suffix(1);
    return identifier;
  }
  if (!identifier.empty() && IsTypeChar(identifier.back())) identifier.remove_suffix(1);
  return identifier;
}
// Up to eight bytes of text as one word, low byte first, as LoadShortWord reads them.
constexpr std::uint64_t WordOf(std::string_view text) {
  std::uint64_t word = 0;
  for (std::size_t k = text.size(); k > 0; --k) {
    word = (word << 8) | static_cast<unsigned char>(text[k - 1]);
  }
  return word;
}

// What a word that begins a statement may make of it, as far as reading declarations goes.
enum class LeadingWord : std::uint8_t {
  Other,
  Declaring,  // a modifier ("Private", "Public", "Friend", "Global", "Static") or a word that
              // declares a procedure ("Sub", "Function", "Property", "Declare", "Event")
  End,
  Dim,
  Const,
  Rem,
  Attribute,
};

// The kind of word, letter case ignored.
inline LeadingWord LeadingWordOf(std::string_view word) {
  if (word.size() < 3 || word.size() > 9) return LeadingWord::Other;
  if (word.size() == 9) {
    return SameTextIgnoreCase(word, "attribute") ? LeadingWord::Attribute : LeadingWord::Other;
  }
  const std::uint64_t bytes = LoadShortWord(word.data(), word.size());
  if ((bytes & kHighBitsOfWord) != 0) return LeadingWord::Other;
  const std::uint64_t folded = FoldAsciiWord(bytes);
  const auto is = [folded](std::string_view w) { return folded == WordOf(w); };
  switch (word.size()) {
    case 3:
      return is("sub")   ? LeadingWord::Declaring
             : is("end") ? LeadingWord::End
             : is("dim") ? LeadingWord::Dim
             : is("rem") ? LeadingWord::Rem
                         : LeadingWord::Other;
    case 5:
      return is("event")   ? LeadingWord::Declaring
             : is("const") ? LeadingWord::Const
                           : LeadingWord::Other;
    case 6:
      return is("public") || is("friend") || is("global") || is("static") ? LeadingWord::Declaring
                                                                          : LeadingWord::Other;
    case 7:
      return is("private") || is("declare") ? LeadingWord::Declaring : LeadingWord::Other;
    case 8:
      return is("function") || is("property") ? LeadingWord::Declaring : LeadingWord::Other;
    default:
      return LeadingWord::Other;
  }
}

// A string token's value: the quotes taken off and doubled quotes undone.
std::string StringValue(std::string_view token);

// Reads Visual Basic source into statements: strings, comments (with Rem and continued comment
// lines), line continuations, ":" separators, labels and line numbers, and conditional
// compilation, of which only the live branches come out. Works in a loop over a buffer of its
// own, so no input, however long or deeply continued, grows the stack.
class VbLexer {
 public:
  // Reads file from where it stands; linesRead is how many physical lines precede that point.
  // doubleByte: the text is code page 932, whose double-byte characters are taken whole.
  VbLexer(TextReader& file, long linesRead, const CondConstants& project, bool doubleByte);

  // The next live statement; false at the end of the file.
  bool Next(VbStatement& out);
  // Physical lines read so far.
  long LineNo() const { return lineNo_; }
  // The #Const constants of the module as they stand.
  const CondConstants& ModuleConstants() const { return module_; }
  // While on, a logical line of one plain physical line comes out as a statement of its strings
  // alone, or none. A plain line has no "#", ":" or "[" in its code, no "_" last (so neither code
  // nor comment goes on) and no line number; its first word is not "Attribute", "Rem", a modifier
  // ("Private", "Public", "Friend", "Global", "Static"), a word that declares a procedure ("Sub",
  // "Function", "Property", "Declare", "Event"), or "End" before "Sub", "Function" or "Property".
  // Inside a procedure body such a line can only be a statement that a reading of declarations
  // wants no more of than its strings.
  void PassOverPlainLines(bool on) { passOverPlainLines_ = on; }

  // While on, the tokens of the lines read stay in the lexer when the next line is read, so that
  // a reader can take a statement up again later by its place (PlaceOf, Held) instead of copying
  // its tokens; spans taken before stand only until the next read. DropHeld lets them all go at
  // the next read.
  void HoldLines(bool on) { holdLines_ = on; }
  void DropHeld() { dropHeld_ = true; }
  // The place of a statement with tokens that Next gave, while its line is held.
  std::size_t PlaceOf(const VbStatement& s) const {
    return static_cast<std::size_t>(s.Tokens.data() - line_.data());
  }
  std::span<const VbToken> Held(std::size_t place, std::size_t count) const {
    return {line_.data() + place, count};
  }

 private:
  enum class LineEnd { Done, Continued, CommentContinued };
  bool ReadLogicalLine();
  LineEnd Tokenize(std::string_view line, bool& statementStart);
  void StringsOnly(std::string_view line);
  void Directive();
  CondValue Evaluate(std::size_t from, std::size_t to) const;
  bool Live() const { return frames_.empty() || frames_.back().Live; }

  struct Frame {
    bool ParentLive;
    bool Live;
    bool Taken;    // a branch was chosen
    bool AllLive;  // the condition could not be evaluated: every branch is read
  };

  TextReader& file_;
  long lineNo_;
  const CondConstants& project_;
  CondConstants module_;
  bool doubleByte_;
  std::vector<Frame> frames_;
  // The tokens of the current logical line, from lineBegin_ on, after those of the lines held.
  TrivialVector<VbToken> line_;
  std::size_t lineBegin_ = 0;
  std::span<const VbToken> CurrentLine() const {
    return std::span<const VbToken>(line_).subspan(lineBegin_);
  }
  bool holdLines_ = false;
  bool dropHeld_ = false;
  std::size_t pos_ = 0;     // next unread token of line_
  int separators_ = 0;      // ":" separators in line_; most lines have none
  bool lineStart_ = false;  // the next statement is the first of its logical line
  bool passOverPlainLines_ = false;
};

}  // namespace tarnel
