#include "analysis/InputFiles.h"

#include <optional>

#include "platform/FileIdentity.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

// The file an engine path was read from, found as the reading found it.
std::optional<FileIdentity> IdentityOfInput(const std::string& enginePath) {
  if (enginePath.empty()) return std::nullopt;
  std::optional<std::string> native = ResolvePath(enginePath);
  if (!native) return std::nullopt;
  return IdentityOf(*native);
}

}  // namespace

bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath) {
  const std::optional<FileIdentity> target = IdentityOf(nativePath);
  if (!target) return false;  // a new file replaces nothing
  if (IdentityOfInput(ctx.ProjectPath) == target) return true;
  if (IdentityOfInput(ctx.DictionaryPath) == target) return true;
  for (int i = 0; i < ctx.SymbolList.Count(); ++i) {
    const TPassRec& record = ctx.SymbolList.At(i);
    if (IsModuleKind(record.Kind) && IdentityOfInput(record.Text) == target) return true;
  }
  return false;
}

}  // namespace tarnel
