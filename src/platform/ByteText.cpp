#include "platform/ByteText.h"

namespace tarnel {

std::string LeftCut(std::string_view s, int n) {
  if (n < 1) return {};
  std::size_t want = static_cast<std::size_t>(n);
  if (s.size() >= want) return std::string(s.substr(0, want));
  std::string result(s);
  result.append(want - s.size(), ' ');
  return result;
}

std::string RightCut(std::string_view s, int n) {
  if (n < 1) return {};
  std::size_t want = static_cast<std::size_t>(n);
  if (s.size() >= want) return std::string(s.substr(s.size() - want));
  std::string result(want - s.size(), ' ');
  result.append(s);
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
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
  return s.substr(begin, end - begin);
}

namespace {

bool IsFieldBlank(unsigned char b) { return b >= 1 && b <= 32; }

}  // namespace

std::vector<std::string> SplitFields(std::string_view text) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);

  std::vector<std::string> fields;
  std::size_t pos = 0;
  const std::size_t size = text.size();
  auto skipBlanks = [&] {
    while (pos < size && IsFieldBlank(static_cast<unsigned char>(text[pos]))) ++pos;
  };

  skipBlanks();
  if (pos >= size) return fields;
  for (;;) {
    std::string field;
    if (text[pos] == '"') {
      ++pos;
      while (pos < size) {
        if (text[pos] == '"') {
          if (pos + 1 < size && text[pos + 1] == '"') {
            field += '"';
            pos += 2;
            continue;
          }
          ++pos;  // the closing quote
          break;
        }
        field += text[pos++];
      }
    } else {
      std::size_t start = pos;
      while (pos < size && text[pos] != ',' && !IsFieldBlank(static_cast<unsigned char>(text[pos])))
        ++pos;
      field.assign(text.substr(start, pos - start));
    }
    fields.push_back(std::move(field));

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
  return fields;
}

namespace {

// Appends the fold of one double-byte character (lead, trail).
void FoldDoubleByte(unsigned char lead, unsigned char trail, std::string& out) {
  if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) {
    trail = static_cast<unsigned char>(trail + 0x21);  // full-width A..Z -> a..z
  } else if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) {
    trail = static_cast<unsigned char>(trail + 0x20);  // Greek capitals -> small letters
  } else if (lead == 0x84 && trail >= 0x40 && trail <= 0x60) {
    int k = trail - 0x40;  // Cyrillic capitals; the small letters skip 0x7F
    int small = 0x70 + k;
    if (small >= 0x7F) ++small;
    trail = static_cast<unsigned char>(small);
  }
  out += static_cast<char>(lead);
  out += static_cast<char>(trail);
}

}  // namespace

std::string FoldCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      FoldDoubleByte(b, static_cast<unsigned char>(s[i + 1]), out);
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out += static_cast<char>(b + 32);
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return FoldCase(a) == FoldCase(b);
}

}  // namespace tarnel
