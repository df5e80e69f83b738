#include "cli/JsonExport.h"

#include <cstdio>

#include "platform/CodePage.h"

namespace tarnel {

namespace {

void WriteString(std::ostream& out, const std::string& engineText, bool isUtf8 = false) {
  std::string utf8 = isUtf8 ? engineText : Cp932ToUtf8(engineText);
  out << '"';
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out << escaped;
        } else {
          out << static_cast<char>(c);
        }
    }
  }
  out << '"';
}

void WriteKeys(std::ostream& out, const std::vector<std::string>& keys) {
  out << '[';
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) out << ", ";
    WriteString(out, keys[i]);
  }
  out << ']';
}

void WritePreciseFields(std::ostream& out, const PreciseModel& precise, const std::string& key) {
  out << ", \"CallSites\": [";
  if (auto it = precise.CallSites.find(key); it != precise.CallSites.end()) {
    for (std::size_t i = 0; i < it->second.size(); ++i) {
      out << (i > 0 ? ", " : "") << "{\"Key\": ";
      WriteString(out, it->second[i].Callee->Key);
      out << ", \"Line\": " << it->second[i].Line << '}';
    }
  }
  ProcedureMarks marks;
  if (auto it = precise.Marks.find(key); it != precise.Marks.end()) marks = it->second;
  const auto flag = [](bool b) { return b ? "true" : "false"; };
  out << "], \"EntryPoint\": " << flag(marks.EntryPoint) << ", \"Unused\": " << flag(marks.Unused)
      << ", \"Unreachable\": " << flag(marks.Unreachable) << ", \"ByName\": " << flag(marks.ByName);
}

}  // namespace

void WriteSymbolsJson(std::ostream& out, const SymbolList& symbols, const PreciseModel* precise,
                      bool textIsUtf8) {
  const bool u = textIsUtf8;
  out << (precise != nullptr ? "{\"Reading\": \"Precise\", \"symbols\": [" : "{\"symbols\": [");
  for (int i = 0; i < symbols.Count(); ++i) {
    const TPassRec& r = symbols.Recorded(i);
    const bool procedure = IsProcedureKind(r.Kind);
    out << (i > 0 ? ",\n  " : "\n  ");
    out << "{\"Level\": " << r.Level << ", \"Name\": ";
    WriteString(out, r.Name, u);
    out << ", \"FullName\": ";
    WriteString(out, r.FullName, u);
    out << ", \"Key\": ";
    WriteString(out, r.Key);
    out << ", \"ParentKey\": ";
    WriteString(out, r.ParentKey);
    out << ", \"Scope\": ";
    WriteString(out, r.Scope);
    out << ", \"Kind\": " << static_cast<int>(r.Kind) << ", \"Text\": ";
    // A module's Text is its path, which stays engine text.
    WriteString(out, r.Text, u && !IsModuleKind(r.Kind));
    out << ", \"StartLine\": " << (procedure ? r.StartLine : 0)
        << ", \"BodyLines\": " << (procedure ? r.BodyLines : 0) << ", \"Calls\": ";
    WriteKeys(out, r.Calls);
    out << ", \"CalledBy\": ";
    WriteKeys(out, r.CalledBy);
    if (precise != nullptr && procedure) WritePreciseFields(out, *precise, r.Key);
    out << '}';
  }
  out << (symbols.Count() > 0 ? "\n]}\n" : "]}\n");
}

}  // namespace tarnel
