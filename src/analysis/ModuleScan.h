#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/AnalysisRun.h"
#include "analysis/SourceDecoder.h"
#include "platform/OrderedWork.h"
#include "platform/TextFile.h"

namespace tarnel {

// One declaration as the scanner finds it, before it gets its key.
struct DeclaredProcedure {
  std::string Name;
  std::uint8_t Kind = 0;
  const char* Scope = "G";
  std::string Text;
  std::int32_t StartLine = 0;
  std::int32_t BodyLines = 0;
};

// The same as the module reader finds it: its name and then its line follow the previous
// declaration's in the scan's Texts. A module's scan then takes a few blocks of memory, on the
// thread that reads the file, rather than two for each procedure, and the records take their
// own copies on the thread that keeps them.
struct ScannedDeclaration {
  std::size_t NameLength = 0;
  std::size_t TextLength = 0;
  std::uint8_t Kind = 0;
  const char* Scope = "G";
  std::int32_t StartLine = 0;
  std::int32_t BodyLines = 0;
};

// What reading one module file gives.
struct ModuleScan {
  bool Missing = false;      // no file there
  std::exception_ptr Error;  // the file is there but could not be read
  std::string FullName;      // the quoted value of its "Attribute VB_Name" line
  std::vector<ScannedDeclaration> Procedures;
  std::string Texts;      // the procedures' names and lines, in their order
  LineCounters Counters;  // as they stand after the file was read
};

// Calls take(declared, name, text) for each declaration of found in turn, with its name and line
// from texts, where FindDeclarations appended them.
template <typename Take>
void ForEachDeclaration(std::span<const ScannedDeclaration> found, std::string_view texts,
                        Take take) {
  std::size_t at = 0;
  for (const ScannedDeclaration& declared : found) {
    const std::string_view name = texts.substr(at, declared.NameLength);
    at += declared.NameLength;
    const std::string_view text = texts.substr(at, declared.TextLength);
    at += declared.TextLength;
    take(declared, name, text);
  }
}

// Finds the declarations in the rest of file, each with its line range, and appends their names
// and lines to texts. Touches nothing but its arguments.
void FindDeclarations(LineCounters& counters, TextReader& file,
                      std::vector<ScannedDeclaration>& found, std::string& texts);

// Reads a module file: a standard module's name is on its first line, the other kinds' after
// their header. Touches nothing shared but the resolver, so it can run on any thread. A decoder,
// when given, turns the file's text into UTF-8 first.
ModuleScan ScanModuleFile(const std::string& path, bool hasHeader, PathResolver& resolver,
                          const SourceDecoder* decoder = nullptr);
ModuleScan ScanModuleFile(const std::string& path, bool hasHeader);

// The module files of a project, read and scanned ahead on spare cores while the analysis
// enters the records in order.
class ModulePrefetch {
 public:
  struct Module {
    std::string Path;
    bool HasHeader;
  };
  ModulePrefetch(std::vector<Module> modules, unsigned workers, PathResolver& resolver,
                 const SourceDecoder* decoder = nullptr);

  // The scan of path when it is the next module expected; nullopt otherwise, and the caller
  // reads the file itself.
  std::optional<ModuleScan> Take(const std::string& path);

 private:
  std::vector<Module> modules_;
  PathResolver& resolver_;
  const SourceDecoder* decoder_;
  OrderedWork<ModuleScan> work_;
  std::size_t next_ = 0;
};

}  // namespace tarnel
