#include "analysis/PreciseLink.h"

#include "analysis/PreciseMarks.h"
#include "analysis/SymbolList.h"

namespace tarnel {

ModuleRead ReadPreciseModule(const std::string& path, std::uint8_t kind,
                             const SourceDecoder& decoder, PathResolver& resolver,
                             const CondConstants& constants, const BodyVisitor& visitor) {
  ModuleRead read;
  read.Model.Kind = kind;
  read.Model.Path = path;
  if (!decoder.HoldsText(path, resolver) && !resolver.FileExists(path)) {
    read.Missing = true;
    return read;
  }
  try {
    thread_local TextReader file;
    decoder.Load(file, path, resolver);
    ScanModuleText(file, kind != KindStdModule, constants, decoder.KeepsBytes(), read.Model,
                   visitor);
  } catch (...) {
    read.Error = std::current_exception();
  }
  return read;
}

void EnterProcedures(SymbolList& list, long& procedureTotal, const std::string& moduleKey,
                     const std::string& moduleFullName, ModuleModel& module) {
  for (ProcedureDecl& decl : module.Procedures) {
    TPassRec proc;
    proc.Level = 4;
    proc.Name = decl.Name;
    proc.FullName = moduleFullName + "." + decl.Name;
    proc.Key = CutTo(FormatKey(4, ++procedureTotal), 10);
    proc.ParentKey = moduleKey;
    proc.Scope = decl.Scope;
    proc.Kind = decl.Kind;
    proc.Text = decl.Text;
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
      callees_(index.ProcedureCount()) {}

void EdgeLinker::Link(std::uint32_t caller, const std::vector<ResolvedCall>& found) {
  if (found.empty()) return;
  const ProcedureDecl& decl = index_.Decl(caller);
  std::vector<CallSite>& sites = model_.CallSites[decl.Key];
  sites.reserve(sites.size() + found.size());
  ++stamp_;
  for (std::uint32_t known : callees_[caller]) stamps_[known] = stamp_;
  for (const ResolvedCall& call : found) {
    TPassRec* target = index_.Decl(call.Callee).Record;
    sites.push_back({target, call.Line});
    if (stamps_[call.Callee] == stamp_) continue;
    stamps_[call.Callee] = stamp_;
    callees_[caller].push_back(call.Callee);
    decl.Record->Calls.push_back(target->Key);
    target->CalledBy.push_back(decl.Record->Key);
  }
}

void EdgeLinker::LinkDispatch() {
  std::vector<ResolvedCall> one(1);
  for (const auto& [caller, callee] : DispatchEdges(index_)) {
    one[0] = {callee, index_.Decl(caller).StartLine};
    Link(caller, one);
  }
}

}  // namespace tarnel
