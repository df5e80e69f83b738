#pragma once

#include <string>
#include <string_view>

#include "reports/ByteSink.h"
#include "reports/ExportGraph.h"

namespace tarnel {

// The call graph in Graphviz DOT: a cluster per module, coloured by the module's kind, a node per
// procedure (its name, with its declaration as the tooltip) and an edge per caller and callee.
void WriteCallGraphDot(ByteSink& sink, const ExportGraph& graph);

// The module dependency graph: a node per module and an edge per calling module and called
// module, weighted by the number of calls. Calls inside a module are left out.
void WriteModuleGraphDot(ByteSink& sink, const ExportGraph& graph);

// utf8 as a DOT string, quotes included, that every DOT reader takes back as the same text.
std::string DotQuoted(std::string_view utf8);

}  // namespace tarnel
