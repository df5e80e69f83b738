#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/PreciseResolve.h"
#include "platform/Paths.h"

namespace tarnel {

struct AnalysisContext;

// Brings a precise analysis up to date after one module's text changed, without reading the
// whole project again. The module's declarations and bodies are read again; another module's
// bodies only when they use a name whose declaration changed (or every module's, when the
// module's name or its default members changed). Records stay where they are: the module's own
// are matched by name and kind, made or dropped, and the keys after them move on by the change
// in their count. Only the callers read again are linked again, in the order a whole analysis
// links them, so the list, the call sites and the marks come out as a whole analysis makes them.
class ModuleUpdater {
 public:
  // Takes the resolved calls of the precise analysis that ctx holds.
  explicit ModuleUpdater(AnalysisContext& ctx);

  // Reads module (its place in the model) again. False when it cannot be read (gone, or an
  // error): a whole analysis then reports it. ctx must be the context given at construction,
  // changed by nothing but this updater since.
  bool Update(AnalysisContext& ctx, std::size_t module);

  // How many modules' bodies the last update resolved again.
  std::size_t LastResolved() const { return lastResolved_; }
  // True when the last update kept every record and key (only the module's own changed in
  // place); the module's declarations in the model are new all the same. Otherwise the module's
  // records may be new, and keys after them moved, but every other record kept its address.
  bool KeptRecords() const { return keptRecords_; }
  // The modules (places in the model, ascending) where the last update changed some procedure's
  // marks: whether it is used, reached, or named by a string. The module read again is listed
  // only when its own marks changed.
  const std::vector<std::uint32_t>& MarksChangedIn() const { return marksChangedIn_; }
  // The declaration in the model now of the procedure whose record this is; nullptr for a record
  // that is no procedure of the model.
  const ProcedureDecl* DeclOf(const TPassRec& record) const;

 private:
  void NoteMentions(AnalysisContext& ctx);
  using BodiesBefore = std::unordered_map<std::uint32_t, std::vector<ResolvedCall>>;
  // After a change inside the module's bodies: its records stay, only its calls change.
  void Patch(AnalysisContext& ctx, std::uint32_t module, const std::vector<std::uint32_t>& offsets,
             const BodiesBefore& before, bool stringsChanged);
  // After a change of what the module declares: its records are matched, made or dropped, the
  // later keys move by the change in count, and only the callers read again are linked again.
  void Reshape(AnalysisContext& ctx, std::uint32_t module,
               const std::vector<std::uint32_t>& oldOffsets,
               const std::vector<std::uint32_t>& offsets,
               const std::vector<std::uint32_t>& renumber, const std::vector<TPassRec*>& oldRecords,
               const std::vector<std::uint32_t>& resolved, const BodiesBefore& before);
  // Links callers (ascending numbers) again from their bodies' calls and the language's own
  // calls; before holds what a body called before when it was read again. The callers of
  // affected, and of whatever a caller gained or lost, are ordered again. True when some
  // caller's callees changed.
  bool LinkAgain(AnalysisContext& ctx, const std::vector<std::uint32_t>& offsets,
                 const std::vector<std::uint32_t>& callers, const BodiesBefore& before,
                 std::vector<std::uint32_t> affected);
  void KeepMarks(PreciseModel& model);
  void KeepEdges();
  void NameStrings(const ModuleModel& module, int change);
  void MarkAgain(const std::vector<std::uint32_t>& offsets);

  // Per module, per procedure: the calls its body makes, callee by project-wide number.
  std::vector<std::vector<std::vector<ResolvedCall>>> calls_;
  // Per module: the sorted hashes of the folded names its bodies use.
  std::vector<std::vector<std::uint64_t>> mentions_;
  // Per procedure by number: its distinct callees in the order they were linked.
  std::vector<std::vector<std::uint32_t>> callees_;
  std::shared_ptr<ProjectIndex> index_;
  // Finds the module files again; the analysis's own resolver ended with it.
  PathResolver paths_;
  // The calls the language makes (caller, callee), in their order; by number.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> edges_;
  std::unordered_map<std::uint64_t, std::size_t> edgeOrder_;
  // For marking again without reading declarations: each procedure's folded name, record and
  // marks, and how many modules hold each string that may name a procedure.
  std::vector<std::string> folded_;
  std::vector<TPassRec*> records_;
  std::vector<ProcedureMarks*> marks_;
  std::unordered_map<std::string, int> strings_;
  bool mentionsKnown_ = false;
  std::size_t lastResolved_ = 0;
  bool keptRecords_ = false;
  std::vector<std::uint32_t> marksChangedIn_;
};

}  // namespace tarnel
