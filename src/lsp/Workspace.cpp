#include "lsp/Workspace.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "analysis/Analysis.h"
#include "analysis/AnalysisContext.h"
#include "analysis/ModuleUpdate.h"
#include "analysis/PreciseModel.h"
#include "analysis/Symbol.h"
#include "lsp/SourceLines.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/OrderedWork.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "session/ProcedureSearch.h"

namespace tarnel {

namespace {

// Collects the analysis's messages instead of showing them.
class CollectingHost : public SilentHost {
 public:
  explicit CollectingHost(std::vector<std::string>& messages) : messages_(messages) {}
  void ShowMessage(const std::string& text) override { messages_.push_back(Cp932ToUtf8(text)); }

 private:
  std::vector<std::string>& messages_;
};

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

bool HasProjectExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  return SameWord(ext, ".vbp");
}

// Whether a procedure gets a diagnostic: nullopt for none, false when it is unused (nothing calls
// it), true when it is only unreachable (its callers are never reached from an entry point).
std::optional<bool> UnusedMarkOf(const AnalysisContext& ctx, const TPassRec& record) {
  if (!ctx.Result.Precise) return std::nullopt;
  auto found = ctx.Result.Precise->Marks.find(record.Key);
  if (found == ctx.Result.Precise->Marks.end()) return std::nullopt;
  if (found->second.Unused) return false;
  if (found->second.Unreachable) return true;
  return std::nullopt;
}

// A file that cannot be read (gone since the analysis, or too large) shows as empty.
std::string ReadFileBytes(const std::string& path) {
  try {
    return ReadWholeNativeFile(path);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

namespace {

// CanonicalPath for the many files of a project, which lie in few folders: each folder is made
// canonical once, and a file that is no symbolic link keeps its name after it.
class CanonicalPaths {
 public:
  std::string Of(const std::string& path) {
    const std::filesystem::path file(path);
    const std::filesystem::path name = file.filename();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(file, error);
    if (!file.is_absolute() || name.empty() || name == "." || name == ".." ||
        (error && status.type() != std::filesystem::file_type::not_found) ||
        std::filesystem::is_symlink(status)) {
      return CanonicalPath(path);
    }
    auto [folder, added] = folders_.try_emplace(file.parent_path().string());
    if (added) folder->second = CanonicalPath(folder->first);
    return (std::filesystem::path(folder->second) / name).string();
  }

 private:
  std::unordered_map<std::string, std::string> folders_;
};

}  // namespace

struct Workspace::Module {
  std::string Key;
  std::string Name;  // UTF-8
  std::string EnginePath;
  std::string Path;                         // canonical native
  std::vector<const TPassRec*> Procedures;  // by declaration line
  std::size_t Model = SIZE_MAX;             // its place in the precise reading's model
};

struct Workspace::Project {
  explicit Project(std::vector<std::string>& messages) : Host(messages) {}
  std::string Path;
  CollectingHost Host;
  std::unique_ptr<AnalysisContext> Ctx;
  // Reads one changed module again instead of the project; null after a classic analysis.
  std::unique_ptr<ModuleUpdater> Updater;
  std::vector<Module> Modules;
  std::unordered_map<std::string, std::size_t> ModuleByPath;
  std::unordered_map<std::string, std::size_t> ModuleByKey;
  // The search over its procedures' names, made at the first search after the project changed:
  // each keystroke of a workspace symbol search asks it.
  mutable std::unique_ptr<ProcedureSearch> Searching;

  std::string Utf8(const std::string& engineText) const {
    return Ctx->Result.Decoder.KeepsBytes() ? Cp932ToUtf8(engineText) : engineText;
  }
  const Module* ModuleOfRecord(const TPassRec& record) const {
    auto found = ModuleByKey.find(record.ParentKey);
    return found == ModuleByKey.end() ? nullptr : &Modules[found->second];
  }
  // The precise reading's declaration of a procedure, which its updater's index finds by number.
  const ProcedureDecl* DeclOf(const TPassRec& record) const {
    return Updater ? Updater->DeclOf(record) : nullptr;
  }
  // Declaration and end line (from 1) of a procedure.
  std::pair<int, int> Lines(const TPassRec& record) const {
    if (const ProcedureDecl* decl = DeclOf(record)) {
      const int end = decl->EndLine > 0 ? decl->EndLine : record.StartLine + record.BodyLines;
      return {record.StartLine, end};
    }
    const bool hasBody = record.Kind != KindDeclareSub && record.Kind != KindDeclareFunction &&
                         record.Kind != KindEvent;
    return {record.StartLine, record.StartLine + record.BodyLines + (hasBody ? 1 : 0)};
  }
  const TPassRec* Record(const std::string& key) const {
    return Ctx ? Ctx->Result.SymbolList.TryFind(key) : nullptr;
  }
};

Workspace::Workspace(Options options) : options_(std::move(options)) {}
Workspace::~Workspace() = default;

void Workspace::AddFolders(const std::vector<std::string>& folders) {
  std::set<std::string> known;
  for (const auto& project : projects_) known.insert(project->Path);
  for (const std::string& folder : folders) {
    std::error_code error;
    std::vector<std::string> found;
    for (std::filesystem::recursive_directory_iterator
             it(folder, std::filesystem::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
      if (it->is_regular_file(error) && HasProjectExtension(it->path())) {
        found.push_back(CanonicalPath(it->path().string()));
      }
    }
    std::sort(found.begin(), found.end());
    for (const std::string& path : found) {
      if (!known.insert(path).second) continue;
      auto project = std::make_unique<Project>(messages_);
      project->Path = path;
      projects_.push_back(std::move(project));
      Analyse(*projects_.back());
    }
  }
}

std::vector<std::string> Workspace::ProjectFiles() const {
  std::vector<std::string> paths;
  for (const auto& project : projects_) paths.push_back(project->Path);
  return paths;
}

std::vector<std::string> Workspace::TakeMessages() { return std::exchange(messages_, {}); }

std::vector<std::string> Workspace::ModuleFiles() const {
  std::set<std::string> seen;
  std::vector<std::string> paths;
  for (const auto& project : projects_) {
    for (const Module& module : project->Modules) {
      if (seen.insert(module.Path).second) paths.push_back(module.Path);
    }
  }
  return paths;
}

const Workspace::Module* Workspace::ModuleOf(const Project& project,
                                             const std::string& path) const {
  auto found = project.ModuleByPath.find(path);
  return found == project.ModuleByPath.end() ? nullptr : &project.Modules[found->second];
}

namespace {

// The lines of a module's file as its analysis decoded them: the editor's text, else the file's.
// Reads nothing that changes meanwhile, so that several threads can read files at once.
std::shared_ptr<SourceLines> ReadLines(const std::map<std::string, std::string>& open,
                                       const AnalysisContext& ctx, const std::string& enginePath,
                                       const std::string& path) {
  std::string text;
  auto held = open.find(path);
  if (held != open.end()) {
    text = held->second;
  } else {
    const std::string bytes = ReadFileBytes(path);
    text = DecodeToUtf8(bytes, ctx.Result.Decoder.EncodingOf(enginePath, bytes));
  }
  return std::make_shared<SourceLines>(std::move(text));
}

// The same from the cache, or read and, when keep, put in it.
std::shared_ptr<SourceLines> LinesOf(std::map<std::string, std::shared_ptr<SourceLines>>& cache,
                                     const std::map<std::string, std::string>& open,
                                     const AnalysisContext& ctx, const std::string& enginePath,
                                     const std::string& path, bool keep = true) {
  auto cached = cache.find(path);
  if (cached != cache.end()) return cached->second;
  auto lines = ReadLines(open, ctx, enginePath, path);
  if (keep) cache[path] = lines;
  return lines;
}

SourceRange WordRange(std::string_view line, int lineIndex, std::size_t first, std::size_t last) {
  return {{lineIndex, SourceLines::Utf16Column(line, first)},
          {lineIndex, SourceLines::Utf16Column(line, last)}};
}

// The line without its indentation, for a call that names no word of the line.
SourceRange TrimmedLineRange(std::string_view line, int lineIndex) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) first = line.size();
  return WordRange(line, lineIndex, first, line.size());
}

}  // namespace

void Workspace::KeepLinesOf(const Project& project,
                            const std::vector<const TPassRec*>& records) const {
  std::vector<ModuleOfProject> missing;
  std::set<const Module*> seen;
  for (const TPassRec* record : records) {
    const Module* module = project.ModuleOfRecord(*record);
    if (module && !lines_.count(module->Path) && seen.insert(module).second) {
      missing.push_back({&project, module});
    }
  }
  std::vector<std::shared_ptr<SourceLines>> read = ReadLinesOf(missing);
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (read[i]) lines_[missing[i].Where->Path] = std::move(read[i]);
  }
}

std::vector<std::shared_ptr<SourceLines>> Workspace::ReadLinesOf(
    const std::vector<ModuleOfProject>& modules) const {
  std::vector<std::shared_ptr<SourceLines>> read(modules.size());
  if (modules.size() < 2) return read;  // read where they are asked for
  OrderedWork<std::shared_ptr<SourceLines>> reads(
      modules.size(), [&](std::size_t index, std::shared_ptr<SourceLines>& lines, unsigned) {
        const auto [project, module] = modules[index];
        // A read that fails here, as memory runs out, is made again where the lines are asked
        // for, on the thread that can answer for it.
        try {
          lines = ReadLines(openTexts_, *project->Ctx, module->EnginePath, module->Path);
        } catch (...) {
          lines = nullptr;
        }
      });
  reads.Start(kReadingThreads);
  for (std::size_t i = 0; i < modules.size(); ++i) read[i] = std::move(reads.Take(i));
  return read;
}

ProcedureItem Workspace::Item(int projectIndex, const void* recordPointer,
                              const SourceLines* moduleLines) const {
  const Project& project = *projects_[static_cast<std::size_t>(projectIndex)];
  const auto& record = *static_cast<const TPassRec*>(recordPointer);
  ProcedureItem item;
  item.Project = projectIndex;
  item.Key = record.Key;
  item.Name = project.Utf8(record.Name);
  item.Declaration = project.Utf8(record.Text);
  item.Kind = record.Kind;
  item.Callers = static_cast<int>(record.CalledBy.size());
  item.Callees = static_cast<int>(record.Calls.size());
  const Module* module = project.ModuleOfRecord(record);
  if (!module) return item;
  item.Module = module->Name;
  item.Path = module->Path;
  std::shared_ptr<SourceLines> kept;
  if (moduleLines == nullptr) {
    kept = LinesOf(lines_, openTexts_, *project.Ctx, module->EnginePath, module->Path);
    moduleLines = kept.get();
  }
  const auto [start, end] = project.Lines(record);
  const std::string_view first = moduleLines->Line(start - 1);
  const std::string_view last = moduleLines->Line(end - 1);
  item.Range = {{start - 1, 0}, {end - 1, SourceLines::Utf16Column(last, last.size())}};
  std::vector<std::size_t> at = FindWord(first, item.Name);
  item.SelectionRange = at.empty() ? TrimmedLineRange(first, start - 1)
                                   : WordRange(first, start - 1, at[0], at[0] + item.Name.size());
  return item;
}

std::vector<ProcedureItem> Workspace::ProceduresIn(const std::string& path) const {
  std::vector<ProcedureItem> items;
  std::set<std::pair<int, std::string>> seen;  // declaration line and name
  for (std::size_t p = 0; p < projects_.size(); ++p) {
    const Module* module = ModuleOf(*projects_[p], path);
    if (!module) continue;
    for (const TPassRec* record : module->Procedures) {
      ProcedureItem item = Item(static_cast<int>(p), record);
      if (seen.emplace(item.Range.Start.Line, item.Name).second) items.push_back(std::move(item));
    }
  }
  return items;
}

std::optional<ProcedureItem> Workspace::Find(int project, const std::string& key) const {
  if (project < 0 || project >= static_cast<int>(projects_.size())) return std::nullopt;
  const TPassRec* record = projects_[static_cast<std::size_t>(project)]->Record(key);
  if (!record || !IsProcedureKind(record->Kind)) return std::nullopt;
  return Item(project, record);
}

std::vector<ProcedureItem> Workspace::DefinitionAt(const std::string& path,
                                                   SourcePosition position) const {
  std::vector<ProcedureItem> found;
  std::set<std::pair<std::string, int>> seen;
  auto add = [&](int project, const TPassRec* record) {
    ProcedureItem item = Item(project, record);
    if (seen.emplace(item.Path, item.Range.Start.Line).second) found.push_back(std::move(item));
  };
  for (std::size_t p = 0; p < projects_.size(); ++p) {
    const Project& project = *projects_[p];
    const Module* module = ModuleOf(project, path);
    if (!module) continue;
    auto lines = LinesOf(lines_, openTexts_, *project.Ctx, module->EnginePath, module->Path);
    const std::string_view line = lines->Line(position.Line);
    const auto [first, last] = WordAt(line, SourceLines::ByteOffset(line, position.Column));
    if (first == last) continue;
    const std::string_view word = line.substr(first, last - first);
    const int lineNumber = position.Line + 1;

    const TPassRec* around = nullptr;
    for (const TPassRec* record : module->Procedures) {
      const auto [start, end] = project.Lines(*record);
      if (start <= lineNumber && lineNumber <= end) around = record;
    }
    // The name of a declaration is its own definition.
    if (around && around->StartLine == lineNumber && SameWord(project.Utf8(around->Name), word)) {
      add(static_cast<int>(p), around);
      continue;
    }
    if (project.Ctx->Result.Precise) {
      if (!around) continue;
      auto sites = project.Ctx->Result.Precise->CallSites.find(around->Key);
      if (sites == project.Ctx->Result.Precise->CallSites.end()) continue;
      for (const CallSite& site : sites->second) {
        if (site.Line == lineNumber && site.Callee &&
            SameWord(project.Utf8(site.Callee->Name), word)) {
          add(static_cast<int>(p), site.Callee);
        }
      }
      continue;
    }
    // Without resolved calls: the procedures of that name, those of the same module first.
    std::vector<const TPassRec*> sameModule, others;
    const SymbolList& list = project.Ctx->Result.SymbolList;
    for (int i = 0; i < list.Count(); ++i) {
      const TPassRec& record = list.At(i);
      if (!IsProcedureKind(record.Kind) || !SameWord(project.Utf8(record.Name), word)) continue;
      (record.ParentKey == module->Key ? sameModule : others).push_back(&record);
    }
    for (const TPassRec* record : sameModule) add(static_cast<int>(p), record);
    if (sameModule.empty()) {
      for (const TPassRec* record : others) add(static_cast<int>(p), record);
    }
  }
  return found;
}

std::vector<ProcedureItem> Workspace::ProceduresAt(const std::string& path,
                                                   SourcePosition position) const {
  std::vector<ProcedureItem> found = DefinitionAt(path, position);
  if (!found.empty()) return found;
  for (const ProcedureItem& item : ProceduresIn(path)) {
    if (item.Range.Start.Line <= position.Line && position.Line <= item.Range.End.Line) {
      found = {item};  // the innermost: the last that starts before
    }
  }
  return found;
}

std::vector<SourceRange> Workspace::SiteRanges(const Project& project, const void* callerPointer,
                                               const void* calleePointer) const {
  const auto& caller = *static_cast<const TPassRec*>(callerPointer);
  const auto& callee = *static_cast<const TPassRec*>(calleePointer);
  std::vector<SourceRange> ranges;
  const Module* module = project.ModuleOfRecord(caller);
  if (!module) return ranges;
  auto lines = LinesOf(lines_, openTexts_, *project.Ctx, module->EnginePath, module->Path);
  const std::string name = project.Utf8(callee.Name);
  auto wordsOn = [&](int lineNumber, std::size_t count) {
    const std::string_view line = lines->Line(lineNumber - 1);
    std::vector<std::size_t> at = FindWord(line, name);
    if (at.empty()) {
      ranges.push_back(TrimmedLineRange(line, lineNumber - 1));
      return;
    }
    for (std::size_t k = 0; k < std::min(count, at.size()); ++k) {
      ranges.push_back(WordRange(line, lineNumber - 1, at[k], at[k] + name.size()));
    }
  };
  if (project.Ctx->Result.Precise) {
    auto sites = project.Ctx->Result.Precise->CallSites.find(caller.Key);
    if (sites == project.Ctx->Result.Precise->CallSites.end()) return ranges;
    // Calls of the callee counted line by line, in source order.
    std::vector<std::pair<int, std::size_t>> perLine;
    for (const CallSite& site : sites->second) {
      if (site.Callee != &callee) continue;
      if (!perLine.empty() && perLine.back().first == site.Line) {
        ++perLine.back().second;
      } else {
        perLine.emplace_back(site.Line, 1);
      }
    }
    for (const auto& [line, count] : perLine) wordsOn(line, count);
    return ranges;
  }
  const auto [start, end] = project.Lines(caller);
  for (int line = start + 1; line <= end; ++line) {
    if (!FindWord(lines->Line(line - 1), name).empty()) wordsOn(line, SIZE_MAX);
  }
  return ranges;
}

namespace {

// The same declaration in every project that lists its module.
template <class Projects, class Visit>
void ForEachTwin(const Projects& projects, const ProcedureItem& procedure, Visit visit) {
  for (std::size_t p = 0; p < projects.size(); ++p) {
    const auto& project = *projects[p];
    auto module = project.ModuleByPath.find(procedure.Path);
    if (module == project.ModuleByPath.end()) continue;
    for (const TPassRec* record : project.Modules[module->second].Procedures) {
      if (record->StartLine == procedure.Range.Start.Line + 1 &&
          SameWord(project.Utf8(record->Name), procedure.Name)) {
        visit(static_cast<int>(p), project, *record);
      }
    }
  }
}

// The records of keys in a project, where they are there.
template <class Project, class Keys>
std::vector<const TPassRec*> RecordsOf(const Project& project, const Keys& keys) {
  std::vector<const TPassRec*> records;
  records.reserve(keys.size());
  for (const std::string key : keys) {
    if (const TPassRec* record = project.Record(key)) records.push_back(record);
  }
  return records;
}

// Call items, one per procedure (its file and declaration line) across projects, with the
// ranges of its calls each once. A procedure called from ten thousand places gets as many items,
// so each is found by its place rather than by a look at every item before it.
class CallItems {
 public:
  void Add(CallItem item) {
    const ProcedureItem& procedure = item.Procedure;
    auto [at, added] = places_.try_emplace(
        {procedure.Path, procedure.Range.Start.Line, procedure.Range.Start.Column}, items_.size());
    if (added) {
      items_.push_back(std::move(item));
      return;
    }
    std::vector<SourceRange>& known = items_[at->second].FromRanges;
    for (const SourceRange& range : item.FromRanges) {
      if (std::find(known.begin(), known.end(), range) == known.end()) known.push_back(range);
    }
  }
  std::vector<CallItem> Take() { return std::move(items_); }

