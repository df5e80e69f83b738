#include "cli/JsonExport.h"

#include <cstdio>

#include "platform/CodePage.h"

namespace tarnel {

namespace {

void WriteString(std::ostream& out, const std::string& engineText) {
  std::string utf8 = Cp932ToUtf8(engineText);
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

}  // namespace

void WriteSymbolsJson(std::ostream& out, const SymbolList& symbols) {
  out << "{\"symbols\": [";
  for (int i = 0; i < symbols.Count(); ++i) {
    const TPassRec& r = symbols.Recorded(i);
    const bool procedure = IsProcedureKind(r.Kind);
    out << (i > 0 ? ",\n  " : "\n  ");
    out << "{\"Level\": " << r.Level << ", \"Name\": ";
    WriteString(out, r.Name);
    out << ", \"FullName\": ";
    WriteString(out, r.FullName);
    out << ", \"Key\": ";
    WriteString(out, r.Key);
    out << ", \"ParentKey\": ";
    WriteString(out, r.ParentKey);
    out << ", \"Scope\": ";
    WriteString(out, r.Scope);
    out << ", \"Kind\": " << static_cast<int>(r.Kind) << ", \"Text\": ";
    WriteString(out, r.Text);
    out << ", \"StartLine\": " << (procedure ? r.StartLine : 0)
        << ", \"BodyLines\": " << (procedure ? r.BodyLines : 0) << ", \"Calls\": ";
    WriteKeys(out, r.Calls);
    out << ", \"CalledBy\": ";
    WriteKeys(out, r.CalledBy);
    out << '}';
  }
  out << (symbols.Count() > 0 ? "\n]}\n" : "]}\n");
}

}  // namespace tarnel
