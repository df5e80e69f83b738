#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Paths.h"

// Line-based text files with the program's line rules: a line ends at CR, CR LF or a lone LF;
// Ctrl-Z (26) or the physical end ends the file; reading at the end yields empty lines. Every
// written line ends in CR LF.
namespace tarnel {

// Files larger than this are refused before anything is allocated for them: no module or
// project of this size is real, and reading it would take the machine's memory.
inline constexpr std::size_t kLargestReadableFile = std::size_t{1} << 30;

class TextReader {
 public:
  // Opens an engine path (resolved with ResolvePath). Throws FileNotFoundError when nothing is
  // there and FileOpenError when it exists but cannot be opened or read.
  explicit TextReader(std::string_view enginePath);
  // An empty reader, at its end.
  TextReader() = default;
  // Reads another file into this reader, reusing its storage. Throws as the constructor does,
  // and FileOpenError for a file larger than kLargestReadableFile.
  void Open(std::string_view enginePath);
  // The same, resolving through resolver and noting the file there as read.
  void Open(std::string_view enginePath, PathResolver& resolver);
  // The same, but false, with the reader at its end, when nothing or a folder is there: one look
  // at the file serves both the question and the reading.
  bool OpenIfThere(std::string_view enginePath, PathResolver& resolver);
  // Gives the storage back when a large file left it large; the reader is then at its end.
  void Release();
  // Reads from bytes already in memory.
  static TextReader FromBytes(std::string content);

  bool AtEnd() const { return pos_ >= end_; }
  // The next physical line without its line end; empty at the end.
  std::string ReadLine() { return std::string(ReadLineView()); }
  // The same without a copy; valid as long as the reader lives.
  std::string_view ReadLineView();
  // The whole file as read, Ctrl-Z and what follows it included.
  std::string_view Bytes() const { return {data_.data(), size_}; }
  // Skips up to n lines; returns how many were there.
  long SkipLines(long n);
  // Reads lines up to and including the first that begins with the byte first and for which
  // matches(line) holds, and gives whether there was one; lines receives how many lines were
  // read. Only lines that begin with first are looked at: the others go by a block of bytes at a
  // time, without a view of each.
  bool SkipPastLine(char first, bool (*matches)(std::string_view line), long& lines);
  // Back to the first line, as if the file had been opened again.
  void Rewind() { pos_ = 0; }

 private:
  void SetContent(std::string content);
  void OpenNative(const std::string& native, std::string_view enginePath, PathResolver* resolver,
                  bool* missing = nullptr, bool knownFile = false);
  // Sets the end of the text at the first Ctrl-Z, or at the end of the bytes.
  void EndAtCtrlZ();
  // The first CR or LF at or after from, or the end of the text.
  std::size_t NextLineEnd(std::size_t from);

  std::string data_;      // the file's bytes, then what is left from a larger file before it
  std::size_t size_ = 0;  // the file's bytes in data_
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  // The CRs and LFs of the 64 bytes of the text from endsBlock_ * 64, a bit per byte, as the last
  // search for a line end found them; bytes at or past end_ count as none.
  static constexpr std::size_t kNoBlock = ~std::size_t{0};
  std::size_t endsBlock_ = kNoBlock;
  std::uint64_t endsBits_ = 0;
};

// Where a file is written: its native name, used exactly as given (never an existing file that
// merely matches it without regard to letter case), and its engine text for messages.
class WritePath {
 public:
  WritePath(std::string_view enginePath) : engine_(enginePath), native_(ExactNative(enginePath)) {}
  WritePath(const std::string& enginePath) : WritePath(std::string_view(enginePath)) {}
  WritePath(const char* enginePath) : WritePath(std::string_view(enginePath)) {}
  static WritePath FromNative(std::string nativePath);

  const std::string& Engine() const { return engine_; }
  const std::string& Native() const { return native_; }

 private:
  WritePath() = default;
  std::string engine_;
  std::string native_;
};

// Writes a file whole or not at all: the lines go to a new file in the target's folder, which
// replaces the target only when Close has written and synced all of it. Until then, and after
// any failure, the previous file is untouched. A device or pipe is written in place.
class TextWriter {
 public:
  // Throws FileCreateError when the file cannot be created or the target is not writable.
  explicit TextWriter(const WritePath& path);
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Writes line and CR LF. Throws FileWriteError.
  void WriteLine(std::string_view line);
  // Writes head and tail as one line, without joining them first.
  void WriteLine(std::string_view head, std::string_view tail);
  // Writes bytes as they are, with no line end added. Throws FileWriteError.
  void Write(std::string_view bytes);
  // Writes out, syncs and puts the file in place; throws FileWriteError when any of it failed,
  // leaving the previous file as it was.
  void Close();

 private:
  void Flush();
  void Discard();
  // Puts bytes after the buffered ones, writing the buffer out first when they do not fit.
  void Append(std::string_view bytes);
  // Hands bytes to the file; on failure discards it and throws FileWriteError.
  void WriteOut(std::string_view bytes);

  std::string path_;    // engine text, for messages
  std::string target_;  // native
  std::string temp_;    // native; empty when writing in place
  int fd_ = -1;
  std::string buffer_;  // its first used_ bytes not yet handed to the file
  std::size_t used_ = 0;
};

// Reads a whole file as bytes (engine path). Throws as TextReader does.
std::string ReadWholeFile(std::string_view enginePath);
// The same for a native path taken exactly as given.
std::string ReadWholeNativeFile(const std::string& nativePath);

}  // namespace tarnel
