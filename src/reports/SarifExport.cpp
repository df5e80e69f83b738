#include "reports/SarifExport.h"

#include <cctype>
#include <iterator>

#include "reports/ExportText.h"

namespace tarnel {

namespace {

struct RuleText {
  FindingRule Rule;
  const char* Id;
  const char* Name;
  const char* Description;
  const char* Level;
  const char* Message;  // after "<kind> <Module.Name> "
};

constexpr RuleText kRules[] = {
    {FindingRule::Unused, "TNL1001", "UnusedProcedure",
     "A procedure that nothing calls: no other procedure, and no event or entry point.", "warning",
     "is never called."},
    {FindingRule::Unreachable, "TNL1002", "UnreachableProcedure",
     "A procedure that no chain of calls from an entry point reaches.", "warning",
     "cannot be reached from any entry point."},
    {FindingRule::MaybeByName, "TNL1003", "MaybeCalledByName",
     "A procedure that no code calls directly, but whose name is the whole of a string in the "
     "code, as CallByName and similar calls use it.",
     "note",
     "is not called directly, but a string in the code names it: it may be called by name."},
};

const RuleText& TextOf(FindingRule rule) {
  for (const RuleText& text : kRules) {
    if (text.Rule == rule) return text;
  }
  return kRules[0];
}

std::string PercentEncoded(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) != 0 || ch == '-' || ch == '.' || ch == '_' || ch == '~' || ch == '/') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

}  // namespace

std::string FileUri(std::string_view absolutePath) {
  return "file://" + PercentEncoded(absolutePath);
}

std::string UriReference(std::string_view relativePath) { return PercentEncoded(relativePath); }

void WriteSarif(ByteSink& sink, const ExportGraph& graph, const std::vector<Finding>& findings) {
  std::string out =
      "{\n"
      "  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
      "  \"version\": \"2.1.0\",\n"
      "  \"runs\": [\n"
      "    {\n"
      "      \"tool\": {\"driver\": {\"name\": \"Tarnel\", \"rules\": [";
  for (std::size_t i = 0; i < std::size(kRules); ++i) {
    const RuleText& rule = kRules[i];
    out += i > 0 ? ",\n" : "\n";
    out += "        {\"id\": ";
    AppendJsonString(out, rule.Id);
    out += ", \"name\": ";
    AppendJsonString(out, rule.Name);
    out += ", \"shortDescription\": {\"text\": ";
    AppendJsonString(out, rule.Description);
    out += "}, \"defaultConfiguration\": {\"level\": ";
    AppendJsonString(out, rule.Level);
    out += "}}";
  }
  std::string root = graph.ProjectFolder().generic_string();
  if (root.empty() || root.back() != '/') root += '/';
  out += "]}},\n      \"originalUriBaseIds\": {\"PROJECTROOT\": {\"uri\": ";
  AppendJsonString(out, FileUri(root));
  out += "}},\n      \"results\": [";
  sink.Write(out);

  bool first = true;
  for (const Finding& finding : findings) {
    const int index = graph.FindProcedure(finding.ProcedureKey);
    if (index < 0) continue;
    const ExportProcedure& procedure = graph.Procedures()[index];
    const ExportModule& module = graph.Modules()[procedure.Module];
    const RuleText& rule = TextOf(finding.Rule);
    out = first ? "\n" : ",\n";
    first = false;
    out += "        {\"ruleId\": ";
    AppendJsonString(out, rule.Id);
    out += ", \"ruleIndex\": " + std::to_string(&rule - kRules) + ", \"level\": ";
    AppendJsonString(out, rule.Level);
    out += ", \"message\": {\"text\": ";
    AppendJsonString(out, std::string(ProcedureKindWord(procedure.Record->Kind)) + " " +
                              procedure.FullName + " " + rule.Message);
    out += "}, \"locations\": [{";
    if (!module.File.empty()) {
      out += "\"physicalLocation\": {\"artifactLocation\": {\"uri\": ";
      const std::string relative = RelativePath(module.File, graph.ProjectFolder());
      if (relative.rfind("../", 0) == 0 || relative == module.File.generic_string()) {
        AppendJsonString(out, FileUri(module.File.generic_string()));
      } else {
        AppendJsonString(out, UriReference(relative));
        out += ", \"uriBaseId\": \"PROJECTROOT\"";
      }
      out += "}";
      if (procedure.Record->StartLine > 0) {
        out += ", \"region\": {\"startLine\": " + std::to_string(procedure.Record->StartLine) + "}";
      }
      out += "}, ";
    }
    out += "\"logicalLocations\": [{\"name\": ";
    AppendJsonString(out, procedure.Name);
    out += ", \"fullyQualifiedName\": ";
    AppendJsonString(out, procedure.FullName);
    out += ", \"kind\": \"function\"}]}]}";
    sink.Write(out);
  }
  sink.Write(first ? "]\n    }\n  ]\n}\n" : "\n      ]\n    }\n  ]\n}\n");
}

}  // namespace tarnel
