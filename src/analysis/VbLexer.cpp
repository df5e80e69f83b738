#include "analysis/VbLexer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/ByteText.h"

namespace tarnel {

namespace {

constexpr bool IsBlank(unsigned char c) { return c <= 0x20; }
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsNameStart(unsigned char c) { return IsLetter(c) || c >= 0x80; }

// What each byte is to a name once it has started: 0 ends it; 1 continues it (letters, digits,
// "_"); 2 continues it and may lead a double-byte character (0x80 and above).
struct NameBytes {
  unsigned char Class[256] = {};
  constexpr NameBytes() {
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      if (c >= 0x80) {
        Class[b] = 2;
      } else if (IsLetter(c) || IsDigit(c) || c == '_') {
        Class[b] = 1;
      }
    }
  }
};
constexpr NameBytes kNameBytes;

bool IsNameChar(unsigned char c) { return kNameBytes.Class[c] != 0; }

// What a byte may begin in a line of code, for the lexer to take the one way it can go.
struct LeadBytes {
  enum Kind : unsigned char {
    Other,  // an operator
    Blank,
    Name,
    Quote,
    Apostrophe,
    Bracket,
    Digit,
    Dot,         // a number when a digit follows
    Ampersand,   // a number when "H" or "O" follows
    Underscore,  // a line continuation when only blanks follow
    Hash,        // a date literal inside a statement
  };
  Kind Class[256] = {};
  constexpr LeadBytes() {
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      Class[b] = IsBlank(c)       ? Blank
                 : IsNameStart(c) ? Name
                 : IsDigit(c)     ? Digit
                 : c == '"'       ? Quote
                 : c == '\''      ? Apostrophe
                 : c == '['       ? Bracket
                 : c == '.'       ? Dot
                 : c == '&'       ? Ampersand
                 : c == '_'       ? Underscore
                 : c == '#'       ? Hash
                                  : Other;
    }
  }
};
constexpr LeadBytes kLeadBytes;

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

#ifdef __SSE2__
// The letters a..z and A..Z among sixteen bytes, each all ones.
__m128i LetterBytes(__m128i c) {
  const __m128i lower = _mm_or_si128(c, _mm_set1_epi8(0x20));
  return _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(lower, _mm_set1_epi8('a')), lower),
                       _mm_cmpeq_epi8(_mm_min_epu8(lower, _mm_set1_epi8('z')), lower));
}
#endif

// How far the plain ASCII part of a name that goes on at i reaches, sixteen bytes at a time: the
// first byte from i on that is no letter, digit or "_", or where a byte of 0x80 or above stands
// and doubleByte says such a byte may lead a character of two. Never before i. ended tells that
// the name ends there (the byte there cannot go on with it, or the line ends); otherwise the
// caller goes on byte by byte from there.
std::size_t AsciiNameEnd(std::string_view line, std::size_t i, bool doubleByte, bool& ended) {
  ended = false;
#ifdef __SSE2__
  const auto same = [](__m128i a, __m128i b) { return _mm_cmpeq_epi8(a, b); };
  const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8('9');
  const __m128i underscore = _mm_set1_epi8('_');
  // For the sixteen bytes at at, a bit per byte that goes on with the name, and a bit per byte
  // of 0x80 or above.
  const auto goesOnAt = [&](std::size_t at, unsigned& high) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + at));
    const __m128i letter = LetterBytes(c);
    const __m128i digit =
        _mm_and_si128(same(_mm_max_epu8(c, zero), c), same(_mm_min_epu8(c, nine), c));
    const unsigned ascii = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), same(c, underscore))));
    high = static_cast<unsigned>(_mm_movemask_epi8(c));
    // A high byte continues a name; where it may lead a double-byte character, the caller takes
    // over before it.
    return doubleByte ? ascii & ~high : ascii | high;
  };
  unsigned high = 0;
  for (; line.size() - i >= 16; i += 16) {
    const unsigned goesOn = goesOnAt(i, high);
    if (goesOn != 0xFFFF) {
      const auto stop = static_cast<unsigned>(std::countr_one(goesOn));
      ended = ((high >> stop) & 1) == 0;
      return i + stop;
    }
  }
  // Fewer than sixteen bytes are left: the line's last sixteen, those before i shifted out.
  if (i < line.size() && line.size() >= 16) {
    const std::size_t at = line.size() - 16;
    const auto skip = static_cast<unsigned>(i - at);
    const unsigned goesOn = goesOnAt(at, high) >> skip;  // the line's end reads as a stop
    const auto stop = static_cast<unsigned>(std::countr_one(goesOn));
    ended = (((high >> skip) >> stop) & 1) == 0;
    return i + stop;
  }
