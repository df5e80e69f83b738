#include <algorithm>
#include <charconv>
#include <cstdint>
#include <deque>
#include <exception>
#include <span>
#include <unordered_map>

#include "analysis/Analysis.h"
#include "analysis/AnalysisSteps.h"
#include "analysis/BodyScanner.h"
#include "analysis/GroupedByBucket.h"
#include "platform/ByteText.h"
#include "platform/OrderedWork.h"

namespace tarnel {

namespace {

// Hides the progress dialog and enables the main window on every way out of the pass.
class ProgressScope {
 public:
  explicit ProgressScope(AnalysisHost& host) : host_(host) { host_.BeginProgress(); }
  ~ProgressScope() { host_.EndProgress(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  AnalysisHost& host_;
};

long ProcedureNumber(const RecordKey& key) {
  std::size_t dash = key.View().find('-');
  return dash == std::string::npos ? 0 : std::atol(key.c_str() + dash + 1);
}

// Enters the calls that the pass finds in Calls and CalledBy. A caller's Calls are written when
// its scan is taken; every CalledBy is written once, when the pass ends (Finish), in the order in
// which the callers were taken, which is the order that appending each call at once would give.
// The callee positions are kept in one list until then, so that the scans can go as soon as they
// are taken, and Finish fills one callee's list after the other instead of jumping between them
// per call.
class CallRecorder {
 public:
  explicit CallRecorder(std::span<TPassRec* const> procedures) : procedures_(procedures) {
    keys_.reserve(procedures.size());
    for (const TPassRec* proc : procedures) keys_.emplace_back(proc->Key);
  }

  void Take(TPassRec& caller, std::span<const int> callees) {
    caller.Calls.reserve(caller.Calls.size() + callees.size());
    for (int callee : callees) caller.Calls.push_back(keys_[static_cast<std::size_t>(callee)]);
    if (callees.empty()) return;
    callees_.insert(callees_.end(), callees.begin(), callees.end());
    taken_.push_back({ProcedureKey(caller.Key), callees_.size()});
  }

  void Finish() {
    // Callers grouped by callee, each group in the order taken.
    const GroupedByBucket<ProcedureKey> callers(keys_.size(), [&](auto emit) {
      std::size_t at = 0;
      auto callee = callees_.begin();
      for (const Taken& taken : taken_) {
        for (; at < taken.CalleesEnd; ++at, ++callee) {
          emit(static_cast<std::size_t>(*callee), taken.Caller);
        }
      }
    });
    for (std::size_t callee = 0; callee < keys_.size(); ++callee) {
      const std::span<const ProcedureKey> group = callers.Group(callee);
      if (group.empty()) continue;
      std::vector<ProcedureKey>& calledBy = procedures_[callee]->CalledBy;
      calledBy.insert(calledBy.end(), group.begin(), group.end());
    }
    taken_.clear();
    callees_.clear();
  }

 private:
  struct Taken {
    ProcedureKey Caller;
    std::size_t CalleesEnd;  // the caller's callees end here in callees_
  };

  std::span<TPassRec* const> procedures_;
  std::vector<ProcedureKey> keys_;  // the procedures' keys, by position
  // Both grow by blocks rather than by doubling, which would hold the old and the new copy at once
  // at the pass's peak of memory.
  std::deque<Taken> taken_;  // in the order taken
  std::deque<int> callees_;  // positions in procedures_, caller after caller
};

// The procedures of one module, in list order, scanned together since they share one file.
struct ScanUnit {
  const TPassRec* Module = nullptr;
  std::vector<const TPassRec*> Procedures;
};

// What scanning a unit gave: a result per procedure, up to a failure to read the file. The
// procedures' callees stand one after the other in one list, so that a unit costs a few
// allocations rather than one per procedure.
struct UnitScan {
  struct Body {
    BodyScanResult Found;
    std::size_t CalleesEnd = 0;  // the body's callees end here in Callees
  };
  std::vector<Body> Results;
  std::vector<int> Callees;
  std::exception_ptr Error;

  std::span<const int> CalleesOf(std::size_t position) const {
    const std::size_t first = position == 0 ? 0 : Results[position - 1].CalleesEnd;
    return std::span<const int>(Callees).subspan(first, Results[position].CalleesEnd - first);
  }
};

struct UnitPlace {
  std::uint32_t Unit;
  std::uint32_t Position;
};

// Groups the procedures by module, units in the order of their first procedure in the list.
std::vector<UnitPlace> PlanUnits(const AnalysisResult& result, std::vector<ScanUnit>& units) {
  std::vector<UnitPlace> places(static_cast<std::size_t>(result.SymbolList.Count()));
  std::unordered_map<const TPassRec*, std::size_t> unitOfModule;
  // A module's procedures mostly stand together, so the module is looked up when it changes.
  const RecordKey* lastParent = nullptr;
  std::size_t unitIndex = 0;
  for (int i = 0; i < result.SymbolList.Count(); ++i) {
    const TPassRec& record = result.SymbolList.At(i);
    if (!IsProcedureKind(record.Kind)) continue;
    if (lastParent == nullptr || *lastParent != record.ParentKey) {
      const TPassRec* module = &FindSymbol(result, record.ParentKey);
      auto [it, added] = unitOfModule.emplace(module, units.size());
      if (added) units.emplace_back().Module = module;
      unitIndex = it->second;
      lastParent = &record.ParentKey;
    }
    ScanUnit& unit = units[unitIndex];
    places[static_cast<std::size_t>(i)] = {static_cast<std::uint32_t>(unitIndex),
                                           static_cast<std::uint32_t>(unit.Procedures.size())};
    unit.Procedures.push_back(&record);
  }
  return places;
}

}  // namespace

std::vector<TPassRec*> ProceduresInRecordingOrder(AnalysisResult& result) {
  std::vector<std::pair<long, TPassRec*>> numbered;
  for (int i = 0; i < result.SymbolList.Count(); ++i) {
    TPassRec& record = result.SymbolList.At(i);
    if (IsProcedureKind(record.Kind)) numbered.emplace_back(ProcedureNumber(record.Key), &record);
  }
  // Whatever the order of the list, also past 9999 procedures where key order and number order
  // part.
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TPassRec*> procedures;
  procedures.reserve(numbered.size());
  for (const auto& [number, proc] : numbered) procedures.push_back(proc);
  return procedures;
}

void IndexProcedures(AnalysisResult& result, std::span<TPassRec* const> procedures) {
  result.ProcNames.Clear();
  result.ProcFullNames.Clear();
  std::size_t nameBytes = 0, fullNameBytes = 0;
  for (const TPassRec* proc : procedures) {
    nameBytes += proc->Name.size();
    fullNameBytes += proc->FullName.size();
  }
  result.ProcNames.Reserve(procedures.size(), nameBytes);
  result.ProcFullNames.Reserve(procedures.size(), fullNameBytes);
  for (TPassRec* proc : procedures) {
    result.ProcNames.Append(proc->Name, proc);
    result.ProcFullNames.Append(proc->FullName, proc);
  }
}

void IndexProcedures(AnalysisResult& result) {
  IndexProcedures(result, ProceduresInRecordingOrder(result));
}

namespace {

// Scans every procedure body and hands what it found to calls, record by record in list order,
// with the progress of the pass. The token table, the scanners and the scans are gone when it
// returns, before calls writes the callers.
void ScanBodies(AnalysisRun& run, std::span<TPassRec* const> procedures, CallRecorder& calls) {
  AnalysisResult& result = run.Result;
  AnalysisHost& host = run.Host;
  const unsigned workers = run.Options.Workers;
  const int count = result.SymbolList.Count();
  // The table first: what its building gives back afterwards then holds the units, where both at
  // once would add to the pass's peak of memory.
  const TokenTable table(procedures, run.Options.ReservedWords);
  std::vector<ScanUnit> units;
  const std::vector<UnitPlace> places = PlanUnits(result, units);
  // Bodies are scanned ahead on spare cores; records, messages and progress stay on this thread.
  std::vector<BodyScanner> scanners;
  for (unsigned i = 0; i <= workers; ++i) {
    scanners.emplace_back(table, static_cast<int>(procedures.size()), run.Paths);
    scanners.back().SetDecoder(result.Decoder.ForReaders());
  }
  OrderedWork<UnitScan> pool(units.size(), [&](std::size_t index, UnitScan& out, unsigned worker) {
    const ScanUnit& unit = units[index];
    try {
      out.Results.reserve(unit.Procedures.size());
      for (const TPassRec* proc : unit.Procedures) {
        const BodyScanResult found = scanners[worker].Scan(*proc, *unit.Module, out.Callees);
        out.Results.push_back({found, out.Callees.size()});
      }
    } catch (...) {
      out.Error = std::current_exception();
    }
  });
  std::string counterText;  // keeps its room from one record to the next
  for (int i = 0; i < count; ++i) {
    host.ProcessEvents();
    TPassRec& record = result.SymbolList.At(i);
    FormatXrefProgress(i, count - 1, counterText);
    host.SetProgress(i, counterText, record.Name);
    if (host.CancelRequested()) {
      result.Cancelled = true;
      break;
    }
    // Workers start once the first round of events has run, so that they read the files as
    // they stand when the pass begins its work.
    pool.Start(workers);
    if (!IsProcedureKind(record.Kind)) continue;

    const UnitPlace& place = places[static_cast<std::size_t>(i)];
    UnitScan& unit = pool.Take(place.Unit);
    if (place.Position >= unit.Results.size()) std::rethrow_exception(unit.Error);
    const BodyScanResult found = unit.Results[place.Position].Found;
    calls.Take(record, unit.CalleesOf(place.Position));
    // The unit's last procedure: its scan is not needed again.
    if (place.Position + 1 == units[place.Unit].Procedures.size()) unit = UnitScan{};
    run.LineNo = found.EndLine;
    if (found.ReachedEof) host.ShowRepeatedMessage(RepeatedMessage::Eof, "Eof");
  }
}

}  // namespace

void FormatXrefProgress(int position, int last, std::string& out) {
  // Once per record: the digits are written without the format parser.
  char digits[16];
  out.assign("Process Xref ");
  out.append(digits, std::to_chars(digits, digits + sizeof digits, position).ptr);
  out += '/';
  out.append(digits, std::to_chars(digits, digits + sizeof digits, last).ptr);
}

void BuildXref(AnalysisRun& run) {
  AnalysisResult& result = run.Result;
  const std::vector<TPassRec*> procedures = ProceduresInRecordingOrder(result);
  // The name indexes are made once the token table is gone: the two are never held at once.
  result.ProcNames = {};
  result.ProcFullNames = {};

  ProgressScope progress(run.Host);
  run.Host.SetProgressRange(result.SymbolList.Count() - 1);
  CallRecorder calls(procedures);
  // Also after a failure: what was found before it stays recorded and can be looked up.
  const auto finish = [&] {
    calls.Finish();
    if (run.Options.IndexNames) IndexProcedures(result, procedures);
  };
  try {
    ScanBodies(run, procedures, calls);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace tarnel
