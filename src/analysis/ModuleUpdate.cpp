#include "analysis/ModuleUpdate.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "analysis/AnalysisContext.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/NamesUsed.h"
#include "analysis/PreciseLink.h"
#include "analysis/PreciseMarks.h"
#include "analysis/TokenTable.h"
#include "platform/ByteText.h"
#include "platform/OrderedWork.h"

namespace tarnel {

namespace {

// Procedure keys ("4-0001") number the procedures from 1 in the order of the model; every key
// after an added procedure moves. The key text is rewritten in place.
void SetProcedureKey(std::string& key, std::uint32_t number) {
  char buffer[ProcedureKey::kMaxText];
  key.assign(ProcedureKey(number + 1).FormatTo(buffer));
}

constexpr std::uint32_t kGone = UINT32_MAX;

// Runs work on a thread of its own, or here when asked to; Join waits for it and passes on what
// it threw.
class Beside {
 public:
  Beside(bool apart, std::function<void()> work) {
    const auto run = [this, work = std::move(work)] {
      try {
        work();
      } catch (...) {
        error_ = std::current_exception();
      }
    };
    if (apart) {
      thread_ = std::thread(run);
    } else {
      run();
    }
  }
  ~Beside() {
    if (thread_.joinable()) thread_.join();
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  std::exception_ptr error_;
  std::thread thread_;
};

// What each module-level name of a module stands for, as text: two modules give the same text
// for a name exactly when the name resolves the same way from any other module.
std::unordered_map<std::string, std::string> ShapesOf(const ModuleModel& module) {
  std::unordered_map<std::string, std::string> shapes;
  for (const VariableDecl& v : module.Variables) {
    std::string& shape = shapes[FoldCase(v.Name)];
    shape += 'v';
    shape += v.Type;
    shape += {v.Scope,
              v.Constant ? 'c' : '-',
              v.New ? 'n' : '-',
              v.WithEvents ? 'w' : '-',
              v.Array ? 'a' : '-',
              '\n'};
  }
  for (const ControlDecl& c : module.Controls) {
    std::string& shape = shapes[FoldCase(c.Name)];
    shape += 'c';
    shape += c.Type;
    shape += {c.IsArray ? 'a' : '-', '\n'};
  }
  for (const ProcedureDecl& p : module.Procedures) {
    std::string& shape = shapes[FoldCase(p.Name)];
    shape += {'p', static_cast<char>('A' + p.Kind)};
    shape += p.Scope;
    shape += p.ReturnType;
    shape += '\n';
  }
  return shapes;
}

std::string Compact(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c != ' ') out += c;
  }
  return out;
}

// The attributes that decide how other modules reach a module's members (predeclared instance,
// default member, enumerator), and the folded names of the members they point at.
std::string TraitsOf(const ModuleModel& module, std::unordered_set<std::string>& members) {
  std::string traits = module.FullName + '\n';
  for (const std::string& name : module.Implements) traits += "implements " + FoldCase(name) + '\n';
  for (const AttributeDecl& a : module.Attributes) {
    const std::string name = FoldCase(a.Name);
    const std::size_t dot = name.find(".vb_usermemid");
    if (name != "vb_predeclaredid" && name != "vb_exposed" && dot == std::string::npos) continue;
    if (dot != std::string::npos) members.insert(name.substr(0, dot));
    traits += name + '=' + Compact(a.Value) + '\n';
  }
  return traits;
}

std::uint32_t ModuleOfNumber(const std::vector<std::uint32_t>& offsets, std::uint32_t number) {
  auto it = std::upper_bound(offsets.begin(), offsets.end(), number);
  return static_cast<std::uint32_t>(it - offsets.begin() - 1);
}

// Where each old procedure of a module stands among its new ones, matched by name, kind and
// order among equals; -1 for one that is gone.
std::vector<int> MatchProcedures(const ModuleModel& before, const ModuleModel& after) {
  std::unordered_map<std::string, std::vector<int>> byName;
  for (std::size_t p = 0; p < after.Procedures.size(); ++p) {
    const ProcedureDecl& decl = after.Procedures[p];
    byName[FoldCase(decl.Name) + static_cast<char>(decl.Kind)].push_back(static_cast<int>(p));
  }
  std::unordered_map<std::string, std::size_t> taken;
  std::vector<int> match(before.Procedures.size(), -1);
  for (std::size_t p = 0; p < before.Procedures.size(); ++p) {
    const ProcedureDecl& decl = before.Procedures[p];
    const std::string name = FoldCase(decl.Name) + static_cast<char>(decl.Kind);
    auto found = byName.find(name);
    if (found == byName.end()) continue;
    std::size_t& next = taken[name];
    if (next < found->second.size()) match[p] = found->second[next++];
  }
  return match;
}

// What reading one module's bodies gives.
struct BodyRead {
  std::vector<std::vector<ResolvedCall>> Found;  // per procedure
  std::vector<std::uint64_t> Mentions;
  bool Failed = false;
};

// Reads the bodies of modules (by place) on the context's workers: the calls each makes, when
// index is given, and the names each uses. read(i, result) receives them in order.
void ReadBodies(AnalysisContext& ctx, PathResolver& paths,
                const std::vector<std::uint32_t>& modules, const ProjectIndex* index,
                const TokenTable* words,
                const std::function<void(std::uint32_t, BodyRead&)>& take) {
  const PreciseModel& model = *ctx.Result.Precise;
  OrderedWork<BodyRead> reads(modules.size(), [&](std::size_t i, BodyRead& out, unsigned) {
    const ModuleModel& module = model.Modules[modules[i]];
    NamesUsed names;
    std::optional<BodyResolver> resolver;
    if (index) {
      out.Found.resize(module.Procedures.size());
      resolver.emplace(*index, *words, modules[i]);
    }
    BodyVisitor visit = [&](std::size_t proc, const std::vector<VariableDecl>& locals,
                            const VbStatement& s) {
      names.Note(s);
      if (resolver && proc < out.Found.size()) {
        resolver->Statement(proc, locals, s, out.Found[proc]);
      }
    };
    ModuleRead read = ReadPreciseModule(module.Path, module.Kind, ctx.Result.Decoder, paths,
                                        model.Conditions, visit);
    out.Failed = static_cast<bool>(read.Error);
    out.Mentions = names.Take();
  });
  reads.Start(modules.size() > 1 ? ctx.Options.Workers : 0);
  for (std::size_t i = 0; i < modules.size(); ++i) take(modules[i], reads.Take(i));
}

}  // namespace

