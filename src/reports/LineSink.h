#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"

namespace tarnel {

// Where report lines go: a file (CR LF after each), a stream, or memory in tests.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void WriteLine(std::string_view line) = 0;
};

class FileLineSink : public LineSink {
 public:
  explicit FileLineSink(const WritePath& path) : writer_(path) {}
  void WriteLine(std::string_view line) override { writer_.WriteLine(line); }
  void Close() { writer_.Close(); }

 private:
  TextWriter writer_;
};

class MemoryLineSink : public LineSink {
 public:
  void WriteLine(std::string_view line) override { Lines.emplace_back(line); }
  std::vector<std::string> Lines;
};

}  // namespace tarnel
