#include "reports/ExportText.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace tarnel {

std::string NativeToUtf8(std::string_view native) {
  return IsValidUtf8(native) ? std::string(native) : Cp932ToUtf8(native);
}

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out.append(escaped);
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
}

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace tarnel
