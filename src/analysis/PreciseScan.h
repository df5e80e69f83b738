#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <functional>
#include <string>

#include "analysis/PreciseModel.h"
#include "analysis/VbLexer.h"

namespace tarnel {

// Called for each live statement inside the body of procedure (an index into Procedures), once the
// procedure has been read to its end: locals then holds its parameters, variables and constants,
// wherever the body declares them.
using BodyVisitor = std::function<void(
    std::size_t procedure, const std::vector<VariableDecl>& locals, const VbStatement&)>;

// Reads a module's text (already decoded) into module: the header's controls, attributes,
// module-level declarations and procedures with their extents. A module without a header (a
// standard module) starts with its code. With a visitor only the bodies are read, each handed to
// it with its locals; the locals are never kept, so that a whole project's stay out of memory.
// Never fails on bad text.
void ScanModuleText(TextReader& file, bool hasHeader, const CondConstants& project, bool doubleByte,
                    ModuleModel& module, const BodyVisitor& visitor = {});

// The text of a statement as written: its tokens' spans per physical line, joined by a blank.
std::string StatementText(const VbStatement& statement);

}  // namespace tarnel
