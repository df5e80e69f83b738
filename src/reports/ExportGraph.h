#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/ResultTree.h"

namespace tarnel {

// The lines at which one procedure calls another, for a reading that records them.
class CallSiteSource {
 public:
  virtual ~CallSiteSource() = default;
  // Appends the physical lines of caller's file at which it calls calleeKey, in source order.
  virtual void AppendLines(const TPassRec& caller, std::string_view calleeKey,
                           std::vector<int>& lines) const = 0;
};

struct ExportModule {
  const TPassRec* Record = nullptr;
  std::string Name;            // UTF-8: the module's own name, or its file reference without one
  std::string Reference;       // UTF-8: the file as the project names it
  std::filesystem::path File;  // absolute, as found on disk; empty when it was not found
  std::vector<int> Procedures;
};

struct ExportProcedure {
  const TPassRec* Record = nullptr;
  int Module = -1;
  std::string Name;         // UTF-8
  std::string FullName;     // UTF-8, "Module.Name"
  std::string Declaration;  // UTF-8
};

struct ExportEdge {
  int Caller = 0;
  int Callee = 0;
  std::vector<int> Lines;  // the call sites, when the reading records them
};

// What every export walks: the modules and procedures of the result tree in its order, with text
// in UTF-8 and files as on disk, and one edge per caller and callee pair.
class ExportGraph {
 public:
  // projectPath is the engine path of the project file; sites may be null. textIsUtf8: the
  // records hold UTF-8 already (read with another encoding than code page 932).
  static ExportGraph Build(const ResultTree& tree, const SymbolList& symbols,
                           std::string_view projectPath, const CallSiteSource* sites = nullptr,
                           bool textIsUtf8 = false);

  const std::string& ProjectName() const { return projectName_; }
  const std::filesystem::path& ProjectFolder() const { return projectFolder_; }
  const std::vector<ExportModule>& Modules() const { return modules_; }
  const std::vector<ExportProcedure>& Procedures() const { return procedures_; }
  const std::vector<ExportEdge>& Edges() const { return edges_; }
  bool HasCallSites() const { return hasCallSites_; }
  // The procedure stored under key, or -1.
  int FindProcedure(std::string_view key) const;

 private:
  std::string projectName_;
  std::filesystem::path projectFolder_;
  std::vector<ExportModule> modules_;
  std::vector<ExportProcedure> procedures_;
  std::vector<ExportEdge> edges_;
  bool hasCallSites_ = false;
  const SymbolList* symbols_ = nullptr;
  // Keys as the records hold them (at most 10 bytes), which is how the call lists name them,
  // kept inline in an open-addressed table: the call lists are looked up once per call.
  struct KeySlot {
    char Key[10];
    std::uint8_t Size = 0;  // 0: empty
    std::int32_t Index = -1;
  };
  std::vector<KeySlot> byKey_;
  // The same for the keys the analysis writes, by the number in them: an array of four bytes a
  // procedure stays in the cache, where the table of key texts, looked up once per call, does not.
  std::vector<int> byNumber_;
  std::unordered_map<const TPassRec*, int> byRecord_;
  void IndexKey(std::string_view key, int index);
  int FindExactKey(std::string_view key) const;
};

// "Sub", "Function", "Property Get"...; "Procedure" for a kind without a word of its own.
std::string_view ProcedureKindWord(int kind);

// file relative to folder with "/" between names; file itself when no relative form exists.
std::string RelativePath(const std::filesystem::path& file, const std::filesystem::path& folder);

// A path made absolute against the current folder, with its links resolved as far as it exists.
std::filesystem::path AbsolutePath(const std::filesystem::path& path);

}  // namespace tarnel
