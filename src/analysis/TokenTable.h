#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ReservedWords.h"
#include "analysis/Symbol.h"
#include "platform/ByteText.h"
#include "platform/FrozenTextTable.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// What the tokens of body lines can stand for, found with one lookup per token: whether a token
// is a reserved word (byte for byte) and which procedure it names (without regard to letter
// case: the first full name that equals it, else the first name). Read-only once built, so the
// scanners of several threads can share it.
class TokenTable {
 public:
  // procedures in recording order; a callee is a position in it (and in the name indexes).
  TokenTable(std::span<TPassRec* const> procedures, const ReservedWordList& reserved);

  struct Meaning {
    bool Reserved = false;
    bool ReservedAnyCase = false;  // a reserved word without regard to letter case
    int Callee = -1;               // position in the procedures, or -1
  };
  // scratch is the caller's buffer for the fold; what it holds afterwards means nothing to the
  // caller.
  Meaning Look(std::string_view token, std::string& scratch) const {
    // Most tokens that name nothing go here, without a call.
    if (!(frozen_ ? byFoldFrozen_.MayContainFoldOf(token) : byFold_.MayContainFoldOf(token))) {
      return {};
    }
    if (const Meaning* known = ExactWordMeaning(token)) return *known;
    return LookFolded(token, scratch);
  }
  // Whether fold, a text already folded, is the fold of a reserved word: what Look's
  // ReservedAnyCase says, from the reserved words' own small table.
  bool IsReservedFold(std::string_view fold) const { return reservedByFold_.Find(fold) >= 0; }
  // The same with the fold's hash (TextHashTable::Hash) already known.
  bool IsReservedFold(std::string_view fold, std::uint64_t hash) const {
    return reservedByFold_.FindHashed(fold, hash) >= 0;
  }
  // Whether the folds stand in the frozen table (see the constructor).
  bool Frozen() const { return frozen_; }

 private:
  // The rest of Look for a token that the short table of reserved words as written does not
  // answer: a fold and a visit to the large table.
  Meaning LookFolded(std::string_view token, std::string& scratch) const;

  // Enters the folds in one table or the other.
  void EnterFolds(std::span<TPassRec* const> procedures, const ReservedWordList& reserved);
  void FreezeFolds(std::span<TPassRec* const> procedures, const ReservedWordList& reserved);

  // A fold's value: the position of the procedure it names plus one (0: none), and kReservedBit
  // when it is also the fold of a reserved word. A lookup needs nothing else but the slot or the
  // entry, so that a hit costs one or two memory reads.
  static constexpr int kReservedBit = 1 << 30;

  // Folded text -> value as above, in one of two tables. The frozen one takes longer to build
  // and reads a place fewer on a hit: it pays when the bodies hold many lines per name.
  bool frozen_ = false;
  TextHashTable byFold_;
  FrozenTextTable byFoldFrozen_;
  TextHashTable reservedByFold_;  // folded reserved word -> index into reservedForms_
  std::vector<std::vector<std::string>> reservedForms_;  // the exact words of one fold

  // Reserved words of up to eight bytes, as they are written, with their whole meaning: most
  // tokens that mean anything are such words, and this answers them without a fold, a hash of
  // it or a walk through the large table. Open addressing in a small table of its own.
  struct ExactWord {
    std::uint64_t Bytes = 0;   // the word, low byte first, the rest zero
    std::uint32_t Length = 0;  // 0: a free slot
    Meaning Meant;
  };
  static std::size_t ExactSlot(std::uint64_t bytes, std::size_t mask) {
    return static_cast<std::size_t>((bytes * 0x9E3779B97F4A7C15ull) >> 40) & mask;
  }
  void EnterExactWord(std::string_view word, const Meaning& meaning);
  const Meaning* ExactWordMeaning(std::string_view token) const {
    if (token.size() > 8 || exactWords_.empty()) return nullptr;
    const std::uint64_t bytes = LoadShortWord(token.data(), token.size());
    const std::size_t mask = exactWords_.size() - 1;
    for (std::size_t at = ExactSlot(bytes, mask); exactWords_[at].Length != 0;
         at = (at + 1) & mask) {
      const ExactWord& word = exactWords_[at];
      if (word.Bytes == bytes && word.Length == token.size()) return &word.Meant;
    }
    return nullptr;
  }
  std::vector<ExactWord> exactWords_;
};

}  // namespace tarnel
