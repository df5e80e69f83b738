#include "reports/Exports.h"

#include "platform/Paths.h"
#include "reports/DotExport.h"
#include "reports/EdgesExport.h"
#include "reports/TagsExport.h"

namespace tarnel {

void WriteExportFile(ExportFormat format, const ExportGraph& graph, const WritePath& fileName,
                     const std::vector<Finding>& findings) {
  FileByteSink sink(fileName);
  switch (format) {
    case ExportFormat::CallGraphDot:
      WriteCallGraphDot(sink, graph);
      break;
    case ExportFormat::ModuleGraphDot:
      WriteModuleGraphDot(sink, graph);
      break;
    case ExportFormat::EdgesJsonLines:
      WriteEdgesJsonLines(sink, graph);
      break;
    case ExportFormat::Tags:
      // The folder as given, so that a tags file that is a link is read beside itself.
      WriteTags(sink, graph, AbsolutePath(std::filesystem::path(fileName.Native()).parent_path()));
      break;
    case ExportFormat::Sarif:
      WriteSarif(sink, graph, findings);
      break;
  }
  sink.Close();
}

}  // namespace tarnel
