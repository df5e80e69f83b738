#include "analysis/PreciseLink.h"

#include "analysis/GroupedByBucket.h"
#include "analysis/PreciseMarks.h"
#include "analysis/SymbolList.h"

namespace tarnel {

ModuleRead ReadPreciseModule(const std::string& path, std::uint8_t kind,
                             const SourceDecoder& decoder, PathResolver& resolver,
                             const CondConstants& constants, const BodyVisitor& visitor) {
  ModuleRead read;
  read.Model.Kind = kind;
  read.Model.Path = path;
  try {
    thread_local TextReader file;
    if (!decoder.LoadIfThere(file, path, resolver)) {
      read.Missing = true;
      return read;
    }
    ScanModuleText(file, kind != KindStdModule, constants, decoder.KeepsBytes(), read.Model,
                   visitor);
  } catch (...) {
    read.Error = std::current_exception();
  }
  return read;
}

void EnterProcedures(SymbolList& list, long& procedureTotal, std::string_view moduleKey,
                     const std::string& moduleFullName, ModuleModel& module) {
  for (ProcedureDecl& decl : module.Procedures) {
    TPassRec proc;
    proc.Level = 4;
    proc.Name = decl.Name;
    proc.FullName = moduleFullName + "." + decl.Name;
    proc.Key = FormatKey(4, ++procedureTotal);
    proc.ParentKey = moduleKey;
    proc.Scope = decl.Scope;
    proc.Kind = decl.Kind;
    proc.Text = std::move(decl.Text);  // one copy is enough: the record's
    proc.StartLine = decl.StartLine;
    proc.BodyLines = decl.BodyLines;
    decl.Key = proc.Key;
    decl.Record = &list.Add(std::move(proc));
  }
}

EdgeLinker::EdgeLinker(PreciseModel& model, const ProjectIndex& index)
    : model_(model),
      index_(index),
      stamps_(index.ProcedureCount(), 0),
      callees_(index.ProcedureCount()),
      sites_(index.ProcedureCount()) {
  records_.reserve(index.ProcedureCount());
  for (std::uint32_t n = 0; n < index.ProcedureCount(); ++n) {
    records_.push_back(index.Decl(n).Record);
  }
}

void EdgeLinker::Link(std::uint32_t caller, std::span<const ResolvedCall> found) {
  if (found.empty()) return;
  std::vector<ResolvedCall>& sites = sites_[caller];
  sites.insert(sites.end(), found.begin(), found.end());
  std::vector<std::uint32_t>& callees = callees_[caller];
  // Room for every site at once, rather than growing step by step: Write fits each list to its
  // size anyway.
  callees.reserve(callees.size() + found.size());
  const auto first = static_cast<std::uint32_t>(callees.size());
  ++stamp_;
  for (std::uint32_t known : callees) stamps_[known] = stamp_;
  for (const ResolvedCall& call : found) {
    if (stamps_[call.Callee] == stamp_) continue;
    stamps_[call.Callee] = stamp_;
    callees.push_back(call.Callee);
  }
  const auto count = static_cast<std::uint32_t>(callees.size()) - first;
  if (count > 0) runs_.push_back({caller, first, count});
}

void EdgeLinker::LinkDispatch() {
  std::vector<ResolvedCall> one(1);
  for (const auto& [caller, callee] : DispatchEdges(index_)) {
    one[0] = {callee, index_.Decl(caller).StartLine};
    Link(caller, one);
  }
}

void EdgeLinker::Write() {
  const auto count = static_cast<std::uint32_t>(records_.size());
  const std::vector<TPassRec*>& records = records_;
  std::vector<ProcedureKey> keys;
  keys.reserve(count);
  for (std::uint32_t n = 0; n < count; ++n) keys.emplace_back(records[n]->Key);
  {
    // Callers grouped by callee, each group in the order the links were made, so that each
    // record's CalledBy is written at once instead of a visit to a record per link.
    const GroupedByBucket<ProcedureKey> callers(count, [&](auto emit) {
      for (const Run& run : runs_) {
        for (std::uint32_t i = run.First; i < run.First + run.Count; ++i) {
          emit(callees_[run.Caller][i], keys[run.Caller]);
        }
      }
    });
    for (std::uint32_t n = 0; n < count; ++n) {
      TPassRec& record = *records[n];
      record.Calls.reserve(record.Calls.size() + callees_[n].size());
      for (std::uint32_t callee : callees_[n]) record.Calls.push_back(keys[callee]);
      const std::span<const ProcedureKey> group = callers.Group(n);
      record.CalledBy.reserve(record.CalledBy.size() + group.size());
      record.CalledBy.insert(record.CalledBy.end(), group.begin(), group.end());
    }
  }
  std::vector<Run>().swap(runs_);
  model_.CallSites.reserve(count);
  for (std::uint32_t n = 0; n < count; ++n) {
    if (sites_[n].empty()) continue;
    std::vector<CallSite>& sites = model_.CallSites[records[n]->Key];
    sites.reserve(sites.size() + sites_[n].size());
    for (const ResolvedCall& call : sites_[n]) sites.push_back({records[call.Callee], call.Line});
    std::vector<ResolvedCall>().swap(sites_[n]);
  }
}

}  // namespace tarnel
