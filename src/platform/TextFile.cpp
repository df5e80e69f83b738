#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

constexpr char kCtrlZ = 26;
constexpr std::size_t kWriteChunk = 1 << 16;

// Reads a whole file into content, reusing its storage.
void ReadNativeFileInto(const std::string& native, std::string_view enginePath,
                        std::string& content) {
  // Only plain files: a folder cannot be read as one, a pipe may never deliver and a device may
  // deliver without end. Opening without blocking keeps a pipe from holding the open up.
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw FileOpenError(enginePath);
  int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw FileOpenError(enginePath);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileOpenError(enginePath);
  }
  // Straight into the string: the size is known, and a file that grows meanwhile is read on.
  std::size_t size = static_cast<std::size_t>(st.st_size);
  content.resize(size + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == content.size()) content.resize(content.size() * 2);
    ssize_t n = ::read(fd, content.data() + got, content.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      throw FileOpenError(enginePath);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  content.resize(got);
}

std::string ReadNativeFile(const std::string& native, std::string_view enginePath) {
  std::string content;
  ReadNativeFileInto(native, enginePath, content);
  return content;
}

std::string ResolvedOrThrow(std::string_view enginePath) {
  std::optional<std::string> native = ResolvePath(enginePath);
  if (!native) throw FileNotFoundError();
  return *native;
}

// The first CR or LF at or after p, or end.
const char* FindLineEnd(const char* p, const char* end) {
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  while (p < end && *p != '\r' && *p != '\n') ++p;
  return p;
}

}  // namespace

TextReader::TextReader(std::string_view enginePath) { Open(enginePath); }

void TextReader::Open(std::string_view enginePath) {
  pos_ = end_ = 0;
  ReadNativeFileInto(ResolvedOrThrow(enginePath), enginePath, data_);
  std::size_t eof = data_.find(kCtrlZ);
  end_ = eof == std::string::npos ? data_.size() : eof;
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
  std::size_t lineEnd = static_cast<std::size_t>(FindLineEnd(base + pos_, base + end_) - base);
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
  std::string native = ExactNativePath(enginePath);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw FileCreateError(enginePath);
  file_ = std::fopen(native.c_str(), "wb");
  if (file_ == nullptr) throw FileCreateError(enginePath);
  buffer_.reserve(kWriteChunk + 4096);
}

TextWriter::~TextWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextWriter::WriteLine(std::string_view line) {
  if (file_ == nullptr) throw FileWriteError(path_);
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= kWriteChunk) Flush();
}

void TextWriter::Write(std::string_view bytes) {
  if (file_ == nullptr) throw FileWriteError(path_);
  buffer_.append(bytes);
  if (buffer_.size() >= kWriteChunk) Flush();
}

void TextWriter::Flush() {
  // The lines may stay in the file's own buffer until close; a failure shows here or there.
  bool written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
  buffer_.clear();
  if (!written) throw FileWriteError(path_);
}

void TextWriter::Close() {
  if (file_ == nullptr) return;
  bool failed = false;
  try {
    Flush();
  } catch (const FileWriteError&) {
    failed = true;
  }
  failed = std::fflush(file_) != 0 || std::ferror(file_) != 0 || failed;
  failed = (std::fclose(file_) != 0) || failed;
  file_ = nullptr;
  if (failed) throw FileWriteError(path_);
}

std::string ReadWholeFile(std::string_view enginePath) {
  return ReadNativeFile(ResolvedOrThrow(enginePath), enginePath);
}

}  // namespace tarnel
