#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <functional>
#include <string>

#include "analysis/PreciseModel.h"
#include "analysis/VbLexer.h"

namespace tarnel {

// Called for each live statement inside the body of procedure (an index into Procedures).
using BodyVisitor =
    std::function<void(const ModuleModel&, std::size_t procedure, const VbStatement&)>;

// Reads a module's text (already decoded) into module: the header's controls, attributes,
// module-level declarations, procedures with their extents, parameters and locals. A module
// without a header (a standard module) starts with its code. Never fails on bad text.
void ScanModuleText(TextReader& file, bool hasHeader, const CondConstants& project, bool doubleByte,
                    ModuleModel& module, const BodyVisitor& visitor = {});

// The text of a statement as written: its tokens' spans per physical line, joined by a blank.
std::string StatementText(const VbStatement& statement);

}  // namespace tarnel
