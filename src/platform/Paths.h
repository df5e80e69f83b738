#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows-style paths (engine text, code page 932, with "\", "/" and ":") on a POSIX file system.
namespace tarnel {

// Position of the last "\", "/" or ":" in path, skipping double-byte characters whole; npos if
// none.
std::string::size_type LastSeparator(std::string_view path);

// The folder of path followed by "/": the text before its last separator. Empty when the path has
// no folder part, so that relative names stay relative to the current folder. "/x.vbp" gives "/".
std::string FolderOf(std::string_view path);

// The extension (from the last "." after the last separator) with a to z upper-cased; empty when
// there is none.
std::string UpperExtension(std::string_view path);

// The file that an engine path names on this file system: "\" mapped to "/", and where the exact
// path does not exist each component matched without regard to letter case, against names stored
// either as UTF-8 or as raw code page 932 bytes. Nullopt when nothing matches.
std::optional<std::string> ResolvePath(std::string_view enginePath);

// True when ResolvePath finds something there that is not a folder. A module reference that names
// a folder (an empty one names the project's own) is a missing file, not a failure to read one.
bool FileExists(std::string_view enginePath);

// The native name of a path to write, exactly as the user gave it: no "\" mapping and no matching
// without regard to letter case, so that a new file never lands on an existing one that merely
// resembles its name. The inverse of NativeToEngine.
std::string ExactNativePath(std::string_view enginePath);

// The name of an entry in the folder of nativePath whose name differs from nativePath's last
// component only in letter case; empty when the exact name exists or no such entry does.
std::string CaseVariantOf(const std::string& nativePath);

// A native (UTF-8) path as engine text, and back. Names that code page 932 cannot hold keep their
// bytes through the private-use mapping of CodePage.h where possible.
std::string NativeToEngine(std::string_view nativePath);
std::string EngineToNative(std::string_view enginePath);

}  // namespace tarnel
