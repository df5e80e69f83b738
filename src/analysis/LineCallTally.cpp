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
  for (const auto& [at, callee] : found) {
    std::uint64_t& word = called[static_cast<std::size_t>(callee) / 64];
    const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(callee) % 64);
    if ((word & bit) != 0) continue;
    word |= bit;
    callees.push_back(callee);
  }
  Clear();
}

void LineCallTally::Clear() {
  next_ = 0;
  run_.clear();
  runLast_ = 0;
  lastTaken_.clear();
}

}  // namespace tarnel
