#pragma once

#include <optional>
#include <string>

#include "analysis/AnalysisContext.h"

class QWidget;

namespace tarnel {

class UserPrompts;

// Checks a file name chosen in a save dialog (native path) before anything is written there.
// A file that the analysis read (the project, a module, the dictionary) is refused with
// FileCreateError. When another file's name differs only in letter case, the user is asked in a
// box over the window of over; No declines. Returns the engine path to write exactly as chosen,
// nullopt when declined.
std::optional<std::string> CheckSaveTarget(const AnalysisContext& ctx, const std::string& native,
                                           UserPrompts& prompts, QWidget* over);

}  // namespace tarnel
