#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "analysis/AnalysisOptions.h"
#include "platform/SourceText.h"

namespace tarnel {

class SourceLines;
struct TPassRec;

// A place in a file as editors count it: line from 0, column in UTF-16 code units.
struct SourcePosition {
  int Line = 0;
  int Column = 0;
  bool operator==(const SourcePosition&) const = default;
};
struct SourceRange {
  SourcePosition Start, End;
  bool operator==(const SourceRange&) const = default;
};
struct SourceLocation {
  std::string Path;  // native, absolute
  SourceRange Range;
};

// A procedure, property, external procedure or event, with its text in UTF-8.
struct ProcedureItem {
  int Project = 0;  // which project's analysis it comes from
  std::string Key;  // its record's key in that analysis
  std::string Name;
  std::string Module;
  std::string Declaration;  // the declaration line
  std::uint8_t Kind = 0;
  std::string Path;
  SourceRange Range;           // declaration to end line
  SourceRange SelectionRange;  // its name on the declaration line
  int Callers = 0;
  int Callees = 0;
};

// A caller or callee of a procedure with the ranges of the calls, in the caller's file.
struct CallItem {
  ProcedureItem Procedure;
  std::vector<SourceRange> FromRanges;
};

struct UnusedMark {
  ProcedureItem Procedure;
  bool Unreachable = false;  // reachable from no entry point, though something may call it
};

// The projects of an editor's workspace and the engine's answers about them. Each project file
// found has its own analysis; a module that several projects list is answered from each.
class Workspace {
 public:
  struct Options {
    ReadingKind Reading = ReadingKind::Precise;
    SourceEncoding Encoding = SourceEncoding::Auto;
    std::string Dictionary;  // reserved words; none when empty or missing
  };
  explicit Workspace(Options options);
  ~Workspace();

  // Finds the project files (*.vbp) under the folders (native paths) and analyses each.
  void AddFolders(const std::vector<std::string>& folders);
  std::vector<std::string> ProjectFiles() const;
  // The messages of the analyses since the last call, in UTF-8.
  std::vector<std::string> TakeMessages();

  // Every module file of every project (native, absolute, without repeats).
  std::vector<std::string> ModuleFiles() const;
  std::vector<ProcedureItem> ProceduresIn(const std::string& path) const;
  std::optional<ProcedureItem> Find(int project, const std::string& key) const;

  // The procedures that the name under the cursor calls; by name when no call site says.
  std::vector<ProcedureItem> DefinitionAt(const std::string& path, SourcePosition position) const;
  // The procedure the cursor points at: a callee under it, else the declaration around it.
  std::vector<ProcedureItem> ProceduresAt(const std::string& path, SourcePosition position) const;
  // Every call of the procedure, across modules and projects.
  std::vector<SourceLocation> CallsOf(const ProcedureItem& procedure) const;
  std::vector<CallItem> Incoming(const ProcedureItem& procedure) const;
  std::vector<CallItem> Outgoing(const ProcedureItem& procedure) const;
  // Procedures whose name contains text, best first as the quick-open ranks them.
  std::vector<ProcedureItem> Search(std::string_view text, std::size_t limit) const;
  // Unused and unreachable procedures of a module, when the reading marks them: the workspace's
  // own list, good until the next call for the same module or the next change.
  const std::vector<UnusedMark>& UnusedIn(const std::string& path) const;
  // The same for several modules at once, whose files are then read several at a time: each
  // list is good until the next call that names its module, or the next change.
  std::vector<const std::vector<UnusedMark>*> UnusedIn(std::span<const std::string> paths) const;
  // The module files whose unused marks may differ since the last call: after edits that only
  // changed modules were read again for, those modules and the ones whose marks changed with
  // them; nullopt when any module's may (a project read whole, or one found).
  std::optional<std::vector<std::string>> TakeMarkChanges();

  // The text an editor holds for a file (UTF-8), or nullopt to read it from disk again. The
  // analyses read it instead of the file from their next reading on. Returns true when the text
  // that the analyses read changed.
  bool SetOpenText(const std::string& path, std::optional<std::string> utf8);
  // The file's text as the analyses read it (UTF-8): the editor's, else the file's.
  std::string TextOf(const std::string& path) const;
  // Brings every project that holds one of the paths up to date: a changed module is read again
  // alone, with what depends on it, and a changed project file reads its project again; a new
  // project file is added. Returns true when some project changed.
  bool Reanalyse(const std::vector<std::string>& paths);
  // How many modules' bodies the last Reanalyse read again in its last project (all of them
  // when it read the project whole).
  std::size_t LastResolved() const { return lastResolved_; }

 private:
  struct Project;
  struct Module;
  void Analyse(Project& project);
  void IndexModules(Project& project);
  // Drops what is kept of a file's text.
  void Forget(const std::string& path);
  const Module* ModuleOf(const Project& project, const std::string& path) const;
  // lines: the module's, when the caller has them at hand.
  ProcedureItem Item(int project, const void* record, const SourceLines* lines = nullptr) const;
  std::vector<SourceRange> SiteRanges(const Project& project, const void* caller,
                                      const void* callee) const;
  // Reads the files of the records' modules whose lines are not kept yet, several at once, and
  // keeps their lines: a procedure's thousands of callers stand in most of a project's files.
  void KeepLinesOf(const Project& project, const std::vector<const TPassRec*>& records) const;
  struct ModuleOfProject {
    const Project* Owner;
    const Module* Where;
  };
  // The lines of each module's file, read several at once on spare cores; null where a read
  // failed, and for a single module, which is read where it is asked for.
  std::vector<std::shared_ptr<SourceLines>> ReadLinesOf(
      const std::vector<ModuleOfProject>& modules) const;

  // Threads that read files for ReadLinesOf beside the one that asks, at most.
  static constexpr unsigned kReadingThreads = 3;

  Options options_;
  std::vector<std::unique_ptr<Project>> projects_;
  std::map<std::string, std::string> openTexts_;
  // Lines of files, decoded as their analysis decided, kept until a file changes.
  mutable std::map<std::string, std::shared_ptr<SourceLines>> lines_;
  // The diagnostics of a file and what they were made from. Equal sources make equal
  // diagnostics but for the key, which is no part of what an editor is shown.
  struct UnusedSource {
    int Project;
    const void* Record;
    std::string Key, Module;
    int StartLine, BodyLines, Callers, Callees;
    bool Unreachable;
    bool operator==(const UnusedSource& other) const {
      return std::tie(Project, Record, Module, StartLine, BodyLines, Callers, Callees,
                      Unreachable) == std::tie(other.Project, other.Record, other.Module,
                                               other.StartLine, other.BodyLines, other.Callers,
                                               other.Callees, other.Unreachable);
    }
  };
  // By path; looked up for every module after each edit, so hashed rather than ordered.
  mutable std::unordered_map<std::string,
                             std::pair<std::vector<UnusedSource>, std::vector<UnusedMark>>>
      unused_;
  // What a module's marks come from, in every project that lists it.
  std::vector<UnusedSource> MarkSources(const std::string& path) const;
  std::vector<std::string> messages_;
  std::size_t lastResolved_ = 0;
  // What TakeMarkChanges gives next.
  bool allMarksChanged_ = true;
  std::vector<std::string> marksChanged_;
};

// The canonical native form of a path, for comparing files.
std::string CanonicalPath(const std::string& path);

}  // namespace tarnel
