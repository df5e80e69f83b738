#pragma once

#include "reports/ByteSink.h"
#include "reports/ExportGraph.h"

namespace tarnel {

// JSON Lines: one object per caller and callee pair, in the order of the callers in the tree and
// of each caller's calls. Files are relative to the project's folder; "callLines" is there only
// when the reading records call sites.
void WriteEdgesJsonLines(ByteSink& sink, const ExportGraph& graph);

}  // namespace tarnel
