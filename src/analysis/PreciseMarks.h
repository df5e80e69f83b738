#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/PreciseResolve.h"

namespace tarnel {

// The calls that the language makes without a token: from an event record to each handler of
// it (WithEvents variables and controls typed by a user control of the project), and from an
// interface's member to each implementation. Caller and callee by project-wide number, in the
// order of the handling modules.
std::vector<std::pair<std::uint32_t, std::uint32_t>> DispatchEdges(const ProjectIndex& index);

// Whether each procedure of a module is an entry point: something outside the project's code
// calls it.
std::vector<bool> EntryPointsOf(const ProjectIndex& index, std::size_t module);

// Entry points, unused, unreachable and maybe-called-by-name procedures, from the distinct
// callees of each procedure (by number). Fills the model's marks by key.
void ComputeMarks(const ProjectIndex& index, const std::vector<std::vector<std::uint32_t>>& callees,
                  PreciseModel& model);

}  // namespace tarnel
