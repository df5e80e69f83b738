#pragma once

#include <string_view>

#include "analysis/AnalysisContext.h"
#include "analysis/ResultTree.h"
#include "reports/LineSink.h"

namespace tarnel {

// The cross-reference report. form: 'F' fixed columns, 'C' comma-separated; direction: 'I'
// callees, 'Y' callers, 'B' both, 'N' labels only; style: 'S' kind word and name, anything else
// the declaration line. caption is the first line (the main window's caption).
void WriteXrefLines(LineSink& sink, const ResultTree& tree, const SymbolList& symbols,
                    std::string_view caption, char form, char direction, char style);

// Writes the report to fileName and returns true. With an empty tree it shows
// " No Output Item \r" through the host, creates nothing and returns false. File failures throw.
bool WriteXref(AnalysisHost& host, const ResultTree& tree, const SymbolList& symbols,
               std::string_view caption, const WritePath& fileName, char form, char direction,
               char style);

// "O&utput File": ".CSV" writes C, B, S; every other extension (".TXT" included) writes F, B, S.
void SaveReport(AnalysisHost& host, const ResultTree& tree, const SymbolList& symbols,
                std::string_view caption, const WritePath& fileName);

}  // namespace tarnel
