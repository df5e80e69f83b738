#include <gtest/gtest.h>

#include <sstream>

#include "platform/Errors.h"
#include "reports/LineSink.h"

namespace tarnel {
namespace {

using Lines = std::vector<std::string>;

TEST(LineSinkTest, Utf8SinkConvertsWholeLinesFromCodePage932) {
  MemoryLineSink memory;
  Utf8LineSink utf8(memory);
  utf8.WriteLine("Sub Main \x81\xa8 \x95\x57\x8f\x80");  // "→ 標準"
  utf8.WriteLine("");
  EXPECT_EQ(memory.Lines, (Lines{"Sub Main \u2192 \u6a19\u6e96", ""}));
}

TEST(LineSinkTest, ArrowSinkConvertsOnlyTheArrowsOfUtf8Lines) {
  MemoryLineSink memory;
  ArrowsToUtf8Sink arrows(memory);
  // U+4068 is E4 81 A8 in UTF-8: its last two bytes look like the right arrow in code page 932.
  arrows.WriteLine("\xe4\x81\xa8 \x81\xa8 A.B");
  arrows.WriteLine(",,,,\x81\xa9,A.Main");
  // A line cut inside a character passes its last bytes unchanged.
  arrows.WriteLine("x\xe4\x81");
  EXPECT_EQ(memory.Lines, (Lines{"\xe4\x81\xa8 \u2192 A.B", ",,,,\u2190,A.Main", "x\xe4\x81"}));
}

TEST(LineSinkTest, StreamSinkEndsLinesWithCrLfAndFailsNamingTheStream) {
  std::ostringstream out;
  StreamLineSink sink(out, "standard output");
  sink.WriteLine("a");
  sink.WriteLine("");
  EXPECT_EQ(out.str(), "a\r\n\r\n");
  out.setstate(std::ios::badbit);
  try {
    sink.WriteLine("b");
    FAIL() << "no error from a failed stream";
  } catch (const FileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), FileWriteError("standard output").what());
  }
}

}  // namespace
}  // namespace tarnel