#else
  (void)doubleByte;
#endif
  return i;
}

// Whether the code of a line holds no "#", ":" or "[": its bytes up to the first apostrophe,
// which begins the comment when no double quote stands before it, or all of them when one does
// (the apostrophe may then be inside a string). One pass, sixteen bytes at a time.
bool CodeIsPlain(std::string_view line) {
  bool quoted = false;
  // The bytes of one step, each a bit, lowest first; false or true once the answer is known.
  const auto step = [&quoted](unsigned bad, unsigned apostrophes, unsigned quotes) -> int {
    if (!quoted && apostrophes != 0) {
      const unsigned before = (apostrophes & (0u - apostrophes)) - 1;
      if ((quotes & before) == 0) return (bad & before) == 0 ? 1 : 0;
      quoted = true;
    }
    if (bad != 0) return 0;
    if (quotes != 0) quoted = true;
    return -1;
  };
#ifdef __SSE2__
  if (line.size() >= 16) {
    const auto chunkAt = [&](std::size_t at) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + at));
      const auto bits = [](__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); };
      const unsigned bad = bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('#')),
                                                          _mm_cmpeq_epi8(x, _mm_set1_epi8(':'))),
                                             _mm_cmpeq_epi8(x, _mm_set1_epi8('['))));
      return step(bad, bits(_mm_cmpeq_epi8(x, _mm_set1_epi8('\''))),
                  bits(_mm_cmpeq_epi8(x, _mm_set1_epi8('"'))));
    };
    std::size_t at = 0;
    for (; line.size() - at >= 16; at += 16) {
      if (const int known = chunkAt(at); known >= 0) return known == 1;
    }
    // The last sixteen bytes. Those among them looked at already change nothing: they held
    // nothing that decides, so a quote among them has set quoted already, and an apostrophe
    // among them stands after one.
    if (at < line.size()) {
      if (const int known = chunkAt(line.size() - 16); known >= 0) return known == 1;
    }
    return true;
  }
#endif
  for (const char c : line) {
    const int known = step(c == '#' || c == ':' || c == '[', c == '\'', c == '"');
    if (known >= 0) return known == 1;
  }
  return true;
}

// How many letters a..z or A..Z stand from i on, sixteen bytes at a time where there are as many.
std::size_t LettersFrom(std::string_view line, std::size_t i) {
  std::size_t end = i;
#ifdef __SSE2__
  for (; line.size() - end >= 16; end += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + end));
    const auto letters = static_cast<unsigned>(_mm_movemask_epi8(LetterBytes(c)));
    if (letters != 0xFFFF) return end - i + static_cast<std::size_t>(std::countr_one(letters));
  }
#endif
  while (end < line.size() && IsLetter(At(line, end))) ++end;
  return end - i;
}

// Whether the word of length letters at i is one that begins a statement a reading of
// declarations needs: an attribute, a comment, a modifier or a procedure's declaration. "End" is
// one when the word after it is "Sub", "Function" or "Property".
bool IsDeclaringWord(std::string_view line, std::size_t i, std::size_t length) {
  switch (LeadingWordOf(line.substr(i, length))) {
    case LeadingWord::Declaring:
    case LeadingWord::Rem:
    case LeadingWord::Attribute:
      return true;
    case LeadingWord::End:
      break;
    default:
      return false;
  }
  std::size_t next = i + length;
  while (next < line.size() && IsBlank(At(line, next))) ++next;
  const std::size_t ended = LettersFrom(line, next);
  if (ended != 3 && ended != 8) return false;
  const std::uint64_t what = FoldAsciiWord(LoadShortWord(line.data() + next, ended));
  return what == WordOf("sub") || what == WordOf("function") || what == WordOf("property");
}

