#pragma once

#include <string_view>
#include <vector>

#include "platform/TextFile.h"
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

// Writes one export to fileName, the same bytes from the batch tool and the window. findings are
// read by the SARIF export only. Throws FileCreateError / FileWriteError.
void WriteExportFile(ExportFormat format, const ExportGraph& graph, const WritePath& fileName,
                     const std::vector<Finding>& findings = {});

}  // namespace tarnel
