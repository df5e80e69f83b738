#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarnel {

// Appends callee to callees unless called (a bit per procedure) marks it already, and marks it:
// a body names each procedure it calls once.
inline void AppendCalleeOnce(int callee, std::vector<int>& callees,
                             std::vector<std::uint64_t>& called) {
  std::uint64_t& word = called[static_cast<std::size_t>(callee) / 64];
  const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(callee) % 64);
  if ((word & bit) != 0) return;
  word |= bit;
  callees.push_back(callee);
}

// The procedures that one line calls, tallied token by token in the line's order, as the walk
// from its last token to its first finds them (BodyScanner::TakeCallsFromLast): that walk takes a
// token that is no reserved word, and the token before each reserved word it comes to, and names
// each procedure once, where it is taken last in the line. So a reserved word is taken when an
// odd number of reserved words follow it up to the next other token. Kept as a tally, a line of
// megabytes costs the procedures it names, not a mark per token.
class LineCallTally {
 public:
  // The line's next token: whether it is a reserved word, whether it is empty, and the procedure
  // it names (-1: none).
  void Add(bool reserved, bool empty, int callee) {
    const std::uint32_t at = next_++;
    if (reserved) {
      if (!empty && callee >= 0) run_.emplace_back(at, callee);
      runLast_ = at;
      return;
    }
    EndRun();
    if (!empty && callee >= 0) lastTaken_[callee] = at;
  }
  // Appends the procedures the line calls that called does not mark yet, in the walk's order, and
  // marks them (a bit per procedure); then starts on a new line.
  void TakeInto(std::vector<int>& callees, std::vector<std::uint64_t>& called);
  // Starts on a new line.
  void Clear();

 private:
  // The reserved words since the last other token are settled: each is taken or not by how many
  // follow it.
  void EndRun();

  std::uint32_t next_ = 0;  // the position of the next token
  // The run of reserved words now being read: those that name a procedure, by position, and the
  // position of the last.
  std::vector<std::pair<std::uint32_t, int>> run_;
  std::uint32_t runLast_ = 0;
  std::unordered_map<int, std::uint32_t> lastTaken_;  // procedure -> where it was taken last
};

}  // namespace tarnel
