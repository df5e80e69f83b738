#pragma once

#include <string_view>
#include <vector>

#include "reports/ExportGraph.h"
#include "reports/SarifExport.h"

namespace tarnel {

enum class ExportFormat {
  CallGraphDot,
  ModuleGraphDot,
  EdgesJsonLines,
  Tags,
  Sarif,
};

// Writes one export to fileName (engine path), the same bytes from the batch tool and the
// window. findings are read by the SARIF export only. Throws FileCreateError / FileWriteError.
void WriteExportFile(ExportFormat format, const ExportGraph& graph, std::string_view fileName,
                     const std::vector<Finding>& findings = {});

}  // namespace tarnel
