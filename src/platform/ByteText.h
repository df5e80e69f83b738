#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Byte-text helpers. Engine text is code page 932 (Shift-JIS) held as raw bytes; lengths and
// positions count bytes.
namespace tarnel {

// The first n bytes of s, blank-filled on the right when s is shorter; empty for n < 1.
std::string LeftCut(std::string_view s, int n);

// The text between the first and second occurrence of quote; empty when it occurs fewer than twice.
std::string ExtractQuoted(std::string_view line, char quote);

// A copy of text with every byte equal to c replaced by a blank.
std::string BlankOut(std::string_view text, char c);

// Removes every leading and trailing byte whose code is 32 or less.
std::string_view TrimControls(std::string_view s);
// The first position from i on (i at most s.size()) that holds no space, or s.size(). Inline:
// every line read is trimmed with it first.
inline std::size_t SkipSpaces(std::string_view s, std::size_t i) {
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

// Fields separated by blanks (codes 1..32) or commas; double-quoted fields with doubled quotes
// inside; a NUL byte ends the text. No length limit.
std::vector<std::string> SplitFields(std::string_view text);
// The same as views (emptied first) into text, or into unquoted for quoted fields whose doubled
// quotes had to be undone; both must outlive the views. Splitting many lines this way reuses the
// storage of both vectors.
void SplitFieldViews(std::string_view text, std::vector<std::string_view>& fields,
                     std::string& unquoted);
// The same with "(" and ")" as blanks, also inside quoted fields: what SplitFieldViews gives for
// the text with its parentheses blanked, without a copy of the text.
void SplitCodeFieldViews(std::string_view text, std::vector<std::string_view>& fields,
                         std::string& unquoted);

// Takes the fields of a text in order, a batch at a time.
class FieldBatches {
 public:
  virtual ~FieldBatches() = default;
  // The views last until Take returns.
  virtual void Take(std::span<const std::string_view> fields) = 0;
};
// The most fields SplitCodeFieldBatches hands over at once.
inline constexpr std::size_t kFieldBatch = 256;
// The fields SplitCodeFieldViews gives, handed to out in batches of at most kFieldBatch, in
// order: fields and unquoted, the buffers of the batches, stay small however long the text is.
void SplitCodeFieldBatches(std::string_view text, std::vector<std::string_view>& fields,
                           std::string& unquoted, FieldBatches& out);

// The high bit of each of eight bytes: a word ANDed with it is zero when all are plain ASCII.
inline constexpr std::uint64_t kHighBitsOfWord = 0x8080808080808080ull;

// How many bytes text starts with that are plain ASCII (below 0x80): text.size() when all are.
std::size_t AsciiPrefixLength(std::string_view text);
inline bool IsAscii(std::string_view text) { return AsciiPrefixLength(text) == text.size(); }

// A..Z to a..z in eight bytes that are all below 0x80, at once: a byte gets its high bit from the
// first sum when it is at least "A", from the second when it is above "Z"; 0x80 >> 2 is the 0x20
// between the cases.
inline std::uint64_t FoldAsciiWord(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  const std::uint64_t atLeastA = word + kOnes * (0x80 - 'A');
  const std::uint64_t aboveZ = word + kOnes * (0x7F - 'Z');
  return word | ((atLeastA & ~aboveZ & (kOnes * 0x80)) >> 2);
}

// Up to eight bytes as one word, low byte first, the rest zero: two loads that may overlap
// instead of a loop or a library call.
inline std::uint64_t LoadShortWord(const char* bytes, std::size_t size) {
  if (size >= 4) {
    std::uint32_t low, high;
    std::memcpy(&low, bytes, 4);
    std::memcpy(&high, bytes + size - 4, 4);
    return low | (std::uint64_t{high} << ((size - 4) * 8));
  }
  if (size >= 2) {
    std::uint16_t low, high;
    std::memcpy(&low, bytes, 2);
    std::memcpy(&high, bytes + size - 2, 2);
    return low | (std::uint64_t{high} << ((size - 2) * 8));
  }
  return size == 1 ? static_cast<unsigned char>(bytes[0]) : 0;
}

// The first byte of text's fold (FoldCase), without folding: folding keeps the length and changes
// only A..Z of the first byte (a lead byte stays). NUL for the empty text.
inline char FoldedFirstByte(std::string_view text) {
  const char first = text.empty() ? '\0' : text[0];
  return first >= 'A' && first <= 'Z' ? static_cast<char>(first + 32) : first;
}

// Whether a and b hold the same bytes; short texts, as most words are, compare as one word.
inline bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() <= 8) return LoadShortWord(a.data(), a.size()) == LoadShortWord(b.data(), b.size());
  return std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// True when b starts a double-byte character in code page 932.
inline bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// One bit for each of the n bytes at p (n at most 64) that equals byte, the first byte's lowest.
inline std::uint64_t BitsOfByte(const char* p, std::size_t n, char byte) {
  std::uint64_t bits = 0;
#ifdef __SSE2__
  if (n == 64) {
    const __m128i wanted = _mm_set1_epi8(byte);
    for (int i = 0; i < 4; ++i) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted)));
      bits |= static_cast<std::uint64_t>(mask) << (16 * i);
    }
    return bits;
  }
#endif
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] == byte) bits |= std::uint64_t{1} << i;
  }
  return bits;
}

// The same for the CRs and LFs together. Most blocks of a text are full, and a reader looks at
// every one: their two comparisons go into one mask per sixteen bytes. Inline, as readers call it
// once for every 64 bytes they read.
inline std::uint64_t LineEndBitsOf(const char* p, std::size_t n) {
#ifdef __SSE2__
  if (n == 64) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      const auto mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf))));
      bits |= static_cast<std::uint64_t>(mask) << (16 * i);
    }
    return bits;
  }
#endif
  return BitsOfByte(p, n, '\r') | BitsOfByte(p, n, '\n');
}

// The lines of text, each ended by CR, LF or CR LF (the last may have no end), without their ends.
std::vector<std::string_view> SplitLines(std::string_view text);
// Where the first CR or LF at or after from stands, or text.size().
std::size_t LineEndFrom(std::string_view text, std::size_t from);
// Where the next line starts after the line end at end (a CR, an LF or a CR LF, as LineEndFrom
// finds it), or text.size().
inline std::size_t PastLineEnd(std::string_view text, std::size_t end) {
  if (end < text.size() && text[end] == '\r') ++end;
  if (end < text.size() && text[end] == '\n') ++end;
  return end;
}

// Case folding for name lookups: ASCII letters and the full-width Latin, Greek and Cyrillic letters
// of code page 932 fold to lower case; every other byte stays. Two texts are equal without regard
// to letter case exactly when their folds are equal.
std::string FoldCase(std::string_view s);
// The same into out (emptied first), which keeps its capacity between calls.
void FoldCaseInto(std::string_view s, std::string& out);
// Whether a and b, of the same length, have equal folds.
bool SameFoldOfEqualLengths(std::string_view a, std::string_view b);
// Whether a and b are equal without regard to letter case. Texts of different lengths never are,
// and most texts compared differ in length: that is asked first, without a call.
inline bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && SameFoldOfEqualLengths(a, b);
}

}  // namespace tarnel
