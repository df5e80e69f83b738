#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

constexpr char kCtrlZ = 26;
constexpr std::size_t kWriteChunk = 1 << 16;
// Storage a reader keeps between files; more is given back after a large file. Readers that
// stay with a thread for its life keep this much at most beside the module being read.
constexpr std::size_t kKeptReaderStorage = std::size_t{1} << 20;

// Reads a whole file into the first bytes of content and gives how many; id receives the file's
// identity. content only grows, keeping its size from one file to the next: setting it to each
// file's size would fill it with zeros first, the whole size of every file read.
// With missing given, nothing there or a folder there sets it and reads nothing, instead of
// throwing. knownFile says that a plain file stood there a moment ago (a resolver's look at it),
// which spares looking again before opening.
std::size_t ReadNativeFileInto(const std::string& native, std::string_view enginePath,
                               std::string& content, FileId* id = nullptr, bool* missing = nullptr,
                               bool knownFile = false) {
  // Only plain files: a folder cannot be read as one, a pipe may never deliver and a device may
  // deliver without end, and opening one may do something. Opening without blocking keeps a pipe
  // that took a file's place from holding the open up.
  struct stat st;
  if (!knownFile) {
    const bool there = ::stat(native.c_str(), &st) == 0;
    if (missing != nullptr && (!there || S_ISDIR(st.st_mode))) {
      *missing = true;
      return 0;
    }
    if (!there || !S_ISREG(st.st_mode)) throw FileOpenError(enginePath);
  }
  int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    // Gone since the resolver saw it.
    if (missing != nullptr && errno == ENOENT) {
      *missing = true;
      return 0;
    }
    throw FileOpenError(enginePath);
  }
  const bool statted = ::fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode)) {
    const bool folder = statted && S_ISDIR(st.st_mode);
    ::close(fd);
    if (missing != nullptr && folder) {
      *missing = true;
      return 0;
    }
    throw FileOpenError(enginePath);
  }
  if (id != nullptr) *id = FileId{st.st_dev, st.st_ino};
  // Straight into the string: the size is known, and a file whose size was not known (or that
  // is shorter than it said) is read on to its end, up to the limit.
  std::size_t size = static_cast<std::size_t>(st.st_size);
  if (size > kLargestReadableFile) {
    ::close(fd);
    throw FileOpenError(enginePath);
  }
  if (content.capacity() > kKeptReaderStorage && content.capacity() / 2 > size) {
    std::string().swap(content);
  }
  if (content.size() < size + 1) content.resize(size + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == content.size()) {
      if (content.size() > kLargestReadableFile) {
        ::close(fd);
        throw FileOpenError(enginePath);
      }
      content.resize(content.size() * 2);
    }
    ssize_t n = ::read(fd, content.data() + got, content.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      throw FileOpenError(enginePath);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    // The whole size that the file gave: one more read would only find its end.
    if (got == size) break;
  }
  ::close(fd);
  return got;
}

std::string ReadNativeFile(const std::string& native, std::string_view enginePath) {
  std::string content;
  content.resize(ReadNativeFileInto(native, enginePath, content));
  return content;
}

std::string ResolvedOrThrow(std::string_view enginePath) {
  std::optional<std::string> native = ResolvePath(enginePath);
  if (!native) throw FileNotFoundError();
  return *native;
}

}  // namespace

TextReader::TextReader(std::string_view enginePath) { Open(enginePath); }

void TextReader::Open(std::string_view enginePath) {
  OpenNative(ResolvedOrThrow(enginePath), enginePath, nullptr);
}

void TextReader::Open(std::string_view enginePath, PathResolver& resolver) {
  bool file = false;
  std::optional<std::string> native = resolver.Resolve(enginePath, file);
  if (!native) throw FileNotFoundError();
  OpenNative(*native, enginePath, &resolver, nullptr, file);
}

bool TextReader::OpenIfThere(std::string_view enginePath, PathResolver& resolver) {
  bool file = false;
  std::optional<std::string> native = resolver.Resolve(enginePath, file);
  if (!native) {
    pos_ = end_ = size_ = 0;
    return false;
  }
  bool missing = false;
  OpenNative(*native, enginePath, &resolver, &missing, file);
  return !missing;
}

