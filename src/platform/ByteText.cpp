#include "platform/ByteText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tarnel {

std::string LeftCut(std::string_view s, int n) {
  if (n < 1) return {};
  std::size_t want = static_cast<std::size_t>(n);
  if (s.size() >= want) return std::string(s.substr(0, want));
  std::string result(s);
  result.append(want - s.size(), ' ');
  return result;
}

std::string ExtractQuoted(std::string_view line, char quote) {
  std::size_t first = line.find(quote);
  if (first == std::string_view::npos) return {};
  std::size_t second = line.find(quote, first + 1);
  if (second == std::string_view::npos) return {};
  return std::string(line.substr(first + 1, second - first - 1));
}

std::string BlankOut(std::string_view text, char c) {
  std::string result(text);
  for (char& b : result) {
    if (b == c) b = ' ';
  }
  return result;
}

std::size_t SkipSpaces(std::string_view s, std::size_t i) {
  // Code is indented with spaces: eight at a time, the bytes of a word that differ from spaces
  // showing where they end.
  constexpr std::uint64_t kEightSpaces = 0x2020202020202020ull;
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
  for (std::uint64_t word; s.size() - i >= 8; i += 8) {
    std::memcpy(&word, s.data() + i, 8);
    const std::uint64_t differs = word ^ kEightSpaces;
    if (differs != 0) return i + static_cast<std::size_t>(std::countr_zero(differs)) / 8;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  return i;
}

std::string_view TrimControls(std::string_view s) {
  std::size_t begin = SkipSpaces(s, 0);
  std::size_t end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
  return s.substr(begin, end - begin);
}

std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string_view> views;
  std::string unquoted;
  SplitFieldViews(text, views, unquoted);
  return std::vector<std::string>(views.begin(), views.end());
}

namespace {

// What a byte is to the field splitter: 0 part of a field, 1 a blank, 2 a comma; with
// ParenthesesBlank, "(" and ")" count as blanks as well.
template <bool ParenthesesBlank>
struct FieldBytes {
  unsigned char Class[256] = {};
  constexpr FieldBytes() {
    for (int b = 1; b <= 32; ++b) Class[b] = 1;
    Class[static_cast<unsigned char>(',')] = 2;
    if (ParenthesesBlank) Class['('] = Class[')'] = 1;
  }
};

// A quoted field as its text stands, or, when parentheses count as blanks and it holds one, a
// copy in unquoted with them blanked.
template <bool ParenthesesBlank>
std::string_view QuotedField(std::string_view field, std::string& unquoted) {
  if (!ParenthesesBlank ||
      std::none_of(field.begin(), field.end(), [](char c) { return c == '(' || c == ')'; })) {
    return field;
  }
  const std::size_t from = unquoted.size();
  for (char c : field) unquoted += c == '(' || c == ')' ? ' ' : c;
  return std::string_view(unquoted).substr(from);
}

// The end of the unquoted field that starts at pos: the first byte at or after pos that is a
// blank or a comma to the splitter, or size. text holds no NUL.
template <bool ParenthesesBlank>
std::size_t FieldEnd(std::string_view text, std::size_t pos) {
  static constexpr FieldBytes<ParenthesesBlank> kBytes;
  const std::size_t size = text.size();
#ifdef __SSE2__
  // Sixteen bytes at a time: a blank is a byte from 1 to 32, and no byte is 0 here.
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i open = _mm_set1_epi8('(');
  const __m128i close = _mm_set1_epi8(')');
  const auto endsIn = [&](std::size_t at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(chunk, space), chunk),
                                _mm_cmpeq_epi8(chunk, comma));
    if (ParenthesesBlank) {
      ends = _mm_or_si128(ends,
                          _mm_or_si128(_mm_cmpeq_epi8(chunk, open), _mm_cmpeq_epi8(chunk, close)));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(ends));
  };
  for (; size - pos >= 16; pos += 16) {
    const unsigned mask = endsIn(pos);
    if (mask != 0) return pos + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  // The last sixteen bytes of the text, less those before pos, rather than a byte at a time.
  if (size >= 16 && pos < size) {
    const unsigned mask = endsIn(size - 16) >> (pos - (size - 16));
    return mask != 0 ? pos + static_cast<std::size_t>(__builtin_ctz(mask)) : size;
  }
#endif
  while (pos < size && kBytes.Class[static_cast<unsigned char>(text[pos])] == 0) ++pos;
  return pos;
}

