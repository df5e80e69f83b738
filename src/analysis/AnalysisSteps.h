#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/AnalysisRun.h"
#include "platform/TextFile.h"

// The steps behind AnalyzeProject, over the state of one run.
namespace tarnel {

// The analysis of AnalyzeProject with the run's state at hand: its result goes to run.Result.
void RunAnalysis(AnalysisRun& run, std::string_view projectPath);

// Symbol list: a module's procedures enter it before the module itself.
void AddSymbol(AnalysisRun& run, TPassRec record);

// Project reader: the module lines of one kind, each entered with its group before the first.
void EnumerateModules(AnalysisRun& run, TextReader& project, const std::string& groupKey,
                      const std::string& kindWord, char separator);

// Logical line reader: comment cut, trimmed, "End " lines empty, continuations joined.
std::string ReadLogicalLine(LineCounters& counters, TextReader& file);
// The same without a copy: the view points into the file's text, or into joined when continued
// lines had to be joined. Valid until the next read.
std::string_view ReadLogicalLineView(LineCounters& counters, TextReader& file, std::string& joined);

// Declaration scanner: a module's name and procedures, read from its file (or taken from the files
// read ahead) and entered in the list. The scan itself is FindDeclarations in ModuleScan.h.
void ReadStdModule(AnalysisRun& run, TPassRec& module);
void ReadHeaderModule(AnalysisRun& run, TPassRec& module);

// Cross-reference pass: the calls of every procedure, then the name indexes in recording order.
void BuildXref(AnalysisRun& run);
// The progress text of the cross-reference pass at position of 0..last: "Process Xref n/last".
void FormatXrefProgress(int position, int last, std::string& out);
// The procedure records in recording order: the first recorded wins every unqualified call.
std::vector<TPassRec*> ProceduresInRecordingOrder(AnalysisResult& result);
// Fills the name indexes from procedures, in that order.
void IndexProcedures(AnalysisResult& result, std::span<TPassRec* const> procedures);
void IndexProcedures(AnalysisResult& result);

}  // namespace tarnel