// A line that begins a logical line and gives a reading of declarations nothing but its strings:
// no directive, separator or bracketed name in its code, no continuation (of code or of a
// comment: both need a "_" last), no line number, and a first word that is no attribute or
// comment, declares nothing and ends no procedure.
bool IsPlainLine(std::string_view line) {
  std::size_t i = SkipSpaces(line, 0);
  while (i < line.size() && IsBlank(At(line, i))) ++i;
  if (i == line.size()) return true;
  if (IsDigit(At(line, i))) return false;
  if (IsDeclaringWord(line, i, LettersFrom(line, i))) return false;
  std::size_t last = line.size() - 1;
  while (IsBlank(At(line, last))) --last;  // stops at i at the latest
  return line[last] != '_' && CodeIsPlain(line);
}

// Where the decimal number that starts at i ends: digits and points, an exponent, a type
// character.
std::size_t NumberEnd(std::string_view line, std::size_t i) {
  const std::size_t n = line.size();
  while (i < n && (IsDigit(At(line, i)) || line[i] == '.')) ++i;
  if (i < n && (line[i] | 0x20) == 'e') {
    std::size_t e = i + 1;
    if (e < n && (line[e] == '+' || line[e] == '-')) ++e;
    if (e < n && IsDigit(At(line, e))) {
      i = e;
      while (i < n && IsDigit(At(line, i))) ++i;
    }
  }
  if (i < n && IsTypeChar(line[i])) ++i;
  return i;
}

// Where the string whose text starts at i ends: after its closing quote (a doubled quote stands
// for one), or at the line's end for one left open.
std::size_t StringEnd(std::string_view line, std::size_t i) {
  const std::size_t n = line.size();
  for (;;) {
    const void* q = std::memchr(line.data() + i, '"', n - i);
    if (q == nullptr) return n;
    i = static_cast<std::size_t>(static_cast<const char*>(q) - line.data()) + 1;
    if (i < n && line[i] == '"') {
      ++i;
      continue;
    }
    return i;
  }
}

// True when only blanks follow position from.
bool BlankFrom(std::string_view line, std::size_t from) {
  for (std::size_t i = from; i < line.size(); ++i) {
    if (!IsBlank(At(line, i))) return false;
  }
  return true;
}

// A comment ends in " _" (or a tab before the underscore): the next line is comment too.
bool CommentContinues(std::string_view comment) {
  std::string_view t = TrimControls(comment);
  return t.size() >= 2 && t.back() == '_' && (t[t.size() - 2] == ' ' || t[t.size() - 2] == '\t');
}

// The end of a date literal that starts at the "#" at position start, or 0 when none does:
// "#1/2/2000#", "#12:30:00 PM#". Other uses of "#" (file numbers, Double suffixes) stay.
std::size_t DateLiteralEnd(std::string_view line, std::size_t start) {
  std::size_t close = line.find('#', start + 1);
  if (close == std::string_view::npos || close == start + 1 || !IsDigit(At(line, start + 1))) {
    return 0;
  }
  bool separator = false;
  for (std::size_t i = start + 1; i < close; ++i) {
    const unsigned char c = At(line, i);
    if (c == '/' || c == '-' || c == ':') {
      separator = true;
    } else if (!IsDigit(c) && c != ' ' && std::strchr("APMapm", c) == nullptr) {
      return 0;
    }
  }
  return separator ? close + 1 : 0;
}

// Evaluates the tokens of a conditional compilation expression. Depth is bounded, so a
// pathological nesting of parentheses gives Unknown instead of a deep recursion.
class CondEvaluator {
 public:
  CondEvaluator(std::span<const VbToken> tokens, std::size_t from, std::size_t to,
                const CondConstants& module, const CondConstants& project)
      : tokens_(tokens), pos_(from), end_(to), module_(module), project_(project) {}