template <bool ParenthesesBlank>
void SplitFieldViewsAs(std::string_view text, std::vector<std::string_view>& fields,
                       std::string& unquoted) {
  static constexpr FieldBytes<ParenthesesBlank> kBytes;
  fields.clear();
  unquoted.clear();
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  }
  // Undone quotes and blanked parentheses never make a field longer, so this room is never
  // outgrown and views into unquoted stay valid.
  unquoted.reserve(text.size());

  std::size_t pos = 0;
  const std::size_t size = text.size();
  const auto byteClass = [&](std::size_t at) {
    return kBytes.Class[static_cast<unsigned char>(text[at])];
  };
  auto skipBlanks = [&] {
    while (pos < size && byteClass(pos) == 1) ++pos;
  };

  skipBlanks();
  if (pos >= size) return;
  for (;;) {
    if (text[pos] == '"') {
      const std::size_t start = ++pos;
      std::size_t close = text.find('"', start);
      if (close == std::string_view::npos) {
        // no closing quote: to the end
        fields.push_back(QuotedField<ParenthesesBlank>(text.substr(start), unquoted));
        pos = size;
      } else if (close + 1 >= size || text[close + 1] != '"') {
        // no doubled quote inside
        fields.push_back(
            QuotedField<ParenthesesBlank>(text.substr(start, close - start), unquoted));
        pos = close + 1;
      } else {
        const std::size_t from = unquoted.size();
        while (pos < size) {
          char c = text[pos];
          if (c == '"') {
            if (pos + 1 < size && text[pos + 1] == '"') {
              unquoted += '"';
              pos += 2;
              continue;
            }
            ++pos;  // the closing quote
            break;
          }
          if (ParenthesesBlank && (c == '(' || c == ')')) c = ' ';
          unquoted += c;
          ++pos;
        }
        fields.push_back(std::string_view(unquoted).substr(from));
      }
    } else {
      const std::size_t start = pos;
      pos = FieldEnd<ParenthesesBlank>(text, pos);
      fields.push_back(text.substr(start, pos - start));
    }

    skipBlanks();
    if (pos >= size) break;
    if (text[pos] == ',') {
      ++pos;
      skipBlanks();
      if (pos >= size) {
        fields.emplace_back();
        break;
      }
    }
  }
}

}  // namespace

void SplitFieldViews(std::string_view text, std::vector<std::string_view>& fields,
                     std::string& unquoted) {
  SplitFieldViewsAs<false>(text, fields, unquoted);
}

void SplitCodeFieldViews(std::string_view text, std::vector<std::string_view>& fields,
                         std::string& unquoted) {
  SplitFieldViewsAs<true>(text, fields, unquoted);
}

namespace {

// The fold of the trail byte of one double-byte character.
unsigned char FoldTrail(unsigned char lead, unsigned char trail) {
  if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) return trail + 0x21;  // full-width A..Z
  if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) return trail + 0x20;  // Greek capitals
  if (lead == 0x84 && trail >= 0x40 && trail <= 0x60) {
    int small = 0x70 + (trail - 0x40);  // Cyrillic capitals; the small letters skip 0x7F
    if (small >= 0x7F) ++small;
    return static_cast<unsigned char>(small);
  }
  return trail;
}

}  // namespace

std::string FoldCase(std::string_view s) {
  std::string out;
  FoldCaseInto(s, out);
  return out;
}

void FoldCaseInto(std::string_view s, std::string& out) {
  out.resize(s.size());
  char* d = out.data();
  // Plain ASCII, eight bytes at a time.
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if ((word & kHighBitsOfWord) != 0) break;
    word = FoldAsciiWord(word);
    std::memcpy(d + i, &word, 8);
  }
  // A plain ASCII tail of under eight bytes, as one word too.
  if (i + 8 > s.size() && i < s.size()) {
    std::uint64_t tail = LoadShortWord(s.data() + i, s.size() - i);
    if ((tail & kHighBitsOfWord) == 0) {
      tail = FoldAsciiWord(tail);
      for (; i < s.size(); ++i, tail >>= 8) d[i] = static_cast<char>(tail & 0xFF);
      return;
    }
  }
  for (; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      d[i] = static_cast<char>(b);
      d[i + 1] = static_cast<char>(FoldTrail(b, static_cast<unsigned char>(s[i + 1])));
      ++i;
    } else {
      d[i] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    }
  }
}

bool SameFoldOfEqualLengths(std::string_view a, std::string_view b) {
  // Plain ASCII, eight bytes at a time: words before the first byte of 0x80 or above hold no
  // part of a double-byte character.
  std::size_t i = 0;
  for (; i + 8 <= a.size(); i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (((x | y) & kHighBitsOfWord) != 0) break;
    if (FoldAsciiWord(x) != FoldAsciiWord(y)) return false;
  }
  if (i + 8 > a.size()) {
    const std::uint64_t x = LoadShortWord(a.data() + i, a.size() - i);
    const std::uint64_t y = LoadShortWord(b.data() + i, b.size() - i);
    if (((x | y) & kHighBitsOfWord) == 0) return FoldAsciiWord(x) == FoldAsciiWord(y);
  }
  // Folding never changes a lead byte, so equal folds have their double-byte characters at the
  // same places and the two texts can be walked side by side.
  for (; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x) && i + 1 < a.size()) {
      if (x != y) return false;
      ++i;
      if (FoldTrail(x, static_cast<unsigned char>(a[i])) !=
          FoldTrail(y, static_cast<unsigned char>(b[i])))
        return false;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

}  // namespace tarnel
