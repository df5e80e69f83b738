#pragma once

#include <optional>

#include "analysis/ReservedWords.h"
#include "platform/Paths.h"
#include "platform/SourceText.h"

namespace tarnel {

enum class ReadingKind { Classic, Precise };

// How the next analysis reads a project. Set by the front end; the engine only reads it.
struct AnalysisOptions {
  ::tarnel::ReservedWordList ReservedWords;
  // The dictionary file the words came from, which counts as read by every analysis.
  std::optional<FileId> ReservedWordsFile;
  // How many threads besides its own the analysis may use to read and scan files ahead; 0 keeps
  // it on one thread. The results are the same either way.
  unsigned Workers = 3;
  ReadingKind Reading = ReadingKind::Classic;
  // How the module files are decoded; code page 932 keeps their bytes as the engine's text.
  SourceEncoding Encoding = SourceEncoding::Cp932;
  // The precise reading keeps what a ModuleUpdater needs and the analysis has at hand: the names
  // each module's bodies use, noted in the pass that reads them for their calls, and its index.
  bool KeepForUpdates = false;
  // The procedures by name and by full name (AnalysisResult::ProcNames, ProcFullNames), which the
  // window's lookups read; a front end that looks nothing up spares making them.
  bool IndexNames = true;
};

}  // namespace tarnel