ModuleUpdater::ModuleUpdater(AnalysisContext& ctx) {
  if (!ctx.Result.Precise) return;
  PreciseModel& model = *ctx.Result.Precise;
  index_ = model.Index ? std::move(model.Index) : std::make_shared<ProjectIndex>(model);
  const ProjectIndex& index = *index_;
  KeepEdges();
  KeepMarks(model);
  calls_.resize(model.Modules.size());
  // A caller's sites are its body's calls followed by the calls the language makes for it.
  std::vector<std::uint32_t> dispatched(index.ProcedureCount(), 0);
  if (!model.CallSites.empty()) {
    for (const auto& edge : edges_) ++dispatched[edge.first];
  }
  callees_.resize(index.ProcedureCount());
  // The analysis numbers procedures in the model's order, so a record's key gives its number.
  const auto numberOf = [](const TPassRec& record) {
    return static_cast<std::uint32_t>(ProcedureKeyIndex(record.Key).value());
  };
  for (std::size_t m = 0; m < model.Modules.size(); ++m) {
    calls_[m].resize(model.Modules[m].Procedures.size());
    for (std::size_t p = 0; p < model.Modules[m].Procedures.size(); ++p) {
      const ProcedureDecl& decl = model.Modules[m].Procedures[p];
      const std::uint32_t number =
          index.Number({static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(p)});
      std::vector<std::uint32_t>& callees = callees_[number];
      callees.reserve(decl.Record->Calls.size());
      for (ProcedureKey key : decl.Record->Calls) callees.push_back(key.Number() - 1);
      auto sites = model.CallSites.find(decl.Key);
      if (sites == model.CallSites.end()) continue;
      const std::size_t body = sites->second.size() - dispatched[number];
      std::vector<ResolvedCall>& calls = calls_[m][p];
      calls.reserve(body);
      for (std::size_t s = 0; s < body; ++s) {
        const CallSite& site = sites->second[s];
        calls.push_back({numberOf(*site.Callee), site.Line});
      }
    }
  }
  // Known before the first edit, so that no edit waits for every module to be read: noted by the
  // analysis when it was asked to, else read now.
  if (model.NamesUsed.size() == model.Modules.size()) {
    mentions_ = std::move(model.NamesUsed);
    model.NamesUsed.clear();
    mentionsKnown_ = true;
  } else {
    NoteMentions(ctx);
  }
}

const ProcedureDecl* ModuleUpdater::DeclOf(const TPassRec& record) const {
  const std::optional<std::size_t> number = ProcedureKeyIndex(record.Key);
  if (!index_ || !number || *number >= index_->ProcedureCount()) return nullptr;
  const ProcedureDecl& decl = index_->Decl(static_cast<std::uint32_t>(*number));
  return decl.Record == &record ? &decl : nullptr;
}

