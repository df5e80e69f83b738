#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

// Windows-style paths (engine text, code page 932, with "\", "/" and ":") on a POSIX file system.
namespace tarnel {

// Position of the last "\", "/" or ":" in path, skipping double-byte characters whole; npos if
// none. Only a lead byte followed by a trail byte makes a double-byte character, so "/" and ":"
// are separators in any bytes, native names that are not code page 932 included.
std::string::size_type LastSeparator(std::string_view path);

// The folder of path followed by "/": the text before its last separator. Empty when the path has
// no folder part, so that relative names stay relative to the current folder. "/x.vbp" gives "/".
std::string FolderOf(std::string_view path);

// The extension (from the last "." after the last separator) with a to z upper-cased; empty when
// there is none.
std::string UpperExtension(std::string_view path);

// The folder of a project path as the file system names it: when the path names a file exactly as
// given, the text up to its last "/", so that "\" and ":" in native names stay part of the name;
// otherwise FolderOf.
std::string NativeFolderOf(std::string_view enginePath);

// The file that an engine path names on this file system: the path exactly as given when that
// exists; else "\" mapped to "/", and where that does not exist each component matched without
// regard to letter case, against names stored either as UTF-8 or as raw code page 932 bytes.
// Nullopt when nothing matches. Time and memory grow linearly with the path.
std::optional<std::string> ResolvePath(std::string_view enginePath);

// True when ResolvePath finds something there that is not a folder. A module reference that names
// a folder (an empty one names the project's own) is a missing file, not a failure to read one.
bool FileExists(std::string_view enginePath);

// The name of an entry in the folder of nativePath whose name differs from nativePath's last
// component only in letter case; empty when the exact name exists or no such entry does.
std::string CaseVariantOf(const std::string& nativePath);

// A native (UTF-8) path as engine text, and back. Names that code page 932 cannot hold keep their
// bytes through the private-use mapping of CodePage.h where possible.
std::string NativeToEngine(std::string_view nativePath);
std::string EngineToNative(std::string_view enginePath);

// The native name of an engine path taken exactly: no "\" mapped, no letter case matched. The
// inverse of NativeToEngine, which keeps names that code page 932 cannot hold as native bytes.
std::string ExactNative(std::string_view enginePath);

// The folder of the running executable as the file system names it, ending in "/"; argv0 serves
// where the system cannot tell (it may be null).
std::string ExecutableFolderOf(const char* argv0);

// A file as the system knows it, whatever name reaches it.
struct FileId {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool operator==(const FileId&) const = default;
};
struct FileIdHash {
  std::size_t operator()(const FileId& id) const {
    return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.Inode) * 31 +
                                           static_cast<unsigned long long>(id.Device));
  }
};

// The identity of the file at a native path (links followed); nullopt when nothing is there.
std::optional<FileId> FileIdOf(const std::string& nativePath);

// Resolves the paths of one analysis: each path once, each folder listed once, and remembers
// which files were read, so that no output replaces one of them. Safe to share between threads.
class PathResolver {
 public:
  // How long the resolver's look at a path vouches that a plain file is there (see Resolve): a
  // resolver kept between analyses looks again rather than trust what it saw long before.
  explicit PathResolver(std::chrono::milliseconds fileLookLasts = std::chrono::seconds(5))
      : fileLookLasts_(fileLookLasts) {}
  // Paths that begin with engineFolder resolve their rest under nativeFolder, taken as it is: the
  // project's folder is native, only the references inside the project are engine text.
  void SetBase(std::string engineFolder, std::string nativeFolder);
  std::optional<std::string> Resolve(std::string_view enginePath);
  // The same; file tells whether the resolver found a plain file there when it looked, a moment
  // ago (false also when it cannot tell), so that a reader need not look again before opening it.
  std::optional<std::string> Resolve(std::string_view enginePath, bool& file);
  // True when Resolve finds something there that is not a folder.
  bool FileExists(std::string_view enginePath);
  // Forgets resolved paths and folder listings, which may have changed since, and the base.
  void ForgetPaths();

  void NoteRead(const FileId& id);
  // True when nativePath is, under whatever name, one of the files noted as read.
  bool WasRead(const std::string& nativePath) const;
  // The files noted as read, which the resolver then forgets.
  std::unordered_set<FileId, FileIdHash> TakeReads();

 private:
  mutable std::mutex mutex_;
  std::string engineBase_;
  std::string nativeBase_;
  // Looked up by the text itself: a path of megabytes is not copied to be looked up.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>()(text);
    }
  };
  struct ResolvedPath {
    std::optional<std::string> Native;
    bool File = false;  // a plain file was there when the path was resolved, at LookedAt
    std::chrono::steady_clock::time_point LookedAt;
  };
  std::chrono::milliseconds fileLookLasts_;
  std::unordered_map<std::string, ResolvedPath, TextHash, std::equal_to<>> resolved_;
  // Folder (native) -> folded name -> the first entry in listing order with that fold.
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
  std::unordered_set<FileId, FileIdHash> read_;
};

}  // namespace tarnel