  CondValue Run() {
    CondValue v = Or(0);
    if (pos_ != end_) return Unknown();
    return v;
  }

 private:
  static constexpr int kMaxDepth = 100;

  static CondValue Unknown() {
    CondValue v;
    v.Kind = CondValue::Unknown;
    return v;
  }
  static CondValue Num(long long n) {
    CondValue v;
    v.Num = n;
    return v;
  }
  static long long Wrap(unsigned long long n) { return static_cast<long long>(n); }

  bool Peek(std::string_view op) const {
    if (pos_ >= end_) return false;
    const VbToken& t = tokens_[pos_];
    if (t.Kind == TokenKind::Operator) return t.Text == op;
    return t.Kind == TokenKind::Identifier && SameTextIgnoreCase(t.Text, op);
  }

  CondValue Or(int depth) {
    CondValue left = And(depth);
    while (Peek("or") || Peek("xor")) {
      const bool isXor = Peek("xor");
      ++pos_;
      CondValue right = And(depth);
      if (left.Kind != CondValue::Number || right.Kind != CondValue::Number) {
        left = Unknown();
      } else {
        left = Num(isXor ? (left.Num ^ right.Num) : (left.Num | right.Num));
      }
    }
    return left;
  }

  CondValue And(int depth) {
    CondValue left = Not(depth);
    while (Peek("and")) {
      ++pos_;
      CondValue right = Not(depth);
      if (left.Kind != CondValue::Number || right.Kind != CondValue::Number) {
        left = Unknown();
      } else {
        left = Num(left.Num & right.Num);
      }
    }
    return left;
  }

  CondValue Not(int depth) {
    int count = 0;
    while (Peek("not")) {
      ++pos_;
      ++count;
    }
    CondValue v = Compare(depth);
    if (count == 0) return v;
    if (v.Kind != CondValue::Number) return Unknown();
    return count % 2 == 1 ? Num(~v.Num) : v;
  }

  CondValue Compare(int depth) {
    CondValue left = Sum(depth);
    static const char* const kOps[] = {"=", "<>", "<=", ">=", "<", ">"};
    for (;;) {
      const char* op = nullptr;
      for (const char* candidate : kOps) {
        if (Peek(candidate)) {
          op = candidate;
          break;
        }
      }
      if (op == nullptr) return left;
      ++pos_;
      CondValue right = Sum(depth);
      if (left.Kind == CondValue::Unknown || right.Kind == CondValue::Unknown ||
          left.Kind != right.Kind) {
        left = Unknown();
        continue;
      }
      int order = left.Kind == CondValue::Number ? (left.Num < right.Num   ? -1
                                                    : left.Num > right.Num ? 1
                                                                           : 0)
                                                 : left.Str.compare(right.Str);
      order = order < 0 ? -1 : order > 0 ? 1 : 0;
      const std::string_view o = op;
      const bool result = o == "="    ? order == 0
                          : o == "<>" ? order != 0
                          : o == "<=" ? order <= 0
                          : o == ">=" ? order >= 0
                          : o == "<"  ? order < 0
                                      : order > 0;
      left = Num(result ? -1 : 0);
    }
  }

  CondValue Sum(int depth) {
    CondValue left = Product(depth);
    while (Peek("+") || Peek("-") || Peek("&")) {
      const char op = tokens_[pos_].Text[0];
      ++pos_;
      CondValue right = Product(depth);
      if (op == '&' && left.Kind != CondValue::Unknown && right.Kind != CondValue::Unknown) {
        CondValue s;
        s.Kind = CondValue::String;
        s.Str = (left.Kind == CondValue::String ? left.Str : std::to_string(left.Num)) +
                (right.Kind == CondValue::String ? right.Str : std::to_string(right.Num));
        left = s;
      } else if (left.Kind != CondValue::Number || right.Kind != CondValue::Number) {
        left = Unknown();
      } else {
        const auto a = static_cast<unsigned long long>(left.Num);
        const auto b = static_cast<unsigned long long>(right.Num);
        left = Num(Wrap(op == '+' ? a + b : a - b));
      }
    }
    return left;
  }

