#include "platform/ByteText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tarnel {

std::size_t AsciiPrefixLength(std::string_view text) {
  const char* bytes = text.data();
  const std::size_t size = text.size();
  std::size_t at = 0;
#ifdef __SSE2__
  for (; at + 16 <= size; at += 16) {
    const auto high = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at))));
    if (high != 0) return at + static_cast<std::size_t>(std::countr_zero(high));
  }
#endif
  for (; at + 8 <= size; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    if ((word & kHighBitsOfWord) != 0) {
      return at + static_cast<std::size_t>(std::countr_zero(word & kHighBitsOfWord)) / 8;
    }
  }
  for (; at < size; ++at) {
    if (static_cast<unsigned char>(bytes[at]) >= 0x80) return at;
  }
  return size;
}

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

#ifdef __SSE2__
// The splitter's blanks among sixteen bytes, each all ones: bytes up to 32 (NUL included, which
// the callers deal with), and parentheses with ParenthesesBlank.
template <bool ParenthesesBlank>
__m128i BlankBytes(__m128i chunk) {
  const __m128i blank = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(' ')), chunk);
  if (!ParenthesesBlank) return blank;
  return _mm_or_si128(blank, _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('(')),
                                          _mm_cmpeq_epi8(chunk, _mm_set1_epi8(')'))));
}
#endif

// The end of the unquoted field that starts at pos: the first byte at or after pos that is a
// blank or a comma to the splitter, or size. text holds no NUL.
template <bool ParenthesesBlank>
[[gnu::always_inline]] inline std::size_t FieldEnd(std::string_view text, std::size_t pos) {
  static constexpr FieldBytes<ParenthesesBlank> kBytes;
  const std::size_t size = text.size();
#ifdef __SSE2__
  // Sixteen bytes at a time.
  const auto endsIn = [&](std::size_t at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        BlankBytes<ParenthesesBlank>(chunk), _mm_cmpeq_epi8(chunk, _mm_set1_epi8(',')))));
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

// Where the splitter's places are in a text of any length: a byte, or sixteen bytes, at a time.
template <bool ParenthesesBlank>
class ScanningFinder {
 public:
  explicit ScanningFinder(std::string_view text) : text_(text) {}
  // The first byte from pos on that is no blank, or the end.
  std::size_t NonBlank(std::size_t pos) const {
    static constexpr FieldBytes<ParenthesesBlank> kBytes;
    while (pos < text_.size() && kBytes.Class[static_cast<unsigned char>(text_[pos])] == 1) ++pos;
    return pos;
  }
  // The first blank or comma from pos on, or the end.
  std::size_t Stop(std::size_t pos) const { return FieldEnd<ParenthesesBlank>(text_, pos); }
  // The first double quote from pos on, or the end.
  std::size_t Quote(std::size_t pos) const { return std::min(text_.find('"', pos), text_.size()); }

 private:
  std::string_view text_;
};

#ifdef __SSE2__
// The same places read from bit masks that one pass over a line of under 64 bytes makes, sixteen
// bytes at a time: bit i stands for byte i. Most code lines are that short, and a place then costs
// a shift and a count of zeros instead of a look at the bytes. The bits at the end and above
// count as no blank, a field's end and a quote, so that every search stops there at the latest.
template <bool ParenthesesBlank>
class WordFinder {
 public:
  static constexpr std::size_t kMaxBytes = 63;