void ModuleUpdater::NoteMentions(AnalysisContext& ctx) {
  std::vector<std::uint32_t> all(ctx.Result.Precise->Modules.size());
  for (std::uint32_t m = 0; m < all.size(); ++m) all[m] = m;
  mentions_.assign(all.size(), {});
  ReadBodies(ctx, paths_, all, nullptr, nullptr,
             [&](std::uint32_t m, BodyRead& read) { mentions_[m] = std::move(read.Mentions); });
  mentionsKnown_ = true;
}

bool ModuleUpdater::Update(AnalysisContext& ctx, std::size_t module) {
  if (!ctx.Result.Precise || module >= ctx.Result.Precise->Modules.size() ||
      calls_.size() != ctx.Result.Precise->Modules.size()) {
    return false;
  }
  marksChangedIn_.clear();
  PreciseModel& model = *ctx.Result.Precise;
  const auto changedModule = static_cast<std::uint32_t>(module);
  ModuleModel& before = model.Modules[module];
  ModuleRead read =
      ReadPreciseModule(before.Path, before.Kind, ctx.Result.Decoder, paths_, model.Conditions);
  if (read.Missing || read.Error) return false;
  ModuleModel after = std::move(read.Model);
  after.Key = before.Key;
  after.Encoding = before.Encoding;

  // Which other modules may resolve differently now.
  std::unordered_set<std::string> specialBefore, specialAfter;
  bool resolveAll = TraitsOf(before, specialBefore) != TraitsOf(after, specialAfter);
  std::vector<std::uint64_t> changed;
  {
    auto shapesBefore = ShapesOf(before);
    auto shapesAfter = ShapesOf(after);
    auto note = [&](const std::string& name) {
      changed.push_back(NameHash(name));
      if (specialBefore.count(name) || specialAfter.count(name)) resolveAll = true;
    };
    for (const auto& [name, shape] : shapesBefore) {
      auto other = shapesAfter.find(name);
      if (other == shapesAfter.end() || other->second != shape) note(name);
    }
    for (const auto& [name, shape] : shapesAfter) {
      if (shapesBefore.count(name) == 0) note(name);
    }
  }
  const std::size_t count = model.Modules.size();
  std::vector<char> resolve(count, resolveAll ? 1 : 0);
  resolve[module] = 1;
  if (!resolveAll && !changed.empty()) {
    if (!mentionsKnown_) NoteMentions(ctx);
    for (std::size_t m = 0; m < count; ++m) {
      for (std::uint64_t name : changed) {
        if (std::binary_search(mentions_[m].begin(), mentions_[m].end(), name)) resolve[m] = 1;
      }
    }
  }
  // The calls kept from other modules follow the changed module's procedures to their new places.
  const std::vector<std::uint32_t> oldOffsets = ProcedureOffsets(model);
  const std::vector<int> match = MatchProcedures(before, after);
  bool same = before.Procedures.size() == after.Procedures.size();
  for (std::size_t p = 0; p < match.size() && same; ++p) same = match[p] == static_cast<int>(p);
  // A change inside the module's own bodies and lines keeps every record and key.
  keptRecords_ = same && changed.empty() && !resolveAll;
  std::vector<TPassRec*> oldRecords;  // the module's records, by old place
  for (ProcedureDecl& decl : before.Procedures) oldRecords.push_back(decl.Record);
  if (keptRecords_) {
    for (std::size_t p = 0; p < after.Procedures.size(); ++p) {
      after.Procedures[p].Key = before.Procedures[p].Key;
      after.Procedures[p].Record = before.Procedures[p].Record;
    }
  }
  const bool stringsChanged = before.NameStrings != after.NameStrings;
  NameStrings(before, -1);
  model.Modules[module] = std::move(after);
  NameStrings(model.Modules[module], 1);
  const std::vector<std::uint32_t> newOffsets = ProcedureOffsets(model);
  if (keptRecords_) {
    const ModuleModel& now = model.Modules[module];
    for (std::size_t p = 0; p < now.Procedures.size(); ++p) {
      folded_[newOffsets[module] + p] = FoldCase(now.Procedures[p].Name);
    }
  }
  // Old procedure numbers to new ones: later modules move by the change in count, the module's
  // own procedures to where they are matched.
  std::vector<std::uint32_t> renumber(oldOffsets.back());
  for (std::uint32_t m = 0; m < count; ++m) {
    for (std::uint32_t p = oldOffsets[m]; p < oldOffsets[m + 1]; ++p) {
      const std::uint32_t place = p - oldOffsets[m];
      if (m != changedModule) {
        renumber[p] = newOffsets[m] + place;
      } else {
        renumber[p] =
            match[place] < 0 ? kGone : newOffsets[m] + static_cast<std::uint32_t>(match[place]);
      }
    }
  }
  // The calls of the bodies that are not read again follow the new numbers (unless every number
  // stays); what each body read again called before is kept. A module that calls a procedure
  // that is gone is read again (it uses its name anyway).
  BodiesBefore oldBodies;  // by new number
  for (std::size_t m = 0; m < count; ++m) {
    if (!keptRecords_) {
      for (std::vector<ResolvedCall>& calls : calls_[m]) {
        for (ResolvedCall& call : calls) {
          call.Callee = renumber[call.Callee];
          if (call.Callee == kGone) resolve[m] = 1;
        }
      }
    }
    if (!resolve[m]) continue;
    for (std::uint32_t p = 0; p < calls_[m].size(); ++p) {
      const std::uint32_t now = renumber[oldOffsets[m] + p];
      if (now != kGone) oldBodies.emplace(now, std::move(calls_[m][p]));
    }
  }
  calls_[module].assign(model.Modules[module].Procedures.size(), {});
  // The bodies that may resolve differently, against the new declarations.
  if (keptRecords_) {
    index_->Repoint(module);
  } else {
    index_->Reindex(module);
  }
  const ProjectIndex& index = *index_;
  const TokenTable words({}, ctx.Options.ReservedWords);
  std::vector<std::uint32_t> modules;
  for (std::uint32_t m = 0; m < count; ++m) {
    if (resolve[m]) modules.push_back(m);
  }
  bool failed = false;
  ReadBodies(ctx, paths_, modules, &index, &words, [&](std::uint32_t m, BodyRead& read) {
    failed = failed || read.Failed;
    calls_[m] = std::move(read.Found);
    calls_[m].resize(model.Modules[m].Procedures.size());
    if (mentionsKnown_) mentions_[m] = std::move(read.Mentions);
  });
  lastResolved_ = modules.size();
  if (failed) return false;

  if (keptRecords_) {
    Patch(ctx, changedModule, newOffsets, oldBodies, stringsChanged);
  } else {
    Reshape(ctx, changedModule, oldOffsets, newOffsets, renumber, oldRecords, modules, oldBodies);
  }
  return true;
}