 private:
  std::map<std::tuple<std::string, int, int>, std::size_t> places_;
  std::vector<CallItem> items_;
};

}  // namespace

std::vector<CallItem> Workspace::Incoming(const ProcedureItem& procedure) const {
  CallItems items;
  ForEachTwin(projects_, procedure, [&](int p, const Project& project, const TPassRec& record) {
    const std::vector<const TPassRec*> callers = RecordsOf(project, record.CalledBy);
    KeepLinesOf(project, callers);
    for (const TPassRec* caller : callers) {
      items.Add({Item(p, caller), SiteRanges(project, caller, &record)});
    }
  });
  return items.Take();
}

std::vector<CallItem> Workspace::Outgoing(const ProcedureItem& procedure) const {
  CallItems items;
  ForEachTwin(projects_, procedure, [&](int p, const Project& project, const TPassRec& record) {
    std::vector<const TPassRec*> linked = RecordsOf(project, record.Calls);
    linked.push_back(&record);  // its own file holds the calls' places
    KeepLinesOf(project, linked);
    linked.pop_back();
    for (const TPassRec* callee : linked) {
      items.Add({Item(p, callee), SiteRanges(project, &record, callee)});
    }
  });
  return items.Take();
}

std::vector<SourceLocation> Workspace::CallsOf(const ProcedureItem& procedure) const {
  std::vector<SourceLocation> locations;
  for (const CallItem& caller : Incoming(procedure)) {
    for (const SourceRange& range : caller.FromRanges) {
      locations.push_back({caller.Procedure.Path, range});
    }
  }
  return locations;
}

std::vector<ProcedureItem> Workspace::Search(std::string_view text, std::size_t limit) const {
  struct Ranked {
    MatchRank Rank;
    std::size_t Length;
    std::size_t Project;
    std::size_t Order;
    const TPassRec* Record;
  };
  std::vector<Ranked> ranked;
  for (std::size_t p = 0; p < projects_.size(); ++p) {
    const Project& project = *projects_[p];
    if (!project.Ctx) continue;
    const std::string query =
        project.Ctx->Result.Decoder.KeepsBytes() ? Utf8ToCp932(text) : std::string(text);
    if (!project.Searching) {
      project.Searching = std::make_unique<ProcedureSearch>(project.Ctx->Result.SymbolList);
    }
    std::size_t order = 0;
    for (const ProcedureSearch::Match& match : project.Searching->Find(query, limit)) {
      ranked.push_back({match.Rank, match.Record->Name.size(), p, order++, match.Record});
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    return std::tie(a.Rank, a.Length, a.Project, a.Order) <
           std::tie(b.Rank, b.Length, b.Project, b.Order);
  });
  std::vector<ProcedureItem> items;
  std::set<std::pair<std::string, int>> seen;
  for (const Ranked& entry : ranked) {
    if (items.size() >= limit) break;
    ProcedureItem item = Item(static_cast<int>(entry.Project), entry.Record);
    if (seen.emplace(item.Path, item.Range.Start.Line).second) items.push_back(std::move(item));
  }
  return items;
}

const std::vector<UnusedMark>& Workspace::UnusedIn(const std::string& path) const {
  return *UnusedIn(std::span<const std::string>(&path, 1)).front();
}

std::vector<Workspace::UnusedSource> Workspace::MarkSources(const std::string& path) const {
  std::vector<UnusedSource> sources;
  std::set<int> seen;
  for (std::size_t p = 0; p < projects_.size(); ++p) {
    const Project& project = *projects_[p];
    const Module* module = ModuleOf(project, path);
    if (!module) continue;
    for (const TPassRec* record : module->Procedures) {
      std::optional<bool> unreachable = UnusedMarkOf(*project.Ctx, *record);
      if (unreachable && seen.insert(record->StartLine).second) {
        sources.push_back({static_cast<int>(p), record, record->Key, module->Name,
                           record->StartLine, record->BodyLines,
                           static_cast<int>(record->CalledBy.size()),
                           static_cast<int>(record->Calls.size()), *unreachable});
      }
    }
  }
  return sources;
}

std::vector<const std::vector<UnusedMark>*> Workspace::UnusedIn(
    std::span<const std::string> paths) const {
  std::vector<const std::vector<UnusedMark>*> found(paths.size(), nullptr);
  // The items of a module's marks are made again only when what they come from changed (or the
  // file did).
  struct Remade {
    std::size_t At;  // in paths
    std::vector<UnusedSource> Sources;
    ModuleOfProject Place{};  // where the first source stands, when there is one
    std::shared_ptr<SourceLines> Lines{};
  };
  std::vector<Remade> remade;
  for (std::size_t at = 0; at < paths.size(); ++at) {
    std::vector<UnusedSource> sources = MarkSources(paths[at]);
    auto cached = unused_.find(paths[at]);
    if (cached != unused_.end() && cached->second.first == sources) {
      // A procedure added or removed before this module moves its keys on and nothing else.
      for (std::size_t i = 0; i < sources.size(); ++i) {
        cached->second.second[i].Procedure.Key = sources[i].Key;
      }
      cached->second.first = std::move(sources);
      found[at] = &cached->second.second;
      continue;
    }
    Remade& module = remade.emplace_back(Remade{at, std::move(sources)});
    if (!module.Sources.empty()) {
      const Project& project = *projects_[static_cast<std::size_t>(module.Sources[0].Project)];
      module.Place = {&project, ModuleOf(project, paths[at])};
    }
  }
  // The files' lines serve this call alone unless something kept them already: kept for every
  // module's marks, they would hold the text of the whole project. The others are read together.
  std::vector<ModuleOfProject> unread;
  std::vector<Remade*> reading;
  for (Remade& module : remade) {
    if (module.Sources.empty()) continue;
    auto kept = lines_.find(module.Place.Where->Path);
    if (kept != lines_.end()) {
      module.Lines = kept->second;
    } else {
      unread.push_back(module.Place);
      reading.push_back(&module);
    }
  }
  std::vector<std::shared_ptr<SourceLines>> read = ReadLinesOf(unread);
  for (std::size_t i = 0; i < reading.size(); ++i) {
    const auto [project, where] = unread[i];
    reading[i]->Lines = read[i]
                            ? std::move(read[i])
                            : ReadLines(openTexts_, *project->Ctx, where->EnginePath, where->Path);
  }
  for (Remade& module : remade) {
    std::vector<UnusedMark> marks;
    for (const UnusedSource& source : module.Sources) {
      marks.push_back(
          {Item(source.Project, source.Record, module.Lines.get()), source.Unreachable});
    }
    auto& cache = unused_[paths[module.At]];
    cache = {std::move(module.Sources), std::move(marks)};
    found[module.At] = &cache.second;
  }
  return found;
}

void Workspace::Forget(const std::string& path) {
  lines_.erase(path);
  unused_.erase(path);
}

std::string Workspace::TextOf(const std::string& path) const {
  auto held = openTexts_.find(path);
  if (held != openTexts_.end()) return held->second;
  for (const auto& project : projects_) {
    if (const Module* module = ModuleOf(*project, path)) {
      const std::string bytes = ReadFileBytes(path);
      return DecodeToUtf8(bytes,
                          project->Ctx->Result.Decoder.EncodingOf(module->EnginePath, bytes));
    }
  }
  return ReadFileBytes(path);
}

bool Workspace::SetOpenText(const std::string& path, std::optional<std::string> utf8) {
  // An editor's text is compared where it is held: a keystroke in a large module copies none.
  bool changed = false;
  auto held = openTexts_.find(path);
  if (utf8) {
    changed = held != openTexts_.end() ? *utf8 != held->second : *utf8 != TextOf(path);
    openTexts_[path] = std::move(*utf8);
  } else if (held != openTexts_.end()) {
    const std::string was = std::move(held->second);
    openTexts_.erase(held);
    changed = TextOf(path) != was;
  }
  Forget(path);
  return changed;
}

bool Workspace::Reanalyse(const std::vector<std::string>& paths) {
  bool any = false;
  for (auto& owned : projects_) {
    Project& project = *owned;
    const bool whole = std::find(paths.begin(), paths.end(), project.Path) != paths.end();
    std::vector<std::size_t> changed;  // places in the model
    for (const Module& module : project.Modules) {
      if (std::find(paths.begin(), paths.end(), module.Path) != paths.end()) {
        changed.push_back(module.Model);
      }
    }
    if (!whole && changed.empty()) continue;
    any = true;
    project.Searching.reset();
    bool updated = !whole && project.Updater;
    bool kept = true;  // every record stayed where it was
    std::vector<std::uint32_t> marksChangedIn;
    for (std::size_t model : changed) {
      if (!updated) break;
      updated = project.Updater->Update(*project.Ctx, model);
      kept = kept && project.Updater->KeptRecords();
      const std::vector<std::uint32_t>& marked = project.Updater->MarksChangedIn();
      marksChangedIn.insert(marksChangedIn.end(), marked.begin(), marked.end());
    }
    if (!updated) {
      Analyse(project);
      lastResolved_ = project.Modules.size();
      continue;
    }
    lastResolved_ = project.Updater->LastResolved();
    for (const std::string& path : paths) Forget(path);
    std::vector<char> marked(project.Ctx->Result.Precise->Modules.size(), 0);
    for (std::uint32_t model : marksChangedIn) marked[model] = 1;
    // Only the changed modules' declarations and records are new; every other record stayed
    // where it was (its key may have moved on).
    for (Module& module : project.Modules) {
      const bool read = std::find(changed.begin(), changed.end(), module.Model) != changed.end();
      if (read || (module.Model < marked.size() && marked[module.Model])) {
        marksChanged_.push_back(module.Path);
      }
      if (!read) continue;
      module.Procedures.clear();
      const ModuleModel& model = project.Ctx->Result.Precise->Modules[module.Model];
      for (const ProcedureDecl& decl : model.Procedures) module.Procedures.push_back(decl.Record);
      std::stable_sort(
          module.Procedures.begin(), module.Procedures.end(),
          [](const TPassRec* a, const TPassRec* b) { return a->StartLine < b->StartLine; });
      if (!kept) {
        // The module's own name may have changed with its declarations.
        if (const TPassRec* record = project.Record(module.Key)) {
          module.Name = project.Utf8(record->FullName.empty() ? record->Name : record->FullName);
        }
      }
    }
  }
  for (const std::string& path : paths) {
    if (!HasProjectExtension(path) || !std::filesystem::is_regular_file(path)) continue;
    const bool known = std::any_of(projects_.begin(), projects_.end(),
                                   [&](const auto& project) { return project->Path == path; });
    if (known) continue;
    projects_.push_back(std::make_unique<Project>(messages_));
    projects_.back()->Path = path;
    Analyse(*projects_.back());
    any = true;
  }
  return any;
}

std::optional<std::vector<std::string>> Workspace::TakeMarkChanges() {
  if (std::exchange(allMarksChanged_, false)) {
    marksChanged_.clear();
    return std::nullopt;
  }
  // Each once, in the order the projects found them.
  std::set<std::string> seen;
  std::erase_if(marksChanged_, [&](const std::string& path) { return !seen.insert(path).second; });
  return std::exchange(marksChanged_, {});
}

void Workspace::Analyse(Project& project) {
  allMarksChanged_ = true;
  for (const Module& module : project.Modules) Forget(module.Path);
  project.Updater.reset();
  project.Searching.reset();
  project.Ctx = std::make_unique<AnalysisContext>(project.Host);
  AnalysisContext& ctx = *project.Ctx;
  ctx.Options.Reading = options_.Reading;
  ctx.Options.Encoding = options_.Encoding;
  ctx.Options.KeepForUpdates = true;
  // An open module is read as its editor holds it.
  ctx.Result.Decoder.SetHeldTexts([this](const std::string& native) -> const std::string* {
    if (openTexts_.empty()) return nullptr;
    auto held = openTexts_.find(CanonicalPath(native));
    return held == openTexts_.end() ? nullptr : &held->second;
  });
  bool read = false;
  try {
    if (!options_.Dictionary.empty() && std::filesystem::exists(options_.Dictionary)) {
      LoadReservedWords(ctx.Options, NativeToEngine(options_.Dictionary));
    }
    AnalyzeProject(ctx, NativeToEngine(project.Path));
    read = true;
  } catch (const std::exception& e) {
    messages_.push_back(project.Path + ": " + Cp932ToUtf8(e.what()));
  }
  if (read && ctx.Result.Precise) project.Updater = std::make_unique<ModuleUpdater>(ctx);
  IndexModules(project);
}

void Workspace::IndexModules(Project& project) {
  project.Modules.clear();
  project.ModuleByPath.clear();
  project.ModuleByKey.clear();
  const AnalysisContext& ctx = *project.Ctx;
  std::unordered_map<std::string, std::size_t> models;
  if (ctx.Result.Precise) {
    for (std::size_t m = 0; m < ctx.Result.Precise->Modules.size(); ++m) {
      models[ctx.Result.Precise->Modules[m].Key] = m;
    }
  }
  const SymbolList& list = ctx.Result.SymbolList;
  // The analysis's own resolver went with it; the records' paths still resolve the same way.
  PathResolver paths;
  CanonicalPaths canonical;
  for (int i = 0; i < list.Count(); ++i) {
    const TPassRec& record = list.At(i);
    if (!IsModuleKind(record.Kind)) continue;
    Module module;
    module.Key = record.Key;
    module.Name = project.Utf8(record.FullName.empty() ? record.Name : record.FullName);
    module.EnginePath = record.Text;
    std::optional<std::string> native = paths.Resolve(record.Text);
    module.Path = canonical.Of(native ? *native : EngineToNative(record.Text));
    if (auto model = models.find(record.Key); model != models.end()) module.Model = model->second;
    project.ModuleByKey[module.Key] = project.Modules.size();
    project.ModuleByPath[module.Path] = project.Modules.size();
    project.Modules.push_back(std::move(module));
  }
  for (int i = 0; i < list.Count(); ++i) {
    const TPassRec& record = list.At(i);
    if (!IsProcedureKind(record.Kind)) continue;
    auto module = project.ModuleByKey.find(record.ParentKey);
    if (module != project.ModuleByKey.end()) {
      project.Modules[module->second].Procedures.push_back(&record);
    }
  }
  for (Module& module : project.Modules) {
    std::stable_sort(
        module.Procedures.begin(), module.Procedures.end(),
        [](const TPassRec* a, const TPassRec* b) { return a->StartLine < b->StartLine; });
  }
}

}  // namespace tarnel