  CondValue Product(int depth) {
    CondValue left = Unary(depth);
    while (Peek("*") || Peek("/") || Peek("\\") || Peek("mod")) {
      const std::string_view op = tokens_[pos_].Text;
      ++pos_;
      CondValue right = Unary(depth);
      if (left.Kind != CondValue::Number || right.Kind != CondValue::Number) {
        left = Unknown();
      } else if (op == "*") {
        left = Num(Wrap(static_cast<unsigned long long>(left.Num) *
                        static_cast<unsigned long long>(right.Num)));
      } else if (right.Num == 0 || (left.Num == (-0x7fffffffffffffffLL - 1) && right.Num == -1)) {
        left = Unknown();
      } else {
        left = Num(op == "/" || op == "\\" ? left.Num / right.Num : left.Num % right.Num);
      }
    }
    return left;
  }

  CondValue Unary(int depth) {
    if (Peek("-")) {
      ++pos_;
      CondValue v = Unary(depth + 1);
      if (depth > kMaxDepth || v.Kind != CondValue::Number) return Unknown();
      return Num(Wrap(0ULL - static_cast<unsigned long long>(v.Num)));
    }
    if (Peek("+")) {
      ++pos_;
      return depth > kMaxDepth ? Unknown() : Unary(depth + 1);
    }
    return Primary(depth);
  }

  CondValue Primary(int depth) {
    if (pos_ >= end_ || depth > kMaxDepth) {
      pos_ = end_;
      return Unknown();
    }
    const VbToken& t = tokens_[pos_++];
    if (t.Kind == TokenKind::Operator && t.Text == "(") {
      CondValue v = Or(depth + 1);
      if (!Peek(")")) return Unknown();
      ++pos_;
      return v;
    }
    if (t.Kind == TokenKind::String) {
      CondValue v;
      v.Kind = CondValue::String;
      v.Str = StringValue(t.Text);
      return v;
    }
    if (t.Kind == TokenKind::Number) return ParseNumber(t.Text);
    if (t.Kind != TokenKind::Identifier) return Unknown();
    if (SameTextIgnoreCase(t.Text, "true")) return Num(-1);
    if (SameTextIgnoreCase(t.Text, "false")) return Num(0);
    const std::string name = FoldCase(BareName(t.Text));
    if (auto it = module_.find(name); it != module_.end()) return it->second;
    if (auto it = project_.find(name); it != project_.end()) return it->second;
    if (name == "win32") return Num(-1);
    return Num(0);  // Win16 and every undefined constant are Empty
  }

  static CondValue ParseNumber(std::string_view text) {
    unsigned base = 10;
    std::size_t i = 0;
    if (text.size() > 1 && text[0] == '&') {
      const char b = static_cast<char>(text[1] | 0x20);
      base = b == 'h' ? 16 : b == 'o' ? 8 : 0;
      i = 2;
    }
    if (base == 0) return Unknown();
    unsigned long long n = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
      const unsigned char c = At(text, i);
      unsigned digit;
      if (IsDigit(c)) {
        digit = c - '0';
      } else if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        digit = (c | 0x20) - 'a' + 10;
      } else {
        break;
      }
      if (digit >= base || n > (~0ULL >> 5)) return Unknown();
      n = n * base + digit;
      any = true;
    }
    if (!any) return Unknown();
    // A fraction is cut off; an exponent or a suffix other than an integer one is not evaluated.
    if (i < text.size() && text[i] == '.') {
      ++i;
      while (i < text.size() && IsDigit(At(text, i))) ++i;
    }
    if (i < text.size() && std::strchr("%&", text[i]) == nullptr) return Unknown();
    if (base == 16 && n <= 0xFFFF && text.find('&', 1) == std::string_view::npos && n >= 0x8000) {
      return Num(static_cast<long long>(n) - 0x10000);  // &HFFFF is an Integer: -1
    }
    return Num(Wrap(n));
  }

  std::span<const VbToken> tokens_;
  std::size_t pos_;
  std::size_t end_;
  const CondConstants& module_;
  const CondConstants& project_;
};

}  // namespace

