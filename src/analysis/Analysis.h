#pragma once

#include <string>
#include <string_view>

#include "analysis/AnalysisContext.h"
#include "analysis/Symbol.h"

// The analysis engine as front ends use it, over one AnalysisContext.
namespace tarnel {

// The whole analysis, from the project file to the complete cross-reference, into ctx.Result.
// projectPath is engine text. Throws FileNotFoundError / FileOpenError.
void AnalyzeProject(AnalysisContext& ctx, std::string_view projectPath);

// Reserved words from ProgramDir + "resv.dic" (engine path of the file). Throws FileOpenError.
void LoadReservedWords(AnalysisOptions& options, std::string_view dictionaryPath);

// The record of key; throws ListIndexError when there is none.
TPassRec& FindSymbol(const AnalysisResult& result, std::string_view key);
// Disposes of every record; the name indexes no longer reach them.
void ClearSymbols(AnalysisResult& result);

// True when nativePath is, under any name, the project file, a module file or the dictionary that
// the last analysis read: a file that no output may replace.
bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath);

}  // namespace tarnel