void ModuleUpdater::Reshape(AnalysisContext& ctx, std::uint32_t module,
                            const std::vector<std::uint32_t>& oldOffsets,
                            const std::vector<std::uint32_t>& offsets,
                            const std::vector<std::uint32_t>& renumber,
                            const std::vector<TPassRec*>& oldRecords,
                            const std::vector<std::uint32_t>& resolved,
                            const BodiesBefore& oldBodies) {
  PreciseModel& model = *ctx.Result.Precise;
  ModuleModel& mm = model.Modules[module];
  const std::uint32_t firstOld = oldOffsets[module];
  const std::uint32_t firstNew = offsets[module];
  const std::uint32_t endOld = oldOffsets[module + 1];
  const std::uint32_t endNew = offsets[module + 1];

  // The module's records: those matched keep their record, the new ones get one, the rest go.
  std::vector<char> kept(oldRecords.size(), 0);
  std::unordered_map<const TPassRec*, std::unique_ptr<TPassRec>> own;
  for (std::size_t p = 0; p < oldRecords.size(); ++p) {
    const std::uint32_t now = renumber[firstOld + p];
    if (now == kGone) continue;
    kept[p] = 1;
    mm.Procedures[now - firstNew].Record = oldRecords[p];
  }
  for (ProcedureDecl& decl : mm.Procedures) {
    if (decl.Record == nullptr) {
      auto record = std::make_unique<TPassRec>();
      record->Level = 4;
      record->ParentKey = mm.Key;
      decl.Record = record.get();
      own.emplace(record.get(), std::move(record));
    }
    TPassRec& record = *decl.Record;
    record.Name = decl.Name;
    record.FullName = mm.FullName + "." + decl.Name;
    record.Scope = decl.Scope;
    record.Kind = decl.Kind;
    record.Text = std::move(decl.Text);
    record.StartLine = decl.StartLine;
    record.BodyLines = decl.BodyLines;
  }

  // Every key from the module's first procedure on follows its number, and so do the lists that
  // name them: the callers' callee lists and the callees' caller lists of the procedures that
  // moved. When many moved, every list is looked at.
  const std::uint32_t oldTotal = oldOffsets.back();
  const auto moved = [&](std::uint32_t old) { return old >= firstOld && renumber[old] != old; };
  const std::vector<TPassRec*> byOld = std::exchange(records_, {});
  std::vector<char> callsDirty(oldTotal, 0), calledByDirty(oldTotal, 0);
  std::uint32_t movedCount = 0;
  for (std::uint32_t old = firstOld; old < oldTotal; ++old) movedCount += moved(old) ? 1 : 0;
  const bool many = movedCount > oldTotal / 8;
  if (many) {
    std::fill(callsDirty.begin(), callsDirty.end(), 1);
    std::fill(calledByDirty.begin(), calledByDirty.end(), 1);
  } else {
    for (std::uint32_t old = firstOld; old < oldTotal; ++old) {
      if (!moved(old)) continue;
      for (std::uint32_t callee : callees_[old]) calledByDirty[callee] = 1;
      for (ProcedureKey caller : byOld[old]->CalledBy) callsDirty[caller.Number() - 1] = 1;
    }
  }
  const auto rename = [&](std::vector<ProcedureKey>& list) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::uint32_t old = list[i].Number() - 1;
      if (old >= firstOld) {
        const std::uint32_t now = old < renumber.size() ? renumber[old] : kGone;
        if (now == kGone) continue;
        if (now != old) list[i] = ProcedureKey(now + 1);
      }
      if (out != i) list[out] = list[i];
      ++out;
    }
    list.resize(out);
  };
  // The marks and the call sites keep their places in memory under their new keys.
  const auto rekey = [&](auto& table) { table.Renumber(firstOld, renumber, kGone); };
  const auto renameAll = [&] {
    for (std::uint32_t old = 0; old < oldTotal; ++old) {
      if (renumber[old] == kGone) continue;
      if (callsDirty[old]) rename(byOld[old]->Calls);
      if (calledByDirty[old]) rename(byOld[old]->CalledBy);
    }
    rekey(model.Marks);
  };
  // When many keys move, the lists and the marks follow on a thread of their own while the call
  // sites, the list and the names follow here: none of those reads the lists or the marks.
  Beside renaming(many && ctx.Options.Workers > 0, renameAll);
  rekey(model.CallSites);
  for (std::uint32_t old = firstOld; old < oldTotal; ++old) {
    if (!moved(old) || renumber[old] == kGone) continue;
    const ProcedureId id = index_->IdOf(renumber[old]);
    ProcedureDecl& decl = model.Modules[id.Module].Procedures[id.Procedure];
    SetProcedureKey(decl.Key, renumber[old]);
    decl.Record->Key = decl.Key;
  }
  for (ProcedureDecl& decl : mm.Procedures) {
    SetProcedureKey(decl.Key, firstNew + static_cast<std::uint32_t>(&decl - mm.Procedures.data()));
    decl.Record->Key = decl.Key;
  }

  // What is kept by number moves with the numbers: callees, folded names and marks.
  {
    std::vector<std::vector<std::uint32_t>> own(endOld - firstOld);
    std::move(callees_.begin() + firstOld, callees_.begin() + endOld, own.begin());
    for (std::uint32_t old = 0; old < oldTotal; ++old) {
      if (!callsDirty[old] || renumber[old] == kGone) continue;
      auto& list = old >= firstOld && old < endOld ? own[old - firstOld] : callees_[old];
      std::erase_if(list, [&](std::uint32_t callee) { return renumber[callee] == kGone; });
      for (std::uint32_t& callee : list) callee = renumber[callee];
    }
    callees_.erase(callees_.begin() + firstOld, callees_.begin() + endOld);
    callees_.insert(callees_.begin() + firstNew, endNew - firstNew, {});
    for (std::uint32_t old = firstOld; old < endOld; ++old) {
      if (renumber[old] != kGone) callees_[renumber[old]] = std::move(own[old - firstOld]);
    }
  }
  folded_.erase(folded_.begin() + firstOld, folded_.begin() + endOld);
  folded_.insert(folded_.begin() + firstNew, endNew - firstNew, {});
  for (std::uint32_t n = firstNew; n < endNew; ++n)
    folded_[n] = FoldCase(mm.Procedures[n - firstNew].Name);
  records_.reserve(endNew - firstNew + byOld.size() - (endOld - firstOld));
  records_.assign(byOld.begin(), byOld.begin() + firstOld);
  for (const ProcedureDecl& decl : mm.Procedures) records_.push_back(decl.Record);
  records_.insert(records_.end(), byOld.begin() + endOld, byOld.end());
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> dispatchBefore, dispatchNow;
  for (const auto& [caller, callee] : edges_) {
    if (renumber[caller] != kGone) {
      dispatchBefore[renumber[caller]].push_back(renumber[callee]);
    }
  }
  KeepEdges();
  for (const auto& [caller, callee] : edges_) dispatchNow[caller].push_back(callee);

  // The list in the order of a whole analysis: the module's procedures just before the module.
  // The module's records are known by their addresses, so that the list's records, spread over
  // memory, are not each read to find them.
  SymbolList& list = ctx.Result.SymbolList;
  const TPassRec* const moduleRecord = list.TryFind(mm.Key);
  const std::unordered_set<const TPassRec*> ownBefore(oldRecords.begin(), oldRecords.end());
  std::vector<std::unique_ptr<TPassRec>> released = list.Release();
  for (auto& record : released) {
    if (ownBefore.count(record.get()) != 0) {
      const TPassRec* at = record.get();
      own.emplace(at, std::move(record));
    }
  }
  std::vector<std::unique_ptr<TPassRec>> ordered;
  ordered.reserve(released.size() + mm.Procedures.size());
  for (auto& record : released) {
    if (!record) continue;
    if (record.get() == moduleRecord) {
      record->FullName = mm.FullName;
      for (const ProcedureDecl& decl : mm.Procedures)
        ordered.push_back(std::move(own.at(decl.Record)));
    }
    ordered.push_back(std::move(record));
  }
  list.AdoptAll(std::move(ordered));
  // The records of the procedures that are gone go with own.
  // The procedures by name and full name, in number order: the module's own are replaced.
  std::vector<std::pair<std::string, TPassRec*>> names, fullNames;
  for (const ProcedureDecl& decl : mm.Procedures) {
    names.emplace_back(decl.Record->Name, decl.Record);
    fullNames.emplace_back(decl.Record->FullName, decl.Record);
  }
  if (ctx.Result.ProcNames.Count() == static_cast<int>(oldTotal) &&
      ctx.Result.ProcFullNames.Count() == static_cast<int>(oldTotal)) {
    ctx.Result.ProcNames.Splice(firstOld, endOld - firstOld, std::move(names));
    ctx.Result.ProcFullNames.Splice(firstOld, endOld - firstOld, std::move(fullNames));
  } else {
    IndexProcedures(ctx.Result);
  }

  renaming.Join();
  // Every procedure of the module has its marks; the table may have moved them all in memory,
  // so every pointer to them is taken again.
  for (const ProcedureDecl& decl : mm.Procedures) model.Marks[decl.Key];
  marks_.assign(offsets.back(), nullptr);
  for (std::uint32_t n = 0; n < offsets.back(); ++n) {
    auto found = model.Marks.FindIndex(n);  // each procedure's key is its number's now
    marks_[n] = found == model.Marks.end() ? nullptr : &found->second;
  }
  // Linked again: the bodies read again, and the callers whose language-made calls changed.
  std::vector<std::uint32_t> callers;
  for (std::uint32_t m : resolved) {
    for (std::uint32_t n = offsets[m]; n < offsets[m + 1]; ++n) callers.push_back(n);
  }
  for (const auto& [caller, list] : dispatchBefore) {
    auto now = dispatchNow.find(caller);
    if (now == dispatchNow.end() || now->second != list) callers.push_back(caller);
  }
  for (const auto& [caller, list] : dispatchNow) {
    if (dispatchBefore.count(caller) == 0) callers.push_back(caller);
  }
  std::sort(callers.begin(), callers.end());
  callers.erase(std::unique(callers.begin(), callers.end()), callers.end());
  // The module's procedures and their callees have their callers ordered again: the
  // procedures' places may have changed among themselves.
  std::vector<std::uint32_t> affected;
  for (std::uint32_t n = firstNew; n < endNew; ++n) {
    affected.push_back(n);
    affected.insert(affected.end(), callees_[n].begin(), callees_[n].end());
  }
  LinkAgain(ctx, offsets, callers, oldBodies, std::move(affected));

  // Entry points follow from declarations: those of the modules read again are found again.
  for (std::uint32_t m : resolved) {
    const std::vector<bool> entry = EntryPointsOf(*index_, m);
    for (std::size_t p = 0; p < entry.size(); ++p) marks_[offsets[m] + p]->EntryPoint = entry[p];
  }
  MarkAgain(offsets);
}

