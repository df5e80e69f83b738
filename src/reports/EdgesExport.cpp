#include "reports/EdgesExport.h"

#include "reports/ExportText.h"

namespace tarnel {

namespace {

// What an edge's line says about one of its ends, made once per procedure: the quoted name and
// the kind, key, file and start line fields for each role.
struct EndText {
  std::string Name;
  std::string AsCaller;
  std::string AsCallee;
};

std::string Fields(const char* role, const ExportProcedure& procedure, const std::string& file) {
  const std::string prefix = std::string(",\"") + role;
  std::string text = prefix + "Kind\":";
  AppendJsonString(text, ProcedureKindWord(procedure.Record->Kind));
  text += prefix + "Key\":";
  AppendJsonString(text, procedure.Record->Key);
  text += prefix + "File\":";
  AppendJsonString(text, file);
  text += prefix + "StartLine\":" + std::to_string(procedure.Record->StartLine);
  return text;
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
  std::vector<EndText> ends(graph.Procedures().size());
  std::vector<bool> made(ends.size(), false);
  std::string line;
  for (const ExportEdge& edge : graph.Edges()) {
    for (int index : {edge.Caller, edge.Callee}) {
      if (made[index]) continue;
      const ExportProcedure& procedure = graph.Procedures()[index];
      AppendJsonString(ends[index].Name, procedure.FullName);
      ends[index].AsCaller = Fields("caller", procedure, files[procedure.Module]);
      ends[index].AsCallee = Fields("callee", procedure, files[procedure.Module]);
      made[index] = true;
    }
    const EndText& caller = ends[edge.Caller];
    const EndText& callee = ends[edge.Callee];
    line.assign("{\"caller\":").append(caller.Name).append(",\"callee\":").append(callee.Name);
    line.append(caller.AsCaller).append(callee.AsCallee);
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
