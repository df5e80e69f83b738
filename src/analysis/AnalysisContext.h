#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/AnalysisHost.h"
#include "analysis/NameIndex.h"
#include "analysis/Reading.h"
#include "analysis/ReservedWords.h"
#include "analysis/SourceDecoder.h"
#include "analysis/SymbolList.h"
#include "platform/Paths.h"

namespace tarnel {

class ModulePrefetch;
struct PreciseModel;

// Where the reading of a module file stands: physical lines read, continuation joins made.
struct LineCounters {
  long LineNo = 0;
  long ContinuationCount = 0;
};

// The whole state of the analysis engine: the global lists and counters of one program run. The
// window, the batch tool and each test make their own.
struct AnalysisContext : LineCounters {
  explicit AnalysisContext(AnalysisHost& host) : Host(&host) {}

  AnalysisHost* Host;

  // The lists, in the order of their creation.
  ::tarnel::SymbolList SymbolList;
  NameIndex ProcNames;
  NameIndex ProcFullNames;
  // The tokens of the line being examined. The cross-reference pass may scan on several threads,
  // each with a token list of its own; this one serves single-threaded callers.
  std::vector<std::string_view> TokenList;
  ReservedWordList ReservedWords;

  // Counters of the analysis that runs or ran last.
  std::string ProjectDir;
  long ModuleBase = 0;
  long PassModuleCount = 0;
  long ProcedureTotal = 0;
  // LineNo and ContinuationCount come from LineCounters.

  // Set by the progress dialog's Cancel button; cleared and polled by the cross-reference pass.
  bool CancelRequested = false;

  // How many threads besides its own the analysis may use to read and scan files ahead; 0 keeps
  // it on one thread. The results are the same either way.
  unsigned Workers = 3;

  // The module files being read ahead while an analysis enumerates them; null otherwise.
  ModulePrefetch* Prefetch = nullptr;

  // Which reading the next analysis uses, and how it decodes the module files.
  ReadingKind Reading = ReadingKind::Classic;
  SourceDecoder Decoder;
  // What the precise reading found beside the list; null after a classic analysis.
  std::shared_ptr<PreciseModel> Precise;
  // Resolves the paths of the analysis that runs, and knows the files that the last one read.
  PathResolver Paths;
  // The reserved-word dictionary that was loaded, which counts as read by every analysis.
  std::optional<FileId> ReservedWordsFile;
};

}  // namespace tarnel
