#include "reports/ExportText.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace tarnel {

std::string NativeToUtf8(std::string_view native) {
  return IsValidUtf8(native) ? std::string(native) : Cp932ToUtf8(native);
}

namespace {

// Bytes that go into a JSON string as they are: everything but control characters, the quote
// and the backslash.
struct PlainJsonBytes {
  bool Plain[256] = {};
  constexpr PlainJsonBytes() {
    for (int c = 0x20; c < 256; ++c) Plain[c] = c != '"' && c != '\\';
  }
};
constexpr PlainJsonBytes kPlainJson;

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  std::size_t i = 0;
  while (i < utf8.size()) {
    // Runs of plain bytes go in at once.
    std::size_t run = i;
    while (run < utf8.size() && kPlainJson.Plain[static_cast<unsigned char>(utf8[run])]) ++run;
    out.append(utf8.data() + i, run - i);
    if (run == utf8.size()) break;
    const auto c = static_cast<unsigned char>(utf8[run]);
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
      default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out.append(escaped);
      }
    }
    i = run + 1;
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
