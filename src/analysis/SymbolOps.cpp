#include "analysis/Analysis.h"
#include "analysis/AnalysisSteps.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

void AddSymbol(AnalysisRun& run, TPassRec record) {
  // A module's procedures enter the list before the module itself.
  if (record.Kind == KindStdModule) {
    ReadStdModule(run, record);
  } else if (IsModuleKind(record.Kind)) {
    ReadHeaderModule(run, record);
  }
  run.Result.SymbolList.Add(std::move(record));
}

TPassRec& FindSymbol(const AnalysisResult& result, std::string_view key) {
  return result.SymbolList.Find(key);
}

void ClearSymbols(AnalysisResult& result) {
  // The name indexes keep their texts but must not reach the disposed records.
  result.ProcNames.ForgetRecords();
  result.ProcFullNames.ForgetRecords();
  result.SymbolList.Clear();
}

void LoadReservedWords(AnalysisOptions& options, std::string_view dictionaryPath) {
  // A missing dictionary is reported like one that cannot be opened, with its path.
  if (!FileExists(dictionaryPath)) throw FileOpenError(dictionaryPath);
  std::string content = ReadWholeFile(dictionaryPath);
  options.ReservedWords.LoadFromBytes(content);
  std::optional<std::string> native = ResolvePath(dictionaryPath);
  options.ReservedWordsFile = native ? FileIdOf(*native) : std::nullopt;
}

bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath) {
  std::optional<FileId> id = FileIdOf(nativePath);
  if (!id) return false;
  return id == ctx.Options.ReservedWordsFile || ctx.Result.FilesRead.count(*id) > 0;
}

}  // namespace tarnel
