#pragma once

#include <string>
#include <string_view>

#include "analysis/AnalysisContext.h"
#include "platform/TextFile.h"

// The analysis engine's operations, over one AnalysisContext.
namespace tarnel {

// Symbol list
void AddSymbol(AnalysisContext& ctx, const TPassRec& record);
TPassRec& FindSymbol(const AnalysisContext& ctx, std::string_view key);
void ClearSymbols(AnalysisContext& ctx);

// Project reader: the whole analysis, from the project file to the complete cross-reference.
// projectPath is engine text. Throws FileNotFoundError / FileOpenError.
void AnalyzeProject(AnalysisContext& ctx, std::string_view projectPath);
void EnumerateModules(AnalysisContext& ctx, TextReader& project, const std::string& groupKey,
                      const std::string& kindWord, char separator);

// Logical line reader: comment cut, trimmed, "End " lines empty, continuations joined.
std::string ReadLogicalLine(AnalysisContext& ctx, TextReader& file);
// The same without a copy: the view points into the file's text, or into joined when continued
// lines had to be joined. Valid until the next read.
std::string_view ReadLogicalLineView(LineCounters& counters, TextReader& file, std::string& joined);

// Declaration scanner: a module's name and procedures, read from its file (or taken from the files
// read ahead) and entered in the list. The scan itself is FindDeclarations in ModuleScan.h.
void ReadStdModule(AnalysisContext& ctx, TPassRec& module);
void ReadHeaderModule(AnalysisContext& ctx, TPassRec& module);

// Reserved words from ProgramDir + "resv.dic" (engine path of the file). Throws FileOpenError.
void LoadReservedWords(AnalysisContext& ctx, std::string_view dictionaryPath);

// True when nativePath is, under any name, the project file, a module file or the dictionary that
// the last analysis read: a file that no output may replace.
bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath);

// Cross-reference pass
void BuildXref(AnalysisContext& ctx);
void IndexProcedures(AnalysisContext& ctx);
void AddUniqueKey(std::vector<std::string>& list, const std::string& key);

}  // namespace tarnel