  // text: at most kMaxBytes bytes.
  explicit WordFinder(std::string_view text) : size_(text.size()) {
    const char* bytes = text.data();
    std::size_t at = 0;
    for (; size_ - at >= 16; at += 16) {
      Mark(at, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)), 0xFFFF);
    }
    // The last bytes as two words, zero-filled: no read past the text.
    if (const std::size_t rest = size_ - at; rest > 0) {
      const std::uint64_t low = LoadShortWord(bytes + at, std::min<std::size_t>(rest, 8));
      const std::uint64_t high = rest > 8 ? LoadShortWord(bytes + at + 8, rest - 8) : 0;
      Mark(at, _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low)),
           (1u << rest) - 1);
    }
    // A NUL ends the text.
    if (nuls_ != 0) size_ = static_cast<std::size_t>(std::countr_zero(nuls_));
    const std::uint64_t past = ~std::uint64_t{0} << size_;
    blank_ &= ~past;
    stop_ |= past;
    quote_ |= past;
  }
  // The length of the text up to its first NUL.
  std::size_t Size() const { return size_; }
  std::size_t NonBlank(std::size_t pos) const { return pos + Zeros(~blank_ >> pos); }
  std::size_t Stop(std::size_t pos) const { return pos + Zeros(stop_ >> pos); }
  std::size_t Quote(std::size_t pos) const { return pos + Zeros(quote_ >> pos); }

  // The fields of a text without double quotes (false for one with), all from the masks: each
  // run of bytes that are neither blanks nor commas is a field, and a comma adds an empty field
  // before it when no field byte stands since the line's start or the comma before, and after it
  // when only blanks follow. Branches that depend on the bytes are what costs in a splitter; here
  // only the loop over the fields has one.
  bool SplitUnquoted(std::string_view text, std::vector<std::string_view>& fields) const {
    const std::uint64_t end = std::uint64_t{1} << size_;
    if ((quote_ & (end - 1)) != 0) return false;
    const std::uint64_t commas = stop_ & ~blank_ & (end - 1);
    const std::uint64_t inField = ~stop_;  // no bits at or past the end
    const std::uint64_t afterCommas = commas << 1;
    const std::uint64_t commaAfterComma = commas & NonBlankFrom(afterCommas | 1);
    for (std::uint64_t starts = (inField & ~(inField << 1)) | commaAfterComma; starts != 0;
         starts &= starts - 1) {
      const std::size_t at = Zeros(starts);
      fields.emplace_back(text.data() + at, Stop(at) - at);
    }
    if ((NonBlankFrom(afterCommas) & end) != 0) fields.emplace_back();
    return true;
  }

 private:
  // For each bit of from, each at the start of a run of blanks or on no blank, the first byte
  // from there on that is no blank, or the end: a bit added at the start of a run carries to the
  // byte after it.
  std::uint64_t NonBlankFrom(std::uint64_t from) const {
    return (((from & blank_) + blank_) & ~blank_) | (from & ~blank_);
  }
  static std::size_t Zeros(std::uint64_t bits) {
    return static_cast<std::size_t>(std::countr_zero(bits));
  }
  // Enters the sixteen bytes at at, those of valid only.
  void Mark(std::size_t at, __m128i chunk, unsigned valid) {
    const auto bitsOf = [valid, at](__m128i bytes) {
      return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(bytes)) & valid} << at;
    };
    const std::uint64_t blanks = bitsOf(BlankBytes<ParenthesesBlank>(chunk));
    blank_ |= blanks;
    stop_ |= blanks | bitsOf(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(',')));
    quote_ |= bitsOf(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')));
    nuls_ |= bitsOf(_mm_cmpeq_epi8(chunk, _mm_setzero_si128()));
  }

  std::size_t size_;
  std::uint64_t blank_ = 0;  // the splitter's blanks
  std::uint64_t stop_ = 0;   // blanks and commas: where an unquoted field ends
  std::uint64_t quote_ = 0;  // double quotes
  std::uint64_t nuls_ = 0;
};
#endif

// Where SplitWith puts the fields: all of them in one vector, whose views into unquoted stay
// valid because unquoted gets room for the whole text at once (undone quotes and blanked
// parentheses never make a field longer, so that room is never outgrown).
class AllFields {
 public:
  AllFields(std::vector<std::string_view>& fields, std::string& unquoted, std::size_t textSize)
      : fields_(fields) {
    unquoted.reserve(textSize);
  }
  void Add(std::string_view field) { fields_.push_back(field); }
  void Add() { fields_.emplace_back(); }
  static constexpr bool kBatched = false;

 private:
  std::vector<std::string_view>& fields_;
};

// Fields handed on in batches of at most kFieldBatch: the vector and unquoted are emptied after
// each, so that neither outgrows a batch, whatever the text's length. The last batch is left in
// the vector.
class BatchedFields {
 public:
  BatchedFields(std::vector<std::string_view>& fields, std::string& unquoted, FieldBatches& out)
      : fields_(fields), unquoted_(unquoted), out_(out) {}
  void Add(std::string_view field) {
    fields_.push_back(field);
    if (fields_.size() >= kFieldBatch) Flush();
  }
  void Add() { Add(std::string_view()); }
  static constexpr bool kBatched = true;
  // unquoted must not move while views into it wait in a batch: when the field may not fit, the
  // batch goes first.
  void MakeRoom(std::size_t size) {
    if (unquoted_.capacity() - unquoted_.size() >= size) return;
    if (!fields_.empty()) Flush();  // with no field waiting, unquoted holds nothing either
    unquoted_.reserve(std::max<std::size_t>(size, 4096));
  }

