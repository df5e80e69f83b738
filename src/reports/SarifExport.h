#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reports/ByteSink.h"
#include "reports/ExportGraph.h"

namespace tarnel {

enum class FindingRule {
  Unused,       // no other procedure calls it and nothing outside the code does
  Unreachable,  // no chain of calls leads to it from an entry point
  MaybeByName,  // not called, but its name is the whole of a string in the code
};

struct Finding {
  FindingRule Rule = FindingRule::Unused;
  std::string ProcedureKey;
};

// A SARIF 2.1.0 log with one run: the three rules, and a result per finding in the order given,
// located at the procedure's declaration line in its file (relative to the project's folder, or
// an absolute file URI when it lies outside it). A finding whose key names no procedure of the
// graph is left out.
void WriteSarif(ByteSink& sink, const ExportGraph& graph, const std::vector<Finding>& findings);

// An absolute path as a file URI, and a relative one as a URI reference: every byte but the
// unreserved characters and "/" percent-encoded.
std::string FileUri(std::string_view absolutePath);
std::string UriReference(std::string_view relativePath);

}  // namespace tarnel
