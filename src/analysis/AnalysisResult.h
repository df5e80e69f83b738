#pragma once

#include <memory>
#include <unordered_set>

#include "analysis/NameIndex.h"
#include "analysis/SourceDecoder.h"
#include "analysis/SymbolList.h"
#include "platform/Paths.h"

namespace tarnel {

struct PreciseModel;

// What the last analysis found. It stays until the next analysis replaces it.
struct AnalysisResult {
  // The records in the order of their creation, and the procedures by name and by full name.
  ::tarnel::SymbolList SymbolList;
  NameIndex ProcNames;
  NameIndex ProcFullNames;
  // What the precise reading found beside the list; null after a classic analysis.
  std::shared_ptr<PreciseModel> Precise;
  // How the module files were decoded: the records' texts follow it, and so must any later
  // reading of the same files.
  SourceDecoder Decoder;
  // The project and module files that were read: no output may replace one of them.
  std::unordered_set<FileId, FileIdHash> FilesRead;
  // The cross-reference pass stopped early at the host's request: later records lack their calls.
  bool Cancelled = false;
};

}  // namespace tarnel
