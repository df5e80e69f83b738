#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "analysis/AnalysisContext.h"

namespace tarnel {

// Checks a file name chosen in a save dialog (native path) before anything is written there.
// A file that the analysis read (the project, a module, the dictionary) is refused with
// FileCreateError. When another file's name differs only in letter case, ask is called with a
// question; false declines. Returns the engine path to write exactly as chosen, nullopt when
// declined.
std::optional<std::string> CheckSaveTarget(const AnalysisContext& ctx, const std::string& native,
                                           const std::function<bool(const QString&)>& ask);

}  // namespace tarnel
