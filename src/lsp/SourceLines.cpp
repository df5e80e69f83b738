#include "lsp/SourceLines.h"

#include <algorithm>
#include <limits>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

bool IsWordByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// The length of the valid UTF-8 sequence at i, or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  std::size_t length = c < 0x80                 ? 1
                       : c >= 0xC2 && c <= 0xDF ? 2
                       : c >= 0xE0 && c <= 0xEF ? 3
                       : c >= 0xF0 && c <= 0xF4 ? 4
                                                : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

SourceLines::SourceLines(std::string utf8) : text_(std::move(utf8)) {
  // Files are refused far below this, and editors' messages too; only a text grown by edits past
  // four gigabytes would lose its end here.
  text_.resize(std::min<std::size_t>(text_.size(), std::numeric_limits<std::uint32_t>::max()));
  // The same lines as SplitLines cuts.
  for (std::size_t pos = 0; pos < text_.size(); pos = PastLineEnd(text_, LineEndFrom(text_, pos))) {
    starts_.push_back(static_cast<std::uint32_t>(pos));
  }
}

std::string_view SourceLines::Line(int index) const {
  if (index < 0 || index >= Count()) return {};
  const auto at = static_cast<std::size_t>(index);
  const std::size_t start = starts_[at];
  std::size_t end = at + 1 < starts_.size() ? starts_[at + 1] : text_.size();
  // No line holds a CR or an LF, so what ends it is what stands between it and the next.
  if (end > start && text_[end - 1] == '\n') --end;
  if (end > start && text_[end - 1] == '\r') --end;
  return std::string_view(text_).substr(start, end - start);
}

int SourceLines::Utf16Column(std::string_view line, std::size_t byteOffset) {
  byteOffset = std::min(byteOffset, line.size());
  int column = 0;
  for (std::size_t i = 0; i < byteOffset;) {
    const std::size_t length = SequenceLength(line, i);
    column += length == 4 ? 2 : 1;
    i += length == 0 ? 1 : length;
  }
  return column;
}

std::size_t SourceLines::ByteOffset(std::string_view line, int utf16Column) {
  int column = 0;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t length = SequenceLength(line, i);
    const int units = length == 4 ? 2 : 1;
    if (column + units > utf16Column) break;
    column += units;
    i += length == 0 ? 1 : length;
  }
  return i;
}

std::size_t TextOffset(std::string_view text, int line, int utf16Column) {
  std::size_t start = 0;
  for (int i = 0; i < line; ++i) {
    const std::size_t end = LineEndFrom(text, start);
    if (end == text.size()) return end;
    start = PastLineEnd(text, end);
  }
  const std::size_t end = LineEndFrom(text, start);
  return start + SourceLines::ByteOffset(text.substr(start, end - start), utf16Column);
}

std::pair<std::size_t, std::size_t> WordAt(std::string_view line, std::size_t byteOffset) {
  byteOffset = std::min(byteOffset, line.size());
  auto word = [&](std::size_t i) { return i < line.size() && IsWordByte(line[i]); };
  std::size_t first = byteOffset;
  if (!word(first) && first > 0 && word(first - 1)) --first;
  if (!word(first)) return {byteOffset, byteOffset};
  while (first > 0 && word(first - 1)) --first;
  std::size_t last = first;
  while (word(last)) ++last;
  // A number is no name.
  if (line[first] >= '0' && line[first] <= '9') return {byteOffset, byteOffset};
  return {first, last};
}

std::vector<std::size_t> FindWord(std::string_view line, std::string_view name) {
  std::vector<std::size_t> found;
  if (name.empty()) return found;
  bool inString = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inString) {
      if (c == '"') inString = false;
      continue;
    }
    if (c == '"') {
      inString = true;
      continue;
    }
    if (c == '\'') break;
    if (!IsWordByte(c) || (i > 0 && IsWordByte(line[i - 1]))) continue;
    std::size_t end = i;
    while (end < line.size() && IsWordByte(line[end])) ++end;
    const std::string_view candidate = line.substr(i, end - i);
    if (candidate.size() == name.size() &&
        std::equal(candidate.begin(), candidate.end(), name.begin(),
                   [](char a, char b) { return Lower(a) == Lower(b); })) {
      found.push_back(i);
    }
    // A word starting "Rem" ends the code when it is the statement's first word.
    if (end - i == 3 && Lower(line[i]) == 'r' && Lower(line[i + 1]) == 'e' &&
        Lower(line[i + 2]) == 'm' &&
        line.substr(0, i).find_first_not_of(" \t") == std::string_view::npos) {
      break;
    }
    i = end - 1;
  }
  return found;
}

}  // namespace tarnel
