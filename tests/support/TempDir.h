#pragma once

#include <string>
#include <string_view>

namespace tarnel::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Native path of the folder, ending in "/".
  const std::string& Path() const { return path_; }
  // Native path of name inside the folder.
  std::string File(std::string_view name) const { return path_ + std::string(name); }
  // Writes bytes to name (creating subfolders) and returns its native path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // Joins lines with CR LF after each and writes them.
  std::string WriteLines(std::string_view name,
                         std::initializer_list<std::string_view> lines) const;

 private:
  std::string path_;
};

// Reads a whole native file; empty when missing.
std::string ReadNative(const std::string& path);

// The bundled files of the source tree (examples/, data/, tests/data/).
std::string SourcePath(std::string_view relative);

}  // namespace tarnel::test
