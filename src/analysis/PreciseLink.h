#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "analysis/PreciseResolve.h"
#include "analysis/PreciseScan.h"
#include "analysis/SourceDecoder.h"

namespace tarnel {

class SymbolList;

// What reading one module file for the precise reading gives.
struct ModuleRead {
  bool Missing = false;
  std::exception_ptr Error;
  ModuleModel Model;
};

// Reads and scans one module file (or the text an editor holds for it, through the decoder);
// touches nothing shared, so it runs on any thread.
ModuleRead ReadPreciseModule(const std::string& path, std::uint8_t kind,
                             const SourceDecoder& decoder, PathResolver& resolver,
                             const CondConstants& constants, const BodyVisitor& visitor = {});

// Enters the records of a module's procedures in list, numbered on from procedureTotal (which
// counts them), and gives each declaration its key and record. Each declaration's Text moves to
// its record.
void EnterProcedures(SymbolList& list, long& procedureTotal, std::string_view moduleKey,
                     const std::string& moduleFullName, ModuleModel& module);

// Links caller to callee once, the call site kept each time. The links are held in numbers until
// Write puts them into the records and the model's call sites, each list at its exact size.
class EdgeLinker {
 public:
  EdgeLinker(PreciseModel& model, const ProjectIndex& index);

  void Link(std::uint32_t caller, std::span<const ResolvedCall> found);
  // Calls made by the language itself: an event to its handlers, an interface to its
  // implementations. They stand at the caller's own declaration line; linked after every body.
  void LinkDispatch();
  // Writes the links made so far into the records (Calls, CalledBy) and the model's call sites,
  // once, after the last Link. Uses nothing of the index, which may be gone by then.
  void Write();

  const std::vector<std::vector<std::uint32_t>>& Callees() const { return callees_; }

 private:
  PreciseModel& model_;
  const ProjectIndex& index_;
  std::vector<TPassRec*> records_;  // by number
  std::vector<unsigned> stamps_;
  unsigned stamp_ = 0;
  std::vector<std::vector<std::uint32_t>> callees_;
  std::vector<std::vector<ResolvedCall>> sites_;  // by caller
  // The links in the order they were made, as runs of a caller's callees: the callers of each
  // callee come out in that order.
  struct Run {
    std::uint32_t Caller = 0;
    std::uint32_t First = 0;  // into the caller's callees
    std::uint32_t Count = 0;
  };
  std::vector<Run> runs_;
};

}  // namespace tarnel
