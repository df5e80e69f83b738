#include "ui/SaveTarget.h"

#include "analysis/Analysis.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "ui/FileDialog.h"
#include "ui/UserPrompts.h"

namespace tarnel {

std::optional<std::string> CheckSaveTarget(const AnalysisContext& ctx, const std::string& native,
                                           UserPrompts& prompts, QWidget* over) {
  const std::string enginePath = NativeToEngine(native);
  if (IsAnalysisInput(ctx, native)) throw FileCreateError(enginePath);
  const std::string variant = CaseVariantOf(native);
  if (!variant.empty()) {
    const QString name = ShownFileName(native.substr(native.rfind('/') + 1));
    const QString question =
        QStringLiteral(
            "\"%1\" is already in this folder; its name differs only in letter case.\n"
            "Save \"%2\" as another file beside it?")
            .arg(ShownFileName(variant), name);
    if (!prompts.AskYesNo(over, question)) return std::nullopt;
  }
  return enginePath;
}

}  // namespace tarnel