void ModuleUpdater::Patch(AnalysisContext& ctx, std::uint32_t module,
                          const std::vector<std::uint32_t>& offsets, const BodiesBefore& before,
                          bool stringsChanged) {
  PreciseModel& model = *ctx.Result.Precise;
  ModuleModel& mm = model.Modules[module];
  bool renamed = false;
  for (ProcedureDecl& decl : mm.Procedures) {
    TPassRec& record = *decl.Record;
    if (record.Name != decl.Name) {  // its letter case only: anything more changes the shape
      renamed = true;
      record.Name = decl.Name;
      record.FullName = mm.FullName + "." + decl.Name;
    }
    record.Text = std::move(decl.Text);
    record.StartLine = decl.StartLine;
    record.BodyLines = decl.BodyLines;
  }
  if (renamed) {
    ctx.Result.ProcNames.Clear();
    ctx.Result.ProcFullNames.Clear();
    IndexProcedures(ctx.Result);
  }
  // The language's own calls from this module's procedures are the same as before (the module
  // declares the same names the same way), at their maybe moved lines.
  std::vector<std::uint32_t> callers;
  for (std::uint32_t n = offsets[module]; n < offsets[module + 1]; ++n) callers.push_back(n);
  // Entry points follow from declarations, which are the same: the marks change only with who
  // calls whom, or with the strings that may name a procedure.
  if (LinkAgain(ctx, offsets, callers, before, {}) || stringsChanged) MarkAgain(offsets);
}

