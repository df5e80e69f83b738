#pragma once

#include <string>
#include <string_view>

#include "platform/TextFile.h"

namespace tarnel {

// Where an export's bytes go: a file, or memory. Exports are read by other tools on this
// platform, so they carry their own line ends (LF) instead of the reports' CR LF.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

class FileByteSink : public ByteSink {
 public:
  explicit FileByteSink(const WritePath& path) : writer_(path) {}
  void Write(std::string_view bytes) override { writer_.Write(bytes); }
  void Close() { writer_.Close(); }

 private:
  TextWriter writer_;
};

class StringByteSink : public ByteSink {
 public:
  void Write(std::string_view bytes) override { Text.append(bytes); }
  std::string Text;
};

}  // namespace tarnel