void TextReader::OpenNative(const std::string& native, std::string_view enginePath,
                            PathResolver* resolver, bool* missing, bool knownFile) {
  pos_ = end_ = size_ = 0;
  endsBlock_ = kNoBlock;
  FileId id;
  size_ = ReadNativeFileInto(native, enginePath, data_, &id, missing, knownFile);
  if (missing != nullptr && *missing) return;
  if (resolver != nullptr) resolver->NoteRead(id);
  EndAtCtrlZ();
}

void TextReader::EndAtCtrlZ() {
  // Only the file's own bytes count: the storage may hold more from a longer file before it.
  const std::size_t eof = Bytes().find(kCtrlZ);
  end_ = eof == std::string_view::npos ? size_ : eof;
  endsBlock_ = kNoBlock;
}

void TextReader::Release() {
  pos_ = end_ = size_ = 0;
  endsBlock_ = kNoBlock;
  // Storage kept keeps its length too: the next file is read over the old bytes, where a cleared
  // string would have to fill the room with zeros again first.
  if (data_.capacity() > kKeptReaderStorage) std::string().swap(data_);
}

TextReader TextReader::FromBytes(std::string content) {
  TextReader reader;
  reader.SetContent(std::move(content));
  return reader;
}

void TextReader::SetContent(std::string content) {
  data_ = std::move(content);
  size_ = data_.size();
  pos_ = 0;
  EndAtCtrlZ();
}

