#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <vector>

#include "platform/ByteText.h"
#include "platform/CodePage.h"

namespace tarnel {

namespace {

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Bytes taken by the character at i: two for a lead byte followed by a trail byte.
std::size_t CharLength(std::string_view s, std::size_t i) {
  if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
      IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    return 2;
  }
  return 1;
}

}  // namespace

std::string::size_type LastSeparator(std::string_view path) {
  std::string::size_type last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    char b = path[i];
    // A trail byte may equal "\" and is never a separator: CharLength steps over it.
    if (b == '\\' || b == '/' || b == ':') last = i;
  }
  return last;
}

std::string FolderOf(std::string_view path) {
  std::string::size_type sep = LastSeparator(path);
  if (sep == std::string::npos) return {};
  std::string folder(path.substr(0, sep));
  if (path[sep] == ':') folder += ':';
  folder += '/';
  return folder;
}

std::string UpperExtension(std::string_view path) {
  std::string::size_type sep = LastSeparator(path);
  std::size_t start = sep == std::string::npos ? 0 : sep + 1;
  std::string::size_type dot = std::string::npos;
  for (std::size_t i = start; i < path.size(); i += CharLength(path, i)) {
    if (path[i] == '.') dot = i;
  }
  if (dot == std::string::npos) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return ext;
}

namespace {

// Longer native paths cannot name a file here: the system refuses them.
constexpr std::size_t kPathMax = PATH_MAX;

// With file given, also whether what is there is a plain file.
bool Exists(const std::string& native, bool* file = nullptr) {
  struct stat st;
  if (native.empty() || native.size() >= kPathMax || ::stat(native.c_str(), &st) != 0) {
    return false;
  }
  if (file != nullptr) *file = S_ISREG(st.st_mode);
  return true;
}

// "\" becomes "/", except where it is the second byte of a double-byte character.
std::string SlashSeparated(std::string_view enginePath) {
  std::string result(enginePath);
  for (std::size_t i = 0; i < result.size(); i += CharLength(result, i)) {
    if (result[i] == '\\') result[i] = '/';
  }
  return result;
}

using Listings = std::unordered_map<std::string, std::unordered_map<std::string, std::string>>;

// Every entry of folder by its folded name, as UTF-8 and as code page 932; the first entry in
// listing order wins a fold that several share. Exact names are there too, behind a zero byte
// that no name holds.
const std::unordered_map<std::string, std::string>& ListingOf(const std::string& folder,
                                                              Listings& listings) {
  auto [it, added] = listings.try_emplace(folder);
  if (!added) return it->second;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return it->second;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    it->second.try_emplace(std::string(1, '\0') + name, name);
    it->second.try_emplace(FoldCase(name), name);
    it->second.try_emplace(FoldCase(Utf8ToCp932(name)), name);
  }
  ::closedir(dir);
  return it->second;
}

// Appends to current the entry that names component: exactly (as UTF-8 or as raw bytes), or else
// without regard to letter case. False, with current unchanged, when there is none. A folder
// listed before answers from its listing, without asking the system for names that are not there.
bool AppendMatch(std::string& current, std::string_view component, Listings& listings) {
  const std::size_t folderLength = current.size();
  const bool needsSlash = !current.empty() && current.back() != '/';
  auto tryName = [&](std::string_view name) {
    current.resize(folderLength);
    if (needsSlash) current += '/';
    current.append(name);
    if (Exists(current)) return true;
    current.resize(folderLength);
    return false;
  };
  std::string asUtf8 = Cp932ToUtf8(component);
  auto listed = listings.find(current);
  if (listed != listings.end()) {
    for (const std::string& exact : {asUtf8, std::string(component)}) {
      if (listed->second.count(std::string(1, '\0') + exact) > 0) return tryName(exact);
    }
  } else if (tryName(asUtf8) || (asUtf8 != component && tryName(component))) {
    return true;
  }
  if (folderLength >= kPathMax) return false;
  const auto& listing = ListingOf(current, listings);
  auto found = listing.find(FoldCase(component));
  return found != listing.end() && tryName(found->second);
}

