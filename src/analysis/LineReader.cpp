#include "analysis/Analysis.h"
#include "analysis/LineCompare.h"
#include "platform/ByteText.h"

namespace tarnel {

// Continued lines are joined in a loop rather than by recursion, so that any number of them can
// follow each other; the text and the counters come out as a recursive join would give them.
std::string ReadLogicalLine(AnalysisContext& ctx, TextReader& file) {
  std::string result;
  long joins = 0;
  while (!file.AtEnd()) {
    std::string_view line = file.ReadLineView();
    ++ctx.LineNo;
    std::size_t apostrophe = line.find('\'');
    if (apostrophe != std::string_view::npos) line = line.substr(0, apostrophe);
    line = TrimControls(line);
    if (IsEndLine(line)) break;
    if (!line.empty() && line.back() == '_') {
      result.append(line.substr(0, line.size() - 1));
      ++joins;
      continue;
    }
    result.append(line);
    break;
  }
  ctx.ContinuationCount += joins;
  return result;
}

}  // namespace tarnel
