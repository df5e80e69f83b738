#include "platform/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

constexpr char kCtrlZ = 26;

std::string ReadNativeFile(const std::string& native, std::string_view enginePath) {
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) throw FileOpenError(enginePath);
  std::FILE* file = std::fopen(native.c_str(), "rb");
  if (file == nullptr) throw FileOpenError(enginePath);
  std::string content;
  if (st.st_size > 0) content.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw FileOpenError(enginePath);
  return content;
}

std::string ResolvedOrThrow(std::string_view enginePath) {
  std::optional<std::string> native = ResolvePath(enginePath);
  if (!native) throw FileNotFoundError();
  return *native;
}

}  // namespace

TextReader::TextReader(std::string_view enginePath) {
  SetContent(ReadNativeFile(ResolvedOrThrow(enginePath), enginePath));
}

TextReader TextReader::FromBytes(std::string content) {
  TextReader reader;
  reader.SetContent(std::move(content));
  return reader;
}

void TextReader::SetContent(std::string content) {
  data_ = std::move(content);
  pos_ = 0;
  std::size_t eof = data_.find(kCtrlZ);
  end_ = eof == std::string::npos ? data_.size() : eof;
}

std::string_view TextReader::ReadLineView() {
  if (pos_ >= end_) return {};
  const char* base = data_.data();
  std::size_t lineEnd = pos_;
  while (lineEnd < end_ && base[lineEnd] != '\r' && base[lineEnd] != '\n') ++lineEnd;
  std::string_view line(base + pos_, lineEnd - pos_);
  pos_ = lineEnd;
  if (pos_ < end_) {
    if (base[pos_] == '\r') {
      ++pos_;
      if (pos_ < end_ && base[pos_] == '\n') ++pos_;
    } else {
      ++pos_;  // a lone LF
    }
  }
  return line;
}

long TextReader::SkipLines(long n) {
  long skipped = 0;
  while (skipped < n && !AtEnd()) {
    ReadLineView();
    ++skipped;
  }
  return skipped;
}

TextWriter::TextWriter(std::string_view enginePath) : path_(enginePath) {
  std::string native = EngineToNative(enginePath);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw FileCreateError(enginePath);
  file_ = std::fopen(native.c_str(), "wb");
  if (file_ == nullptr) throw FileCreateError(enginePath);
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

TextWriter::~TextWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextWriter::WriteLine(std::string_view line) {
  if (file_ == nullptr) throw FileWriteError(path_);
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fwrite("\r\n", 1, 2, file_) != 2) {
    throw FileWriteError(path_);
  }
}

void TextWriter::Close() {
  if (file_ == nullptr) return;
  bool failed = std::fflush(file_) != 0 || std::ferror(file_) != 0;
  failed = (std::fclose(file_) != 0) || failed;
  file_ = nullptr;
  if (failed) throw FileWriteError(path_);
}

std::string ReadWholeFile(std::string_view enginePath) {
  return ReadNativeFile(ResolvedOrThrow(enginePath), enginePath);
}

}  // namespace tarnel
