#include "reports/TagsExport.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace tarnel {

namespace {

struct TagEntry {
  std::string Name;
  std::string File;
  int Line = 0;
  std::string Fields;
};

bool FitsTagLine(std::string_view text) {
  return !text.empty() && text.find_first_of("\t\r\n") == std::string_view::npos;
}

const char* KindName(int kind) {
  switch (kind) {
    case KindSub:
      return "sub";
    case KindFunction:
      return "function";
    case KindPropertyGet:
    case KindPropertyLet:
    case KindPropertySet:
      return "property";
    default:
      return "procedure";
  }
}

const char* AccessName(const std::string& scope) {
  if (scope == "G") return "public";
  if (scope == "P") return "private";
  if (scope == "F") return "friend";
  return nullptr;
}

// A field value with the escapes of the extended format.
std::string FieldValue(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
          out += escaped;
        } else {
          out.push_back(ch);
        }
    }
  }
  return out;
}

}  // namespace

void WriteTags(ByteSink& sink, const ExportGraph& graph, const std::filesystem::path& tagsFolder) {
  std::vector<TagEntry> entries;
  entries.reserve(graph.Procedures().size());
  for (const ExportModule& module : graph.Modules()) {
    if (module.File.empty()) continue;
    const std::string file = RelativePath(module.File, tagsFolder);
    if (!FitsTagLine(file)) continue;
    const std::string scope =
        std::string(module.Record->Kind == KindStdModule ? "module:" : "class:") +
        FieldValue(module.Name);
    for (int index : module.Procedures) {
      const ExportProcedure& procedure = graph.Procedures()[index];
      const TPassRec& record = *procedure.Record;
      // A name starting with "!" would be taken for a header line.
      if (!FitsTagLine(procedure.Name) || procedure.Name[0] == '!' || record.StartLine <= 0) {
        continue;
      }
      TagEntry entry{procedure.Name, file, record.StartLine, {}};
      entry.Fields = std::string("\tkind:") + KindName(record.Kind) +
                     "\tline:" + std::to_string(record.StartLine) + "\t" + scope;
      if (const char* access = AccessName(record.Scope))
        entry.Fields += std::string("\taccess:") + access;
      if (record.Scope == "P") entry.Fields += "\tfile:";
      entries.push_back(std::move(entry));
    }
  }
  std::sort(entries.begin(), entries.end(), [](const TagEntry& a, const TagEntry& b) {
    return std::tie(a.Name, a.File, a.Line) < std::tie(b.Name, b.File, b.Line);
  });

  sink.Write(
      "!_TAG_FILE_ENCODING\tutf-8\t//\n"
      "!_TAG_FILE_FORMAT\t2\t/extended format/\n"
      "!_TAG_FILE_SORTED\t1\t/0=unsorted, 1=sorted, 2=foldcase/\n"
      "!_TAG_PROGRAM_NAME\tTarnel\t/Visual Basic cross-reference browser/\n");
  std::string line;
  for (const TagEntry& entry : entries) {
    const std::string number = std::to_string(entry.Line);
    line.assign(entry.Name).append("\t").append(entry.File).append("\t").append(number);
    line.append(";\"").append(entry.Fields).append("\n");
    sink.Write(line);
  }
}

}  // namespace tarnel
