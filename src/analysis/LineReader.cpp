#include <cstring>

#include "analysis/AnalysisSteps.h"
#include "analysis/LineCompare.h"
#include "platform/ByteText.h"

namespace tarnel {

namespace {

// One physical line with its comment cut off and trimmed.
std::string_view CodePart(std::string_view line) {
  if (const void* apostrophe = std::memchr(line.data(), '\'', line.size())) {
    line = line.substr(
        0, static_cast<std::size_t>(static_cast<const char*>(apostrophe) - line.data()));
  }
  return TrimControls(line);
}

}  // namespace

// Continued lines are joined in a loop rather than by recursion, so that any number of them can
// follow each other; the text and the counters come out as a recursive join would give them.
std::string_view ReadLogicalLineView(LineCounters& counters, TextReader& file,
                                     std::string& joined) {
  if (file.AtEnd()) return {};
  std::string_view line = CodePart(file.ReadLineView());
  ++counters.LineNo;
  if (IsEndLine(line)) return {};
  if (line.empty() || line.back() != '_') return line;

  joined.assign(line.substr(0, line.size() - 1));
  long joins = 1;
  while (!file.AtEnd()) {
    line = CodePart(file.ReadLineView());
    ++counters.LineNo;
    if (IsEndLine(line)) break;
    if (!line.empty() && line.back() == '_') {
      joined.append(line.substr(0, line.size() - 1));
      ++joins;
      continue;
    }
    joined.append(line);
    break;
  }
  counters.ContinuationCount += joins;
  return joined;
}

std::string ReadLogicalLine(LineCounters& counters, TextReader& file) {
  std::string joined;
  return std::string(ReadLogicalLineView(counters, file, joined));
}

}  // namespace tarnel
