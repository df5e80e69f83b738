#include "analysis/LineCallTally.h"

#include <algorithm>

namespace tarnel {

void LineCallTally::EndRun() {
  // In increasing positions, so that a later one overwrites an earlier one of its procedure.
  for (const auto& [at, callee] : run_) {
    if ((runLast_ - at) % 2 == 1) lastTaken_[callee] = at;
  }
  run_.clear();
}

void LineCallTally::TakeInto(std::vector<int>& callees, std::vector<std::uint64_t>& called) {
  EndRun();
  std::vector<std::pair<std::uint32_t, int>> found;
  found.reserve(lastTaken_.size());
  for (const auto& [callee, at] : lastTaken_) found.emplace_back(at, callee);
  // The walk meets them from the line's end.
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
  for (const auto& [at, callee] : found) AppendCalleeOnce(callee, callees, called);
  Clear();
}

void LineCallTally::Clear() {
  next_ = 0;
  run_.clear();
  runLast_ = 0;
  lastTaken_.clear();
}

}  // namespace tarnel
