#include "reports/LineSink.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace tarnel {

void StreamLineSink::WriteLine(std::string_view line) {
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  out_.write("\r\n", 2);
  if (out_.bad()) throw FileWriteError(name_);
}

void Utf8LineSink::WriteLine(std::string_view line) { target_.WriteLine(Cp932ToUtf8(line)); }

void ArrowsToUtf8Sink::WriteLine(std::string_view line) {
  // Walking the line character by character tells the arrows apart: in UTF-8 the arrow's first
  // byte, 0x81, can only continue a character, never start one.
  line_.clear();
  for (std::size_t i = 0; i < line.size();) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == 0x81 && i + 1 < line.size() && (line[i + 1] == '\xa8' || line[i + 1] == '\xa9')) {
      line_ += line[i + 1] == '\xa8' ? "\u2192" : "\u2190";
      i += 2;
      continue;
    }
    std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    length = std::min(length, line.size() - i);
    line_.append(line.substr(i, length));
    i += length;
  }
  target_.WriteLine(line_);
}

}  // namespace tarnel
