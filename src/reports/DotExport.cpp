#include "reports/DotExport.h"

#include <map>
#include <utility>

namespace tarnel {

namespace {

const char* ModuleColour(int kind) {
  switch (kind) {
    case KindStdModule:
      return "#cfe2f3";
    case KindFormModule:
      return "#d9ead3";
    case KindClassModule:
      return "#fff2cc";
    case KindUserControl:
      return "#f4cccc";
    case KindPropertyPage:
      return "#d9d2e9";
    default:
      return "#eeeeee";
  }
}

const char* ModuleKindWord(int kind) {
  switch (kind) {
    case KindStdModule:
      return "Module";
    case KindFormModule:
      return "Form";
    case KindClassModule:
      return "Class";
    case KindUserControl:
      return "UserControl";
    case KindPropertyPage:
      return "PropertyPage";
    default:
      return "Module";
  }
}

std::string KeyId(const TPassRec& record) { return DotQuoted(record.Key); }

void WriteHeader(ByteSink& sink, const ExportGraph& graph, const char* nodeStyle) {
  std::string line = "digraph " + DotQuoted(graph.ProjectName()) + " {\n";
  line += "  graph [label=" + DotQuoted(graph.ProjectName()) +
          ", labelloc=t, rankdir=LR, fontname=\"sans-serif\"];\n";
  line += "  node [shape=box, style=";
  line += nodeStyle;
  line += ", fontname=\"sans-serif\"];\n";
  sink.Write(line);
}

}  // namespace

std::string DotQuoted(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out.push_back('"');
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      // A backslash is an escape in labels and tooltips, so it is doubled to stand for itself.
      out.push_back('\\');
      out.push_back(ch);
    } else if (ch == '\n') {
      out.append("\\n");
    } else if (c < 0x20 && ch != '\t') {
      out.push_back(' ');  // not allowed in the XML that dot writes
    } else {
      out.push_back(ch);
    }
  }
  out.push_back('"');
  return out;
}

void WriteCallGraphDot(ByteSink& sink, const ExportGraph& graph) {
  WriteHeader(sink, graph, "\"rounded,filled\", fillcolor=white");
  std::string line;
  for (const ExportModule& module : graph.Modules()) {
    if (module.Procedures.empty()) continue;  // an empty cluster draws nothing
    line = "  subgraph " + DotQuoted("cluster_" + module.Record->Key) + " {\n";
    line += "    label=" + DotQuoted(module.Name) + "; tooltip=" +
            DotQuoted(std::string(ModuleKindWord(module.Record->Kind)) + " " + module.Reference) +
            "; style=filled; fillcolor=\"" + ModuleColour(module.Record->Kind) + "\";\n";
    for (int index : module.Procedures) {
      const ExportProcedure& procedure = graph.Procedures()[index];
      line += "    " + KeyId(*procedure.Record) + " [label=" + DotQuoted(procedure.Name) +
              ", tooltip=" + DotQuoted(procedure.Declaration) + "];\n";
    }
    line += "  }\n";
    sink.Write(line);
  }
  for (const ExportEdge& edge : graph.Edges()) {
    line = "  " + KeyId(*graph.Procedures()[edge.Caller].Record) + " -> " +
           KeyId(*graph.Procedures()[edge.Callee].Record) + ";\n";
    sink.Write(line);
  }
  sink.Write("}\n");
}

void WriteModuleGraphDot(ByteSink& sink, const ExportGraph& graph) {
  WriteHeader(sink, graph, "filled");
  std::string line;
  for (const ExportModule& module : graph.Modules()) {
    line = "  " + KeyId(*module.Record) + " [label=" + DotQuoted(module.Name) + ", tooltip=" +
           DotQuoted(std::string(ModuleKindWord(module.Record->Kind)) + " " + module.Reference) +
           ", fillcolor=\"" + ModuleColour(module.Record->Kind) + "\"];\n";
    sink.Write(line);
  }
  // Module pairs in the order of their first call; a call counts once per call site when the
  // reading records them, once per caller and callee otherwise.
  std::map<std::pair<int, int>, std::size_t> slot;
  std::vector<std::pair<std::pair<int, int>, long>> pairs;
  for (const ExportEdge& edge : graph.Edges()) {
    const int from = graph.Procedures()[edge.Caller].Module;
    const int to = graph.Procedures()[edge.Callee].Module;
    if (from == to) continue;
    auto [it, added] = slot.emplace(std::make_pair(from, to), pairs.size());
    if (added) pairs.push_back({{from, to}, 0});
    pairs[it->second].second += edge.Lines.empty() ? 1 : static_cast<long>(edge.Lines.size());
  }
  for (const auto& [modules, calls] : pairs) {
    const std::string count = std::to_string(calls);
    line = "  " + KeyId(*graph.Modules()[modules.first].Record) + " -> " +
           KeyId(*graph.Modules()[modules.second].Record) + " [weight=" + count + ", label=\"" +
           count + "\"];\n";
    sink.Write(line);
  }
  sink.Write("}\n");
}

}  // namespace tarnel
