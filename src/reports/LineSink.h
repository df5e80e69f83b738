#pragma once

#include <ostream>
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
  // head and tail as one line. A sink that takes the two parts as they are overrides this; the
  // others get them joined in scratch, which the caller keeps from one line to the next.
  virtual void WriteJoined(std::string_view head, std::string_view tail, std::string& scratch) {
    scratch.assign(head).append(tail);
    WriteLine(scratch);
  }
};

class FileLineSink : public LineSink {
 public:
  explicit FileLineSink(const WritePath& path) : writer_(path) {}
  void WriteLine(std::string_view line) override { writer_.WriteLine(line); }
  void WriteJoined(std::string_view head, std::string_view tail, std::string&) override {
    writer_.WriteLine(head, tail);
  }
  void Close() { writer_.Close(); }

 private:
  TextWriter writer_;
};

class MemoryLineSink : public LineSink {
 public:
  void WriteLine(std::string_view line) override { Lines.emplace_back(line); }
  std::vector<std::string> Lines;
};

// Lines on a stream, each with CR LF. A stream that failed throws FileWriteError naming it, which
// stops the report there: the rest of a report that cannot be written is not worth computing.
class StreamLineSink : public LineSink {
 public:
  StreamLineSink(std::ostream& out, std::string name) : out_(out), name_(std::move(name)) {}
  void WriteLine(std::string_view line) override;

 private:
  std::ostream& out_;
  std::string name_;
};

// Code page 932 lines converted to UTF-8 on their way to another sink.
class Utf8LineSink : public LineSink {
 public:
  explicit Utf8LineSink(LineSink& target) : target_(target) {}
  void WriteLine(std::string_view line) override;

 private:
  LineSink& target_;
};

// Report lines whose record texts are UTF-8 already: only the report's own arrows, code page
// 932, are converted on their way to another sink.
class ArrowsToUtf8Sink : public LineSink {
 public:
  explicit ArrowsToUtf8Sink(LineSink& target) : target_(target) {}
  void WriteLine(std::string_view line) override;

 private:
  LineSink& target_;
  std::string line_;
};

}  // namespace tarnel