std::string StringValue(std::string_view token) {
  std::string value;
  if (token.empty() || token[0] != '"') return value;
  token.remove_prefix(1);
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] == '"') {
      if (i + 1 < token.size() && token[i + 1] == '"') {
        value += '"';
        ++i;
        continue;
      }
      break;
    }
    value += token[i];
  }
  return value;
}

CondConstants ParseCondComp(std::string_view value) {
  value = TrimControls(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  CondConstants constants;
  // Each definition is lexed as a line of its own: "NAME = expression".
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t colon = value.find(':', start);
    if (colon == std::string_view::npos) colon = value.size();
    TextReader text =
        TextReader::FromBytes("#Const " + std::string(value.substr(start, colon - start)));
    CondConstants project;
    VbLexer lexer(text, 0, project, false);
    VbStatement ignored;
    while (lexer.Next(ignored)) {
    }
    // The definitions land among the lexer's module constants; read them back with a probe.
    for (auto& [name, v] : lexer.ModuleConstants()) constants[name] = v;
    start = colon + 1;
  }
  return constants;
}

}  // namespace tarnel

namespace tarnel {

namespace {

// Words that begin statements of their own: "Else:" is a statement, not a label.
bool IsStatementWord(const VbToken& t) {
  static const char* const kWords[] = {"else", "end", "exit", "resume", "return", "loop", "next",
                                       "wend", "do",  "stop", "then",   "beep",   "cls",  "print"};
  for (const char* w : kWords) {
    if (IsWord(t, w)) return true;
  }
  return false;
}

}  // namespace

VbLexer::VbLexer(TextReader& file, long linesRead, const CondConstants& project, bool doubleByte)
    : file_(file), lineNo_(linesRead), project_(project), doubleByte_(doubleByte) {}

bool VbLexer::Next(VbStatement& out) {
  for (;;) {
    if (pos_ >= line_.size()) {
      if (!ReadLogicalLine()) return false;
      if (line_.size() == lineBegin_) continue;
      if (line_[lineBegin_].Kind == TokenKind::Operator && line_[lineBegin_].Text == "#") {
        Directive();
        line_.shrink_to(lineBegin_);
        continue;
      }
      if (!Live()) {
        line_.shrink_to(lineBegin_);
        continue;
      }
      pos_ = lineBegin_;
      lineStart_ = true;
    }
    out.Tokens = {};
    out.Label = {};
    out.Attribute = false;
    out.Line = line_[pos_].Line;
    if (lineStart_) {
      lineStart_ = false;
      const VbToken& first = line_[pos_];
      const bool colon = pos_ + 1 < line_.size() && line_[pos_ + 1].Text == ":" &&
                         line_[pos_ + 1].Kind == TokenKind::Operator;
      // A line number needs no colon; a name does, and a statement word is never a label.
      if (first.Kind == TokenKind::Number && IsDigit(At(first.Text, 0))) {
        out.Label = first.Text;
        pos_ += colon ? 2 : 1;
      } else if (first.Kind == TokenKind::Identifier && colon && !IsStatementWord(first)) {
        out.Label = first.Text;
        pos_ += 2;
      }
    }
    const std::size_t first = pos_;
    if (separators_ == 0) pos_ = line_.size();
    while (pos_ < line_.size() &&
           !(line_[pos_].Kind == TokenKind::Operator && line_[pos_].Text == ":")) {
      ++pos_;
    }
    out.Tokens = std::span<const VbToken>(line_.data() + first, pos_ - first);
    if (pos_ < line_.size()) ++pos_;  // the separator
    if (out.Tokens.empty() && out.Label.empty()) continue;
    if (!out.Tokens.empty()) {
      out.Line = out.Tokens[0].Line;
      out.Attribute = IsWord(out.Tokens[0], "attribute");
    }
    return true;
  }
}

bool VbLexer::ReadLogicalLine() {
  if (!holdLines_ || dropHeld_) {
    line_.clear();
    dropHeld_ = false;
  }
  lineBegin_ = line_.size();
  pos_ = lineBegin_;
  separators_ = 0;
  if (file_.AtEnd()) return false;
  bool statementStart = true;
  LineEnd end;
  do {
    std::string_view physical = file_.ReadLineView();
    ++lineNo_;
    if (passOverPlainLines_ && statementStart && line_.size() == lineBegin_ &&
        IsPlainLine(physical)) {
      StringsOnly(physical);
      return true;
    }
    end = Tokenize(physical, statementStart);
    // A continued comment swallows whole lines, whatever they hold.
    while (end == LineEnd::CommentContinued && !file_.AtEnd()) {
      std::string_view comment = file_.ReadLineView();
      ++lineNo_;
      end = CommentContinues(comment) ? LineEnd::CommentContinued : LineEnd::Done;
    }
  } while (end == LineEnd::Continued && !file_.AtEnd());
  return true;
}

void VbLexer::StringsOnly(std::string_view line) {
  // On a plain line every double quote outside a string starts one, and every apostrophe outside
  // a string starts the comment: names, numbers and operators hold neither, nor does the second
  // byte of a double-byte character.
  const auto lineNo = static_cast<std::int32_t>(lineNo_);
  const char* text = line.data();
  for (std::size_t i = 0;;) {
    const void* quote = std::memchr(text + i, '"', line.size() - i);
    if (quote == nullptr) return;
    const auto start = static_cast<std::size_t>(static_cast<const char*>(quote) - text);
    if (std::memchr(text + i, '\'', start - i) != nullptr) return;
    i = StringEnd(line, start + 1);
    line_.emplace_back(line.substr(start, i - start), lineNo, TokenKind::String);
  }
}

VbLexer::LineEnd VbLexer::Tokenize(std::string_view line, bool& statementStart) {
  const auto lineNo = static_cast<std::int32_t>(lineNo_);
  const std::size_t n = line.size();
  std::size_t i = SkipSpaces(line, 0);  // the indentation
  auto emit = [&](TokenKind kind, std::size_t from, std::size_t to) {
    line_.emplace_back(line.substr(from, to - from), lineNo, kind);
    statementStart = false;
  };
  while (i < n) {
    const unsigned char c = At(line, i);
    // A space, the most common byte between tokens, without the jump through the table below,
    // which the processor often guesses wrong.
    if (c == ' ') {
      ++i;
      continue;
    }
    const std::size_t start = i;
    // Names next, the most common tokens, also past the table's jump.
    const LeadBytes::Kind lead = kLeadBytes.Class[c];
    if (lead == LeadBytes::Name) {
      bool ended = false;
      i = AsciiNameEnd(line, i, doubleByte_, ended);
      while (!ended && i < n) {
        const unsigned char b = At(line, i);
        const unsigned char kind = kNameBytes.Class[b];
        if (kind == 0) break;
        // A double-byte character is taken whole, whatever its second byte.
        i += kind == 2 && doubleByte_ && IsLeadByte(b) && i + 1 < n ? 2 : 1;
      }
      if (i < n && IsTypeChar(line[i]) && (i + 1 >= n || !IsNameChar(At(line, i + 1)))) ++i;
      const bool wasStatementStart = statementStart;
      emit(TokenKind::Identifier, start, i);
      if (wasStatementStart && IsWord(line_.back(), "rem")) {
        line_.pop_back();
        return CommentContinues(line.substr(i)) ? LineEnd::CommentContinued : LineEnd::Done;
      }
      continue;
    }
    switch (lead) {
      case LeadBytes::Blank:
        ++i;
        continue;
      case LeadBytes::Quote:
        i = StringEnd(line, i + 1);
        emit(TokenKind::String, start, i);
        continue;
      case LeadBytes::Apostrophe:
        return CommentContinues(line.substr(i + 1)) ? LineEnd::CommentContinued : LineEnd::Done;
      case LeadBytes::Bracket: {
        const std::size_t close = line.find(']', i);
        i = close == std::string_view::npos ? n : close + 1;
        emit(TokenKind::Identifier, start, i);
        continue;
      }
      case LeadBytes::Digit:
        i = NumberEnd(line, i);
        emit(TokenKind::Number, start, i);
        continue;
      case LeadBytes::Dot:
        if (i + 1 < n && IsDigit(At(line, i + 1))) {
          i = NumberEnd(line, i);
          emit(TokenKind::Number, start, i);
          continue;
        }
        break;
      case LeadBytes::Ampersand:
        if (i + 1 < n && ((line[i + 1] | 0x20) == 'h' || (line[i + 1] | 0x20) == 'o')) {
          i += 2;
          while (i < n && (IsDigit(At(line, i)) || IsLetter(At(line, i)))) ++i;
          if (i < n && IsTypeChar(line[i])) ++i;
          emit(TokenKind::Number, start, i);
          continue;
        }
        break;
      case LeadBytes::Underscore:
        if (BlankFrom(line, i + 1) && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
          return LineEnd::Continued;
        }
        break;
      case LeadBytes::Hash:
        if (!statementStart) {
          if (std::size_t end = DateLiteralEnd(line, i)) {
            i = end;
            emit(TokenKind::Date, start, i);
            continue;
          }
        }
        break;
      default:
        break;
    }
    // An operator, of two bytes for "<>", "<=", ">=" and ":=".
    ++i;
    if (i < n && ((c == '<' && (line[i] == '>' || line[i] == '=')) ||
                  (c == '>' && line[i] == '=') || (c == ':' && line[i] == '='))) {
      ++i;
    }
    const bool separator = c == ':' && i - start == 1;
    emit(TokenKind::Operator, start, i);
    if (separator) {
      statementStart = true;
      ++separators_;
    }
  }
  return LineEnd::Done;
}

void VbLexer::Directive() {
  const std::span<const VbToken> line = CurrentLine();
  if (line.size() < 2) return;
  const VbToken& word = line[1];
  std::size_t exprEnd = line.size();
  if (IsWord(line.back(), "then")) --exprEnd;
  if (IsWord(word, "if")) {
    Frame frame{Live(), false, false, false};
    CondValue v = Evaluate(2, exprEnd);
    if (v.Kind == CondValue::Number) {
      frame.Taken = v.Num != 0;
      frame.Live = frame.ParentLive && frame.Taken;
    } else {
      frame.AllLive = true;
      frame.Live = frame.ParentLive;
    }
    frames_.push_back(frame);
  } else if (IsWord(word, "elseif")) {
    if (frames_.empty()) return;
    Frame& f = frames_.back();
    if (f.AllLive) {
      f.Live = f.ParentLive;
    } else if (f.Taken) {
      f.Live = false;
    } else {
      CondValue v = Evaluate(2, exprEnd);
      if (v.Kind == CondValue::Number) {
        f.Taken = v.Num != 0;
        f.Live = f.ParentLive && f.Taken;
      } else {
        f.AllLive = true;
        f.Live = f.ParentLive;
      }
    }
  } else if (IsWord(word, "else")) {
    if (frames_.empty()) return;
    Frame& f = frames_.back();
    f.Live = f.ParentLive && (f.AllLive || !f.Taken);
    f.Taken = true;
  } else if (IsWord(word, "endif") ||
             (IsWord(word, "end") && line.size() > 2 && IsWord(line[2], "if"))) {
    if (!frames_.empty()) frames_.pop_back();
  } else if (IsWord(word, "const") && Live() && line.size() > 3 &&
             line[2].Kind == TokenKind::Identifier && line[3].Text == "=") {
    module_[FoldCase(BareName(line[2].Text))] = Evaluate(4, line.size());
  }
}

CondValue VbLexer::Evaluate(std::size_t from, std::size_t to) const {
  return CondEvaluator(CurrentLine(), from, to, module_, project_).Run();
}

}  // namespace tarnel
