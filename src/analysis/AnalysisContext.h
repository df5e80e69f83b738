#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/AnalysisHost.h"
#include "analysis/NameIndex.h"
#include "analysis/ReservedWords.h"
#include "analysis/SymbolList.h"

namespace tarnel {

// The whole state of the analysis engine: the global lists and counters of one program run. The
// window, the batch tool and each test make their own.
struct AnalysisContext {
  explicit AnalysisContext(AnalysisHost& host) : Host(&host) {}

  AnalysisHost* Host;

  // The lists, in the order of their creation.
  ::tarnel::SymbolList SymbolList;
  NameIndex ProcNames;
  NameIndex ProcFullNames;
  // Views into the line being examined, which the pass keeps alive while it looks at them.
  std::vector<std::string_view> TokenList;
  std::vector<std::string> ToolList;
  ReservedWordList ReservedWords;

  // Counters of the analysis that runs or ran last.
  std::string ProjectDir;
  long ModuleBase = 0;
  long PassModuleCount = 0;
  long ProcedureTotal = 0;
  long LineNo = 0;
  long ContinuationCount = 0;

  // Set by the progress dialog's Cancel button; cleared and polled by the cross-reference pass.
  bool CancelRequested = false;
};

}  // namespace tarnel
