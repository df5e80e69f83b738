#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnel {

// The text of one module file in UTF-8, cut into physical lines (CR LF, CR or LF), with the
// conversions between byte offsets and the UTF-16 columns that editors count in.
class SourceLines {
 public:
  explicit SourceLines(std::string utf8);
  // The lines point into the text, which a copy or a move of a short text would leave behind.
  SourceLines(const SourceLines&) = delete;
  SourceLines& operator=(const SourceLines&) = delete;

  int Count() const { return static_cast<int>(starts_.size()); }
  // The line at index (from 0); empty beyond the end.
  std::string_view Line(int index) const;

  // UTF-16 code units before byteOffset. A byte that starts no valid sequence counts as one.
  static int Utf16Column(std::string_view line, std::size_t byteOffset);
  // The byte offset of a UTF-16 column; a column inside a character or past the end is clamped
  // to the character's start or to the end.
  static std::size_t ByteOffset(std::string_view line, int utf16Column);

 private:
  std::string text_;
  // Where each line starts in the text: a module of a million lines keeps four bytes a line, not
  // a view of sixteen. A line ends where the next starts, less the line end between them.
  std::vector<std::uint32_t> starts_;
};

// The byte offset in text of an editor's position: line from 0, lines ended by CR LF, CR or LF,
// and a UTF-16 column clamped to the line as ByteOffset clamps it. A line past the last one
// stands for the end of the text.
std::size_t TextOffset(std::string_view text, int line, int utf16Column);

// The bytes [first, second) of the identifier at byteOffset, or ending there; empty when none.
std::pair<std::size_t, std::size_t> WordAt(std::string_view line, std::size_t byteOffset);

// The byte offsets where name stands as a whole word (ASCII letter case ignored) in the code of
// line: outside string literals and after no comment mark.
std::vector<std::size_t> FindWord(std::string_view line, std::string_view name);

}  // namespace tarnel