bool ModuleUpdater::LinkAgain(AnalysisContext& ctx, const std::vector<std::uint32_t>& offsets,
                              const std::vector<std::uint32_t>& callers, const BodiesBefore& before,
                              std::vector<std::uint32_t> affected) {
  const ProjectIndex& index = *index_;
  PreciseModel& model = *ctx.Result.Precise;
  const auto bodyOf = [&](std::uint32_t number) -> const std::vector<ResolvedCall>& {
    const std::uint32_t owner = ModuleOfNumber(offsets, number);
    return calls_[owner][number - offsets[owner]];
  };
  const auto bodyCalls = [&](const std::vector<ResolvedCall>& calls, std::uint32_t callee) {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const ResolvedCall& call) { return call.Callee == callee; });
  };
  std::vector<char> linked(index.ProcedureCount(), 0);
  for (std::uint32_t caller : callers) linked[caller] = 1;
  std::unordered_map<std::uint32_t, std::vector<ResolvedCall>> dispatched;
  for (const auto& [caller, callee] : edges_) {
    if (linked[caller]) dispatched[caller].push_back({callee, index.Decl(caller).StartLine});
  }

  // Each caller's sites and distinct callees; its callees before and now, and those it calls
  // from its body or not any more, have their callers ordered again.
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> callersNow;  // by callee
  bool calleesChanged = false;
  const std::vector<ResolvedCall> nothing;
  for (std::uint32_t number : callers) {
    TPassRec& record = *index.Decl(number).Record;
    std::vector<ResolvedCall> found = bodyOf(number);
    if (auto more = dispatched.find(number); more != dispatched.end()) {
      found.insert(found.end(), more->second.begin(), more->second.end());
    }
    if (found.empty()) {
      model.CallSites.erase(record.Key);
    } else {
      std::vector<CallSite>& sites = model.CallSites[record.Key];
      sites.clear();
      for (const ResolvedCall& call : found)
        sites.push_back({index.Decl(call.Callee).Record, call.Line});
    }
    std::vector<std::uint32_t> now;
    for (const ResolvedCall& call : found) {
      if (std::find(now.begin(), now.end(), call.Callee) == now.end()) now.push_back(call.Callee);
    }
    auto old = before.find(number);
    const std::vector<ResolvedCall>& oldBody = old == before.end() ? bodyOf(number) : old->second;
    const std::vector<std::uint32_t>& was = callees_[number];
    for (const std::vector<std::uint32_t>* side :
         {&was, static_cast<const std::vector<std::uint32_t>*>(&now)}) {
      for (std::uint32_t callee : *side) {
        const bool inWas = std::find(was.begin(), was.end(), callee) != was.end();
        const bool inNow = std::find(now.begin(), now.end(), callee) != now.end();
        if (inWas != inNow || bodyCalls(oldBody, callee) != bodyCalls(bodyOf(number), callee)) {
          affected.push_back(callee);
        }
      }
    }
    for (std::uint32_t callee : now) callersNow[callee].push_back(number);
    record.Calls.clear();
    for (std::uint32_t callee : now) record.Calls.push_back(ProcedureKey(callee + 1));
    calleesChanged = calleesChanged || callees_[number] != now;
    callees_[number] = std::move(now);
  }
  std::sort(affected.begin(), affected.end());
  affected.erase(std::unique(affected.begin(), affected.end()), affected.end());

  // A callee's callers as the linking orders them: those whose bodies call it by number, then
  // those that only the language's own calls link, in their order.
  std::vector<char> dispatchTarget(index.ProcedureCount(), 0);
  for (const auto& edge : edges_) dispatchTarget[edge.second] = 1;
  for (std::uint32_t callee : affected) {
    TPassRec& record = *index.Decl(callee).Record;
    if (!dispatchTarget[callee]) {
      // Every caller calls it from its body: the callers kept are in order already, and those
      // linked again are merged in.
      std::vector<ProcedureKey> merged;
      auto now = callersNow.find(callee);
      const std::vector<std::uint32_t> none;
      const std::vector<std::uint32_t>& added = now == callersNow.end() ? none : now->second;
      merged.reserve(record.CalledBy.size() + added.size());
      auto next = added.begin();
      for (ProcedureKey key : record.CalledBy) {
        const std::uint32_t caller = key.Number() - 1;
        if (linked[caller]) continue;
        for (; next != added.end() && *next < caller; ++next)
          merged.push_back(ProcedureKey(*next + 1));
        merged.push_back(key);
      }
      for (; next != added.end(); ++next) merged.push_back(ProcedureKey(*next + 1));
      record.CalledBy = std::move(merged);
      continue;
    }
    std::vector<std::uint32_t> byBody, byLanguage;
    const auto place = [&](std::uint32_t caller) {
      (bodyCalls(bodyOf(caller), callee) ? byBody : byLanguage).push_back(caller);
    };
    for (ProcedureKey key : record.CalledBy) {
      const std::uint32_t caller = key.Number() - 1;
      if (!linked[caller]) place(caller);
    }
    if (auto now = callersNow.find(callee); now != callersNow.end()) {
      for (std::uint32_t caller : now->second) place(caller);
    }
    std::sort(byBody.begin(), byBody.end());
    std::sort(byLanguage.begin(), byLanguage.end(), [&](std::uint32_t a, std::uint32_t b) {
      return edgeOrder_[std::uint64_t{a} << 32 | callee] <
             edgeOrder_[std::uint64_t{b} << 32 | callee];
    });
    record.CalledBy.clear();
    for (const auto* list : {&byBody, &byLanguage}) {
      for (std::uint32_t caller : *list) record.CalledBy.push_back(ProcedureKey(caller + 1));
    }
  }
  return calleesChanged;
}

