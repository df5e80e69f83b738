#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/AnalysisHost.h"
#include "platform/TextFile.h"

// Helpers shared by the fuzz targets. A failed property aborts, which libFuzzer reports as a
// crash and saves the input that caused it.
#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "property failed: %s at %s:%d\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

namespace tarnel::fuzz {

// The number of physical lines that the text-file rules find in bytes.
inline long CountPhysicalLines(const std::string& bytes) {
  TextReader reader = TextReader::FromBytes(bytes);
  long count = 0;
  while (!reader.AtEnd()) {
    reader.ReadLineView();
    ++count;
  }
  return count;
}

// Physical line number (from 1) of bytes; empty past the end.
inline std::vector<std::string> PhysicalLines(const std::string& bytes) {
  TextReader reader = TextReader::FromBytes(bytes);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

// One folder for the whole fuzzing process, emptied before every input: creating a folder per
// input would cost more than the analysis itself.
class ScratchFolder {
 public:
  static ScratchFolder& Get() {
    static ScratchFolder folder;
    return folder;
  }

  // Native path, ending in "/".
  const std::string& Path() const { return path_; }

  void Clear() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
      std::filesystem::remove_all(entry.path(), ignored);
    }
  }

  void Write(const std::string& name, std::string_view bytes) const {
    std::error_code ignored;
    if (name.find('/') != std::string::npos) {
      std::filesystem::create_directories(path_ + name.substr(0, name.rfind('/')), ignored);
    }
    // The part before the last "/" is the folder: a name may hold "\\" or ":".
    std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern + "/";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string path_;
};

// The bytes of a native file; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A small project made from one fuzz input: the bytes before the first separator are the project
// file, each later piece is a module file whose first line (up to LF) is its file name.
struct FuzzProject {
  static constexpr std::string_view kSeparator = "\n%%\n";
  static constexpr std::size_t kMaxModules = 6;

  std::string Project;
  std::vector<std::pair<std::string, std::string>> Modules;  // name, content

  static FuzzProject Split(std::string_view input) {
    FuzzProject project;
    std::size_t cut = input.find(kSeparator);
    project.Project = std::string(input.substr(0, cut));
    while (cut != std::string_view::npos && project.Modules.size() < kMaxModules) {
      std::size_t start = cut + kSeparator.size();
      cut = input.find(kSeparator, start);
      std::string_view piece =
          input.substr(start, cut == std::string_view::npos ? cut : cut - start);
      std::size_t nameEnd = piece.find('\n');
      std::string_view name = piece.substr(0, nameEnd);
      std::string_view content =
          nameEnd == std::string_view::npos ? std::string_view() : piece.substr(nameEnd + 1);
      project.Modules.emplace_back(SafeName(name, project.Modules.size()), std::string(content));
    }
    return project;
  }

  // Writes the files into the emptied scratch folder, under subfolder (empty or ending in "/");
  // returns the native project path.
  std::string WriteTo(const ScratchFolder& folder, const std::string& subfolder = {}) const {
    folder.Clear();
    for (const auto& [name, content] : Modules) folder.Write(subfolder + name, content);
    folder.Write(subfolder + "Fuzz.vbp", Project);
    return folder.Path() + subfolder + "Fuzz.vbp";
  }

  // The project may only name files inside the scratch folder: ".." could reach devices such as
  // /dev/zero, which no project on a user's disk names by accident.
  bool StaysInside() const { return Project.find("..") == std::string::npos; }

 private:
  // Letters, digits, "_" and "." only, not starting with "."; anything else becomes a fixed name.
  static std::string SafeName(std::string_view name, std::size_t index) {
    // Letters, digits, "_", "." and code page 932 bytes, and one "/" for a subfolder; no part
    // empty or starting with "."; anything else becomes a fixed name.
    std::string safe;
    for (char c : name) {
      const auto b = static_cast<unsigned char>(c);
      bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                c == '_' || c == '.' || b >= 0x80 ||
                (c == '/' && safe.find('/') == std::string::npos);
      if (ok && safe.size() < 24) safe += c;
    }
    const std::size_t slash = safe.find('/');
    const bool good = !safe.empty() && safe[0] != '.' && safe.rfind("Fuzz.vbp", 0) != 0 &&
                      (slash == std::string::npos ||
                       (slash > 0 && slash + 1 < safe.size() && safe[slash + 1] != '.'));
    return good ? safe : "m" + std::to_string(index) + ".bas";
  }
};

// A physical line's code: cut at the first apostrophe, then trimmed of bytes 0..32.
inline std::string_view CodeOf(std::string_view line) {
  line = line.substr(0, line.find('\''));
  while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) line.remove_prefix(1);
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.remove_suffix(1);
  return line;
}

// The first four bytes, blank-filled, are "End ".
inline bool StartsWithEnd(std::string_view line) {
  std::string head(line.substr(0, 4));
  head.resize(4, ' ');
  return head == "End ";
}

// A host that keeps the messages and counts whether the progress dialog is shown.
class QuietHost : public AnalysisHost {
 public:
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  void BeginProgress() override { ++Shown; }
  void SetProgressRange(int) override {}
  void SetProgress(int, const std::string&, const std::string&) override {}
  void ProcessEvents() override {}
  void EndProgress() override { --Shown; }
  std::vector<std::string> Messages;
  int Shown = 0;
};

}  // namespace tarnel::fuzz
