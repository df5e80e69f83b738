#pragma once

#include "analysis/AnalysisHost.h"
#include "platform/TextFile.h"
#include "reports/LineSink.h"
#include "reports/ReportOptions.h"

namespace tarnel {

// The cross-reference report: the caption, then every node of the tree with its prefix, each
// procedure with its label and its links in the chosen direction.
void WriteXrefLines(LineSink& sink, const ReportInput& input, const ReportOptions& options);

// Writes the report to fileName and returns true. With an empty tree it shows
// " No Output Item \r" through the host, creates nothing and returns false. File failures throw.
bool WriteXref(AnalysisHost& host, const ReportInput& input, const WritePath& fileName,
               const ReportOptions& options);

// "O&utput File": ".CSV" writes the comma form, every other extension (".TXT" included) the fixed
// one; both directions, kind word and name.
void SaveReport(AnalysisHost& host, const ReportInput& input, const WritePath& fileName);

}  // namespace tarnel