 private:
  void Flush() {
    out_.Take(fields_);
    fields_.clear();
    unquoted_.clear();
  }
  std::vector<std::string_view>& fields_;
  std::string& unquoted_;
  FieldBatches& out_;
};

// The splitting itself, over text that holds no NUL, with finder telling where its places are.
template <bool ParenthesesBlank, class Finder, class Fields>
void SplitWith(std::string_view text, const Finder& finder, Fields fields, std::string& unquoted) {
  const std::size_t size = text.size();
  std::size_t pos = finder.NonBlank(0);
  if (pos >= size) return;
  for (;;) {
    if (text[pos] == '"') {
      const std::size_t start = ++pos;
      const std::size_t close = finder.Quote(start);
      // A batch goes before a quoted field that might not fit in unquoted's room.
      if constexpr (Fields::kBatched) fields.MakeRoom((close >= size ? size : close) - start);
      if (close >= size) {
        // no closing quote: to the end
        fields.Add(QuotedField<ParenthesesBlank>(text.substr(start), unquoted));
        pos = size;
      } else if (close + 1 >= size || text[close + 1] != '"') {
        // no doubled quote inside
        fields.Add(QuotedField<ParenthesesBlank>(text.substr(start, close - start), unquoted));
        pos = close + 1;
      } else {
        // The field ends at the first quote after start that no other quote follows; undoing
        // the doubled ones only shortens it.
        if constexpr (Fields::kBatched) {
          std::size_t end = close;
          while (end + 1 < size && text[end + 1] == '"') end = finder.Quote(end + 2);
          fields.MakeRoom(std::min(end, size) - start);
        }
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
        fields.Add(std::string_view(unquoted).substr(from));
      }
    } else {
      const std::size_t start = pos;
      pos = finder.Stop(pos);
      fields.Add(text.substr(start, pos - start));
    }

    pos = finder.NonBlank(pos);
    if (pos >= size) break;
    if (text[pos] == ',') {
      pos = finder.NonBlank(pos + 1);
      if (pos >= size) {
        fields.Add();
        break;
      }
    }
  }
}

// text up to its first NUL.
std::string_view BeforeNul(std::string_view text) {
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  }
  return text;
}

template <bool ParenthesesBlank>
[[gnu::always_inline]] inline void SplitFieldViewsAs(std::string_view text,
                                                     std::vector<std::string_view>& fields,
                                                     std::string& unquoted) {
  fields.clear();
  unquoted.clear();
#ifdef __SSE2__
  if (text.size() <= WordFinder<ParenthesesBlank>::kMaxBytes) {
    const WordFinder<ParenthesesBlank> finder(text);
    if (finder.SplitUnquoted(text, fields)) return;
    text = text.substr(0, finder.Size());
    SplitWith<ParenthesesBlank>(text, finder, AllFields(fields, unquoted, text.size()), unquoted);
    return;
  }
#endif
  text = BeforeNul(text);
  SplitWith<ParenthesesBlank>(text, ScanningFinder<ParenthesesBlank>(text),
                              AllFields(fields, unquoted, text.size()), unquoted);
}

}  // namespace

void SplitCodeFieldBatches(std::string_view text, std::vector<std::string_view>& fields,
                           std::string& unquoted, FieldBatches& out) {
#ifdef __SSE2__
  if (text.size() <= WordFinder<true>::kMaxBytes) {
    // Too short for more fields than a batch holds.
    SplitCodeFieldViews(text, fields, unquoted);
    if (!fields.empty()) out.Take(fields);
    return;
  }
#endif
  fields.clear();
  unquoted.clear();
  text = BeforeNul(text);
  SplitWith<true>(text, ScanningFinder<true>(text), BatchedFields(fields, unquoted, out), unquoted);
  if (!fields.empty()) out.Take(fields);
}

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

std::size_t LineEndFrom(std::string_view text, std::size_t from) {
  while (from < text.size()) {
    const std::size_t n = std::min<std::size_t>(64, text.size() - from);
    const std::uint64_t ends = LineEndBitsOf(text.data() + from, n);
    if (ends != 0) return from + static_cast<std::size_t>(std::countr_zero(ends));
    from += n;
  }
  return text.size();
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = LineEndFrom(text, pos);
    lines.push_back(text.substr(pos, end - pos));
    pos = PastLineEnd(text, end);
  }
  return lines;
}

}  // namespace tarnel
