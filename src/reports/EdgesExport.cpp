#include "reports/EdgesExport.h"

#include "reports/ExportText.h"

namespace tarnel {

namespace {

void AppendEnd(std::string& line, const char* role, const ExportGraph& graph,
               const std::vector<std::string>& files, int index) {
  const ExportProcedure& procedure = graph.Procedures()[index];
  const std::string prefix = std::string(",\"") + role;
  line += prefix + "Kind\":";
  AppendJsonString(line, ProcedureKindWord(procedure.Record->Kind));
  line += prefix + "Key\":";
  AppendJsonString(line, procedure.Record->Key);
  line += prefix + "File\":";
  AppendJsonString(line, files[procedure.Module]);
  line += prefix + "StartLine\":" + std::to_string(procedure.Record->StartLine);
}

}  // namespace

void WriteEdgesJsonLines(ByteSink& sink, const ExportGraph& graph) {
  std::vector<std::string> files;
  files.reserve(graph.Modules().size());
  for (const ExportModule& module : graph.Modules()) {
    files.push_back(module.File.empty()
                        ? module.Reference
                        : NativeToUtf8(RelativePath(module.File, graph.ProjectFolder())));
  }
  std::string line;
  for (const ExportEdge& edge : graph.Edges()) {
    line = "{\"caller\":";
    AppendJsonString(line, graph.Procedures()[edge.Caller].FullName);
    line += ",\"callee\":";
    AppendJsonString(line, graph.Procedures()[edge.Callee].FullName);
    AppendEnd(line, "caller", graph, files, edge.Caller);
    AppendEnd(line, "callee", graph, files, edge.Callee);
    if (graph.HasCallSites()) {
      line += ",\"callLines\":[";
      for (std::size_t i = 0; i < edge.Lines.size(); ++i) {
        if (i > 0) line += ',';
        line += std::to_string(edge.Lines[i]);
      }
      line += ']';
    }
    line += "}\n";
    sink.Write(line);
  }
}

}  // namespace tarnel
