#include "analysis/Analysis.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace tarnel {

void AddSymbol(AnalysisContext& ctx, const TPassRec& record) {
  TPassRec stored = record;
  // A module's procedures enter the list before the module itself.
  if (stored.Kind == KindStdModule) {
    ReadStdModule(ctx, stored);
  } else if (IsModuleKind(stored.Kind)) {
    ReadHeaderModule(ctx, stored);
  }
  ctx.SymbolList.Add(std::move(stored));
}

TPassRec& FindSymbol(const AnalysisContext& ctx, std::string_view key) {
  return ctx.SymbolList.Find(key);
}

void ClearSymbols(AnalysisContext& ctx) {
  // The name indexes keep their texts but must not reach the disposed records.
  ctx.ProcNames.ForgetRecords();
  ctx.ProcFullNames.ForgetRecords();
  ctx.SymbolList.Clear();
}

void LoadReservedWords(AnalysisContext& ctx, std::string_view dictionaryPath) {
  // A missing dictionary is reported like one that cannot be opened, with its path.
  if (!FileExists(dictionaryPath)) throw FileOpenError(dictionaryPath);
  std::string content = ReadWholeFile(dictionaryPath);
  ctx.ReservedWords.LoadFromBytes(content);
  std::optional<std::string> native = ResolvePath(dictionaryPath);
  ctx.ReservedWordsFile = native ? FileIdOf(*native) : std::nullopt;
  if (ctx.ReservedWordsFile) ctx.Paths.NoteRead(*ctx.ReservedWordsFile);
}

bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath) {
  return ctx.Paths.WasRead(nativePath);
}

}  // namespace tarnel