void ModuleUpdater::KeepEdges() {
  edges_ = DispatchEdges(*index_);
  edgeOrder_.clear();
  for (std::size_t e = 0; e < edges_.size(); ++e) {
    edgeOrder_.emplace(std::uint64_t{edges_[e].first} << 32 | edges_[e].second, e);
  }
}

void ModuleUpdater::KeepMarks(PreciseModel& model) {
  folded_.clear();
  records_.clear();
  marks_.clear();
  strings_.clear();
  for (const ModuleModel& module : model.Modules) {
    NameStrings(module, 1);
    for (const ProcedureDecl& decl : module.Procedures) {
      folded_.push_back(FoldCase(decl.Name));
      records_.push_back(decl.Record);
      auto found = model.Marks.find(decl.Key);
      marks_.push_back(found == model.Marks.end() ? nullptr : &found->second);
    }
  }
}

void ModuleUpdater::NameStrings(const ModuleModel& module, int change) {
  for (const std::string& text : module.NameStrings) {
    auto found = strings_.emplace(text, 0).first;
    if ((found->second += change) <= 0) strings_.erase(found);
  }
}

// The marks again after calls inside one module changed: entry points stay what they were (they
// follow from declarations alone); whether each procedure is called, reached from an entry point
// or named by a string is found again.
void ModuleUpdater::MarkAgain(const std::vector<std::uint32_t>& offsets) {
  marksChangedIn_.clear();
  const std::size_t count = marks_.size();
  if (std::find(marks_.begin(), marks_.end(), nullptr) != marks_.end()) return;
  std::vector<char> called(count, 0), reached(count, 0);
  std::vector<std::uint32_t> work;
  // The callee lists lie apart in memory: those a few callers on are asked for ahead, so that
  // their reads overlap.
  constexpr std::uint32_t kAhead = 8;
  for (std::uint32_t caller = 0; caller < count; ++caller) {
    if (caller + kAhead < count) __builtin_prefetch(callees_[caller + kAhead].data());
    for (std::uint32_t callee : callees_[caller]) {
      if (callee != caller) called[callee] = 1;
    }
    if (marks_[caller]->EntryPoint) {
      reached[caller] = 1;
      work.push_back(caller);
    }
  }
  while (!work.empty()) {
    const std::uint32_t at = work.back();
    work.pop_back();
    for (std::uint32_t next : callees_[at]) {
      if (!reached[next]) {
        reached[next] = 1;
        work.push_back(next);
      }
    }
  }
  for (std::uint32_t n = 0; n < count; ++n) {
    ProcedureMarks& marks = *marks_[n];
    const ProcedureMarks before = marks;
    marks.Unreachable = !reached[n];
    marks.ByName =
        !marks.EntryPoint && !called[n] && !strings_.empty() && strings_.count(folded_[n]) != 0;
    marks.Unused = !marks.EntryPoint && !called[n] && !marks.ByName;
    if (marks.Unreachable == before.Unreachable && marks.ByName == before.ByName &&
        marks.Unused == before.Unused) {
      continue;
    }
    const std::uint32_t module = ModuleOfNumber(offsets, n);
    if (marksChangedIn_.empty() || marksChangedIn_.back() != module) {
      marksChangedIn_.push_back(module);
    }
  }
}

}  // namespace tarnel
