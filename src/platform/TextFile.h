#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Line-based text files with the program's line rules: a line ends at CR, CR LF or a lone LF;
// Ctrl-Z (26) or the physical end ends the file; reading at the end yields empty lines. Every
// written line ends in CR LF.
namespace tarnel {

class TextReader {
 public:
  // Opens an engine path (resolved with ResolvePath). Throws FileNotFoundError when nothing is
  // there and FileOpenError when it exists but cannot be opened or read.
  explicit TextReader(std::string_view enginePath);
  // An empty reader, at its end.
  TextReader() = default;
  // Reads another file into this reader, reusing its storage. Throws as the constructor does.
  void Open(std::string_view enginePath);
  // Reads from bytes already in memory.
  static TextReader FromBytes(std::string content);

  bool AtEnd() const { return pos_ >= end_; }
  // The next physical line without its line end; empty at the end.
  std::string ReadLine() { return std::string(ReadLineView()); }
  // The same without a copy; valid as long as the reader lives.
  std::string_view ReadLineView();
  // Skips up to n lines; returns how many were there.
  long SkipLines(long n);
  // Back to the first line, as if the file had been opened again.
  void Rewind() { pos_ = 0; }

 private:
  void SetContent(std::string content);

  std::string data_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

class TextWriter {
 public:
  // Creates or empties the file of exactly that name (ExactNativePath). Throws FileCreateError.
  explicit TextWriter(std::string_view enginePath);
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Writes line and CR LF. Throws FileWriteError.
  void WriteLine(std::string_view line);
  // Writes bytes as they are, with no line end added. Throws FileWriteError.
  void Write(std::string_view bytes);
  // Flushes and closes; throws FileWriteError when the data could not be written.
  void Close();

 private:
  void Flush();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::string buffer_;  // lines not yet handed to the file
};

// Reads a whole file as bytes (engine path). Throws as TextReader does.
std::string ReadWholeFile(std::string_view enginePath);

}  // namespace tarnel
