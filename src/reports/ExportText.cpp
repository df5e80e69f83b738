#include "reports/ExportText.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace tarnel {

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    int follow;
    std::uint32_t min;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      follow = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      follow = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      follow = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(follow) >= bytes.size()) return false;
    for (int k = 1; k <= follow; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

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

}  // namespace tarnel
