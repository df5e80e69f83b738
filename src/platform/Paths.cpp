#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "platform/ByteText.h"
#include "platform/CodePage.h"

namespace tarnel {

std::string::size_type LastSeparator(std::string_view path) {
  std::string::size_type last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(b)) {
      ++i;  // the trail byte may equal "\" and is never a separator
    } else if (b == '\\' || b == '/' || b == ':') {
      last = i;
    }
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
  for (std::size_t i = start; i < path.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(b)) {
      ++i;
    } else if (b == '.') {
      dot = i;
    }
  }
  if (dot == std::string::npos) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return ext;
}

namespace {

bool Exists(const std::string& native) {
  struct stat st;
  return !native.empty() && ::stat(native.c_str(), &st) == 0;
}

// "\" becomes "/", except where it is the second byte of a double-byte character.
std::string SlashSeparated(std::string_view enginePath) {
  std::string result(enginePath);
  for (std::size_t i = 0; i < result.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(result[i]);
    if (IsLeadByte(b)) {
      ++i;
    } else if (b == '\\') {
      result[i] = '/';
    }
  }
  return result;
}

std::vector<std::string> SplitComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      parts.emplace_back(path.substr(start, i - start));
      start = i + 1;
    } else if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    }
  }
  return parts;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The entry of folder that names component: exactly (as UTF-8 or as raw bytes), or else without
// regard to letter case. Empty when there is none.
std::string MatchComponent(const std::string& folder, const std::string& component) {
  std::string asUtf8 = Cp932ToUtf8(component);
  if (Exists(Join(folder, asUtf8))) return asUtf8;
  if (Exists(Join(folder, component))) return component;

  std::string wanted = FoldCase(component);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (FoldCase(name) == wanted || FoldCase(Utf8ToCp932(name)) == wanted) {
      found = name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    const std::size_t length = b < 0x80         ? 1
                               : (b >> 5) == 6  ? 2
                               : (b >> 4) == 14 ? 3
                               : (b >> 3) == 30 ? 4
                                                : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// A native file name folded as the reading of module references folds it: through code page 932
// where the name has a form there, else its ASCII letters only.
std::string NameFold(const std::string& native) {
  if (RepresentableInCp932(native)) return FoldCase(Utf8ToCp932(native));
  std::string folded = native;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return folded;
}

// Resolves every component but the last when allowMissingLast is set; the last then keeps its
// case-insensitive match if there is one, else its own name.
std::optional<std::string> Resolve(std::string_view enginePath, bool allowMissingLast) {
  if (enginePath.empty()) return std::nullopt;
  std::string slashed = SlashSeparated(enginePath);
  std::string direct = Cp932ToUtf8(slashed);
  if (Exists(direct)) return direct;
  if (Exists(slashed)) return slashed;

  std::vector<std::string> parts = SplitComponents(slashed);
  std::string current = slashed[0] == '/' ? "/" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    bool last = i + 1 == parts.size();
    if (part.empty() || part == ".") {
      if (last && allowMissingLast) return std::nullopt;  // a folder, not a file
      continue;
    }
    if (part == "..") {
      current = Join(current, "..");
      continue;
    }
    std::string match = MatchComponent(current, part);
    if (match.empty()) {
      if (last && allowMissingLast) return Join(current, Cp932ToUtf8(part));
      return std::nullopt;
    }
    current = Join(current, match);
  }
  return current;
}

}  // namespace

std::optional<std::string> ResolvePath(std::string_view enginePath) {
  return Resolve(enginePath, false);
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

std::string ExactNativePath(std::string_view enginePath) {
  // NativeToEngine keeps the bytes of a name that code page 932 cannot hold.
  if (IsValidUtf8(enginePath) && !RepresentableInCp932(enginePath)) return std::string(enginePath);
  return Cp932ToUtf8(enginePath);
}

std::string CaseVariantOf(const std::string& nativePath) {
  if (Exists(nativePath)) return {};
  const std::string::size_type slash = nativePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : nativePath.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
  if (name.empty()) return {};
  const std::string wanted = NameFold(name);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate != name && NameFold(candidate) == wanted) {
      found = candidate;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string EngineToNative(std::string_view enginePath) {
  std::optional<std::string> resolved = Resolve(enginePath, true);
  if (resolved) return *resolved;
  return Cp932ToUtf8(SlashSeparated(enginePath));
}

}  // namespace tarnel
