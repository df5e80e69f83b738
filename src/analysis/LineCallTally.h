#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarnel {

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
