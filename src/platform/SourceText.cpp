#include "platform/SourceText.h"

#include "platform/ByteText.h"
#include "platform/CodePage.h"

namespace tarnel {

namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Lead bytes of the ordinary JIS rows; the others are vendor or user-defined areas that real text
// hardly uses, while they are common accented letters in code page 1252.
bool IsCommonLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x84) || (c >= 0x88 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEA);
}

bool IsHalfWidthKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Bytes that code page 1252 leaves undefined.
bool UndefinedIn1252(unsigned char c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

std::optional<SourceEncoding> ParseSourceEncoding(std::string_view text) {
  std::string folded = FoldCase(TrimControls(text));
  if (folded == "932") return SourceEncoding::Cp932;
  if (folded == "1252") return SourceEncoding::Cp1252;
  if (folded == "utf-8" || folded == "utf8") return SourceEncoding::Utf8;
  if (folded == "auto") return SourceEncoding::Auto;
  return std::nullopt;
}

const char* SourceEncodingName(SourceEncoding encoding) {
  switch (encoding) {
    case SourceEncoding::Cp932:
      return "932";
    case SourceEncoding::Cp1252:
      return "1252";
    case SourceEncoding::Utf8:
      return "UTF-8";
    case SourceEncoding::Auto:
      break;
  }
  return "Auto";
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  // 0x80..0x9F differ from Latin-1; the undefined ones keep their C1 code points.
  static const unsigned short kHigh[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 8);
  // Source text is nearly all ASCII: its runs are copied whole.
  while (!cp1252.empty()) {
    const std::size_t plain = AsciiPrefixLength(cp1252);
    out.append(cp1252.data(), plain);
    if (plain == cp1252.size()) break;
    const auto c = static_cast<unsigned char>(cp1252[plain]);
    AppendUtf8(c < 0xA0 ? kHigh[c - 0x80] : c, out);
    cp1252.remove_prefix(plain + 1);
  }
  return out;
}

std::optional<SourceEncoding> GuessLegacyCodePage(std::string_view bytes) {
  // Votes per character of the code page 932 reading. Western text shows its accented letters
  // alone inside ASCII words, where 932 would see a kanji or a lone kana between Latin letters;
  // Japanese text shows runs of double-byte characters next to blanks, quotes and each other.
  long japanese = 0;
  long western = 0;
  bool valid932 = true;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      i += AsciiPrefixLength(bytes.substr(i));
      continue;
    }
    if (UndefinedIn1252(c)) japanese += 3;
    const bool before = i > 0 && IsAsciiLetter(static_cast<unsigned char>(bytes[i - 1]));
    if (IsHalfWidthKana(c)) {
      const bool runBefore = i > 0 && static_cast<unsigned char>(bytes[i - 1]) >= 0x80;
      const bool runAfter = i + 1 < n && static_cast<unsigned char>(bytes[i + 1]) >= 0x80;
      const bool after = i + 1 < n && IsAsciiLetter(static_cast<unsigned char>(bytes[i + 1]));
      if (!runBefore && !runAfter && (before || after)) {
        ++western;
      } else {
        ++japanese;
      }
      ++i;
      continue;
    }
    if (!IsLeadByte(c) || i + 1 >= n || !IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      valid932 = false;
      break;
    }
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (UndefinedIn1252(trail)) japanese += 3;
    if (!IsCommonLeadByte(c) || (before && IsAsciiLetter(trail))) {
      ++western;
    } else {
      ++japanese;
    }
    i += 2;
  }
  if (!valid932) return SourceEncoding::Cp1252;
  if (japanese > western) return SourceEncoding::Cp932;
  if (western > japanese) return SourceEncoding::Cp1252;
  return std::nullopt;
}

std::string DecodeToUtf8(std::string_view bytes, SourceEncoding encoding) {
  switch (encoding) {
    case SourceEncoding::Cp932:
      return Cp932ToUtf8(bytes);
    case SourceEncoding::Cp1252:
      return Cp1252ToUtf8(bytes);
    default:
      return std::string(bytes);
  }
}

}  // namespace tarnel