bool IsSymlink(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Takes the last folder off current when it is a real folder, not a link or "..": then "x/.."
// is where x was entered. False when it cannot be taken back.
bool TakeBackLastFolder(std::string& current) {
  std::size_t end = current.size();
  while (end > 1 && current[end - 1] == '/') --end;
  std::size_t slash = current.rfind('/', end - 1);
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (end == 0 || start >= end) return false;
  std::string_view last(current.data() + start, end - start);
  if (last == ".." || last == ".") return false;
  struct stat st;
  if (::lstat(current.substr(0, end).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  current.resize(start);
  return true;
}

// Resolves the components of relative (engine text, "\" already mapped) under current. Every
// component but the last must be there when allowMissingLast is set; the last then keeps its
// case-insensitive match if there is one, else its own name. "x/.." of a real folder x is taken
// back at once, so that the path stays as short as the folder it names.
std::optional<std::string> ResolveUnder(std::string current, std::string_view relative,
                                        bool allowMissingLast, Listings& listings) {
  struct Step {
    std::size_t FolderLength;
    bool TakesBack;  // a real folder, not a link: ".." returns to where it was entered
  };
  std::vector<Step> steps;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = start;
    while (end < relative.size() && relative[end] != '/' && relative[end] != '\\') {
      end += CharLength(relative, end);
    }
    std::string_view part = relative.substr(start, end - start);
    const bool last = end >= relative.size();
    start = end + 1;
    if (part.empty() || part == ".") {
      if (last && allowMissingLast) return std::nullopt;  // a folder, not a file
      continue;
    }
    if (part == "..") {
      if (!steps.empty() && steps.back().TakesBack) {
        current.resize(steps.back().FolderLength);
        steps.pop_back();
      } else if (steps.empty() && TakeBackLastFolder(current)) {
        // A folder of the starting point, such as the project's own.
      } else if (current != "/") {  // above the root is the root
        steps.push_back({current.size(), false});
        if (!current.empty() && current.back() != '/') current += '/';
        current += "..";
      }
    } else {
      const std::size_t folderLength = current.size();
      if (!AppendMatch(current, part, listings)) {
        if (!(last && allowMissingLast)) return std::nullopt;
        if (!current.empty() && current.back() != '/') current += '/';
        current += Cp932ToUtf8(part);
        return current;
      }
      steps.push_back({folderLength, !IsSymlink(current)});
    }
    if (current.size() >= kPathMax) return std::nullopt;
  }
  return current;
}

// Where a path starts to be resolved: under the native base when it begins with the engine
// base, else as it stands.
struct ResolveStart {
  std::string Current;
  std::string_view Rest;
};

ResolveStart StartOf(std::string_view enginePath, std::string_view engineBase,
                     const std::string& nativeBase) {
  ResolveStart start{{}, enginePath};
  if (!engineBase.empty() && enginePath.substr(0, engineBase.size()) == engineBase) {
    start.Current = nativeBase;
    start.Rest.remove_prefix(engineBase.size());
  }
  return start;
}

// The path as given, or with "\\" mapped, when something is there by that name. Needs no folder
// listing, so it touches nothing shared. With file given, also whether that is a plain file.
std::optional<std::string> ResolveDirectly(std::string_view enginePath, const ResolveStart& start,
                                           bool* file = nullptr) {
  // The path exactly as given first: on this system "\\" and ":" may be part of a name. A text
  // too long to name a file is not converted: its UTF-8 form is no shorter.
  if (enginePath.size() < kPathMax) {
    std::string exact = Cp932ToUtf8(enginePath);
    if (Exists(exact, file)) return exact;
    if (exact != enginePath && Exists(std::string(enginePath), file)) {
      return std::string(enginePath);
    }
  }
  if (start.Current.size() + start.Rest.size() < kPathMax) {
    // With "\\" mapped; the same text again as given was tried above.
    std::string slashed = SlashSeparated(start.Rest);
    std::string asUtf8 = start.Current + Cp932ToUtf8(slashed);
    if (asUtf8 != Cp932ToUtf8(enginePath) && Exists(asUtf8, file)) return asUtf8;
    std::string raw = start.Current + slashed;
    if (raw != asUtf8 && raw != enginePath && Exists(raw, file)) return raw;
  }
  return std::nullopt;
}

// The path component by component, each matched case-insensitively in its folder's listing.
std::optional<std::string> ResolveByListing(ResolveStart start, bool allowMissingLast,
                                            Listings& listings) {
  const bool rooted = !start.Rest.empty() && (start.Rest[0] == '/' || start.Rest[0] == '\\');
  if (start.Current.empty() && rooted) start.Current = "/";
  return ResolveUnder(std::move(start.Current), start.Rest, allowMissingLast, listings);
}

std::optional<std::string> Resolve(std::string_view enginePath, bool allowMissingLast,
                                   std::string_view engineBase, const std::string& nativeBase,
                                   Listings& listings) {
  if (enginePath.empty()) return std::nullopt;
  ResolveStart start = StartOf(enginePath, engineBase, nativeBase);
  if (std::optional<std::string> direct = ResolveDirectly(enginePath, start)) return direct;
  return ResolveByListing(std::move(start), allowMissingLast, listings);
}

}  // namespace

std::string NativeFolderOf(std::string_view enginePath) {
  std::string exact = Cp932ToUtf8(enginePath);
  std::string_view given;
  if (Exists(exact)) {
    given = enginePath;
  } else if (Exists(std::string(enginePath))) {
    given = enginePath;
  } else {
    return FolderOf(enginePath);
  }
  // The bytes as given: "/" is never a trail byte, so the last one ends the folder either way.
  std::size_t slash = given.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(given.substr(0, slash + 1));
}

std::optional<std::string> ResolvePath(std::string_view enginePath) {
  Listings listings;
  return Resolve(enginePath, false, {}, {}, listings);
}

bool FileExists(std::string_view enginePath) {
  std::optional<std::string> native = ResolvePath(enginePath);
  struct stat st;
  return native && ::stat(native->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string NativeToEngine(std::string_view nativePath) {
  // A name that code page 932 cannot hold keeps its native bytes; opening tries them as they are.
  if (!RepresentableInCp932(nativePath)) return std::string(nativePath);
  return Utf8ToCp932(nativePath);
}

std::string EngineToNative(std::string_view enginePath) {
  Listings listings;
  std::optional<std::string> resolved = Resolve(enginePath, true, {}, {}, listings);
  if (resolved) return *resolved;
  return Cp932ToUtf8(SlashSeparated(enginePath));
}

std::string ExactNative(std::string_view enginePath) {
  const bool keptNative =
      !IsValidCp932(enginePath) || (IsValidUtf8(enginePath) && !RepresentableInCp932(enginePath));
  return keptNative ? std::string(enginePath) : Cp932ToUtf8(enginePath);
}

std::string CaseVariantOf(const std::string& nativePath) {
  if (Exists(nativePath)) return {};
  const std::string::size_type slash = nativePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : nativePath.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
  if (name.empty()) return {};
  Listings listings;
  const auto& listing = ListingOf(folder, listings);
  for (const std::string& fold : {FoldCase(name), FoldCase(Utf8ToCp932(name))}) {
    auto found = listing.find(fold);
    if (found != listing.end() && found->second != name) return found->second;
  }
  return {};
}

std::string ExecutableFolderOf(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) self = std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", error);
  return self.parent_path().string() + "/";
}

std::optional<FileId> FileIdOf(const std::string& nativePath) {
  struct stat st;
  if (nativePath.empty() || ::stat(nativePath.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

void PathResolver::SetBase(std::string engineFolder, std::string nativeFolder) {
  std::lock_guard<std::mutex> lock(mutex_);
  engineBase_ = std::move(engineFolder);
  nativeBase_ = std::move(nativeFolder);
  resolved_.clear();
}

std::optional<std::string> PathResolver::Resolve(std::string_view enginePath) {
  bool file = false;
  return Resolve(enginePath, file);
}

std::optional<std::string> PathResolver::Resolve(std::string_view enginePath, bool& file) {
  file = false;
  if (enginePath.empty()) return std::nullopt;
  std::unique_lock<std::mutex> lock(mutex_);
  auto found = resolved_.find(enginePath);
  if (found != resolved_.end()) {
    const ResolvedPath& path = found->second;
    file = path.File && std::chrono::steady_clock::now() - path.LookedAt < fileLookLasts_;
    return path.Native;
  }
  ResolveStart start = StartOf(enginePath, engineBase_, nativeBase_);
  // The file system is asked without the lock, so that threads resolving other paths go on;
  // only the folder listings, which the resolver keeps, need it.
  lock.unlock();
  std::optional<std::string> native = ResolveDirectly(enginePath, start, &file);
  lock.lock();
  if (!native) native = ResolveByListing(std::move(start), false, listings_);
  resolved_.emplace(std::string(enginePath),
                    ResolvedPath{native, file, std::chrono::steady_clock::now()});
  return native;
}

bool PathResolver::FileExists(std::string_view enginePath) {
  std::optional<std::string> native = Resolve(enginePath);
  struct stat st;
  return native && ::stat(native->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void PathResolver::ForgetPaths() {
  std::lock_guard<std::mutex> lock(mutex_);
  engineBase_.clear();
  nativeBase_.clear();
  resolved_.clear();
  listings_.clear();
}

void PathResolver::NoteRead(const FileId& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  read_.insert(id);
}

bool PathResolver::WasRead(const std::string& nativePath) const {
  std::optional<FileId> id = FileIdOf(nativePath);
  std::lock_guard<std::mutex> lock(mutex_);
  return id && read_.count(*id) > 0;
}

std::unordered_set<FileId, FileIdHash> PathResolver::TakeReads() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::unordered_set<FileId, FileIdHash> taken;
  taken.swap(read_);
  return taken;
}

}  // namespace tarnel