std::string_view TextReader::ReadLineView() {
  if (pos_ >= end_) return {};
  const char* base = data_.data();
  // Most lines end in the block where the line before them ended.
  const std::uint64_t ahead = pos_ / 64 == endsBlock_ ? endsBits_ >> (pos_ % 64) : 0;
  const std::size_t lineEnd =
      ahead != 0 ? pos_ + static_cast<std::size_t>(__builtin_ctzll(ahead)) : NextLineEnd(pos_);
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

std::size_t TextReader::NextLineEnd(std::size_t from) {
  for (;;) {
    const std::size_t block = from / 64;
    if (block != endsBlock_) {
      // Blocks are counted from the first byte: a line that starts in a block ends in it or in
      // the next, so most lines cost a shift and a bit search.
      const std::size_t start = block * 64;
      endsBlock_ = block;
      endsBits_ = LineEndBitsOf(data_.data() + start, std::min<std::size_t>(64, end_ - start));
    }
    const std::uint64_t ahead = endsBits_ >> (from % 64);
    if (ahead != 0) return from + static_cast<std::size_t>(__builtin_ctzll(ahead));
    from = (block + 1) * 64;
    if (from >= end_) return end_;
  }
}

long TextReader::SkipLines(long n) {
  long skipped = 0;
  while (skipped < n && !AtEnd()) {
    ReadLineView();
    ++skipped;
  }
  return skipped;
}

bool TextReader::SkipPastLine(char first, bool (*matches)(std::string_view line), long& lines) {
  lines = 0;
  if (pos_ >= end_) return false;
  const char* base = data_.data();
  // A line ends at an LF, or at a CR that no LF follows (a CR LF ends at its LF), and the next
  // line begins right after. at is where the block's bytes are looked at from; atLineStart tells
  // whether a line begins there.
  std::size_t at = pos_;
  bool atLineStart = true;
  while (at < end_) {
    const std::size_t start = at - at % 64;
    const std::size_t n = std::min<std::size_t>(64, end_ - start);
    const std::uint64_t cr = BitsOfByte(base + start, n, '\r');
    const std::uint64_t lf = BitsOfByte(base + start, n, '\n');
    const bool lfNext = start + 64 < end_ && base[start + 64] == '\n';
    const std::uint64_t lastCr = lfNext ? std::uint64_t{1} << 63 : 0;
    const std::uint64_t ends = lf | (cr & ~(lf >> 1) & ~lastCr);
    const std::uint64_t inText = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    const std::uint64_t fromAt = ~std::uint64_t{0} << (at - start);
    const std::uint64_t starts =
        ((ends << 1) | (atLineStart ? std::uint64_t{1} << (at - start) : 0)) & fromAt & inText;
    for (std::uint64_t candidates = starts & BitsOfByte(base + start, n, first); candidates != 0;
         candidates &= candidates - 1) {
      const auto offset = static_cast<unsigned>(__builtin_ctzll(candidates));
      pos_ = start + offset;
      if (matches(ReadLineView())) {
        const std::uint64_t before = (std::uint64_t{1} << offset) - 1;
        lines += __builtin_popcountll(ends & fromAt & before) + 1;
        return true;
      }
    }
    lines += __builtin_popcountll(ends & fromAt & inText);
    atLineStart = n == 64 && (ends >> 63) != 0;
    at = start + 64;
  }
  // The last line counts as read also without a line end.
  const char last = base[end_ - 1];
  if (last != '\r' && last != '\n') ++lines;
  pos_ = end_;
  return false;
}

WritePath WritePath::FromNative(std::string nativePath) {
  WritePath path;
  path.engine_ = NativeToEngine(nativePath);
  path.native_ = std::move(nativePath);
  return path;
}

namespace {

// Writes all of bytes; false on any failure.
bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A new file beside target, for the whole text before it replaces target.
int CreateTempBeside(const std::string& target, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  std::size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + ".tarnel-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

TextWriter::TextWriter(const WritePath& path) : path_(path.Engine()), target_(path.Native()) {
  // Through a link, the file it names is replaced and the link stays.
  struct stat st;
  if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target_.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  buffer_.resize(kWriteChunk);
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw FileCreateError(path_);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or pipe cannot be replaced, and must not be.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw FileCreateError(path_);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return;
  }
  // A file that could not be opened for writing in place is not replaced either.
  if (exists && ::access(target_.c_str(), W_OK) != 0) throw FileCreateError(path_);
  fd_ = CreateTempBeside(target_, temp_);
  if (fd_ < 0) {
    temp_.clear();
    throw FileCreateError(path_);
  }
  if (exists) {
    // The new file takes the old one's owner and permissions.
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
      // Not ours to give away: the file stays the writer's.
    }
    ::fchmod(fd_, st.st_mode & 07777);
  }
}

TextWriter::~TextWriter() { Discard(); }

void TextWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void TextWriter::WriteLine(std::string_view line) { WriteLine(line, {}); }

void TextWriter::WriteLine(std::string_view head, std::string_view tail) {
  if (fd_ < 0) throw FileWriteError(path_);
  // Most lines fit in the room left and go in with two copies and the line end: report lines
  // come by the hundred thousand.
  const std::size_t need = head.size() + tail.size() + 2;
  if (need > buffer_.size() - used_) {
    Append(head);
    Append(tail);
    Append("\r\n");
    return;
  }
  char* at = buffer_.data() + used_;
  // An empty view may have no bytes to point at, which memcpy must not be given.
  if (!head.empty()) std::memcpy(at, head.data(), head.size());
  if (!tail.empty()) std::memcpy(at + head.size(), tail.data(), tail.size());
  at[need - 2] = '\r';
  at[need - 1] = '\n';
  used_ += need;
}

void TextWriter::Write(std::string_view bytes) {
  if (fd_ < 0) throw FileWriteError(path_);
  Append(bytes);
}

void TextWriter::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  if (bytes.size() > buffer_.size() - used_) {
    Flush();
    // What would fill the buffer on its own goes to the file as it stands.
    if (bytes.size() >= buffer_.size()) {
      WriteOut(bytes);
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
}

void TextWriter::Flush() {
  const std::size_t used = used_;
  used_ = 0;
  WriteOut(std::string_view(buffer_.data(), used));
}

void TextWriter::WriteOut(std::string_view bytes) {
  if (!WriteAll(fd_, bytes.data(), bytes.size())) {
    Discard();
    throw FileWriteError(path_);
  }
}

void TextWriter::Close() {
  if (fd_ < 0) return;
  Flush();
  bool ok = temp_.empty() || ::fsync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  if (ok && !temp_.empty()) {
    ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (ok) {
      temp_.clear();
      // The new name is durable once the folder is.
      std::size_t slash = target_.rfind('/');
      std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
      int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
      }
    }
  }
  if (!ok) {
    Discard();
    throw FileWriteError(path_);
  }
}

std::string ReadWholeFile(std::string_view enginePath) {
  return ReadNativeFile(ResolvedOrThrow(enginePath), enginePath);
}

std::string ReadWholeNativeFile(const std::string& nativePath) {
  return ReadNativeFile(nativePath, NativeToEngine(nativePath));
}

}  // namespace tarnel
