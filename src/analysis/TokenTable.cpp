#include "analysis/TokenTable.h"

#include <algorithm>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

// Body lines per fold from which the frozen table pays: the generated million-line project has
// about thirteen, a project of three-line procedures one half.
constexpr std::size_t kFrozenLinesPerFold = 4;

}  // namespace

TokenTable::TokenTable(std::span<TPassRec* const> procedures, const ReservedWordList& reserved) {
  std::string scratch;
  for (const std::string& word : reserved.Words()) {
    FoldCaseInto(word, scratch);
    const int next = static_cast<int>(reservedForms_.size());
    const int forms = reservedByFold_.FindOrInsert(scratch, next);
    if (forms == next) reservedForms_.emplace_back();
    reservedForms_[static_cast<std::size_t>(forms)].push_back(word);
  }
  std::size_t bodyLines = 0;
  for (const TPassRec* proc : procedures) {
    bodyLines += static_cast<std::size_t>(std::max(proc->BodyLines, 0));
  }
  frozen_ = bodyLines >= kFrozenLinesPerFold * (2 * procedures.size() + reserved.Words().size());
  if (frozen_) {
    FreezeFolds(procedures, reserved);
  } else {
    EnterFolds(procedures, reserved);
  }
  // The short words' meanings, as the full lookup gives them now that every name is in.
  std::size_t shortWords = 0;
  for (const std::string& word : reserved.Words()) shortWords += word.size() <= 8 ? 1 : 0;
  std::size_t slots = 16;
  while (slots < 4 * shortWords) slots *= 2;
  exactWords_.assign(slots, ExactWord{});
  for (const std::string& word : reserved.Words()) {
    if (!word.empty() && word.size() <= 8) EnterExactWord(word, LookFolded(word, scratch));
  }
}

// The first position of a text counts, and a full name over a name of the same text: the full
// names go in first, and a text keeps the value it was entered with. A reserved word adds
// kReservedBit to its text's value. Positions stay far below kReservedBit: each stands for a
// record in memory.
void TokenTable::EnterFolds(std::span<TPassRec* const> procedures,
                            const ReservedWordList& reserved) {
  // Keys of up to eight bytes stand in the table's slots; only longer ones take room of their own.
  std::size_t bytes = 0;
  for (const TPassRec* proc : procedures) {
    if (proc->Name.size() > 8) bytes += proc->Name.size();
    if (proc->FullName.size() > 8) bytes += proc->FullName.size();
  }
  for (const std::string& word : reserved.Words()) {
    if (word.size() > 8) bytes += word.size();
  }
  byFold_.Reserve(2 * procedures.size() + reserved.Words().size(), bytes);
  const std::size_t count = procedures.size();
  byFold_.InsertAll(
      2 * count,
      [&](std::size_t i, std::string& fold) -> std::string_view {
        const TPassRec& proc = *procedures[i % count];
        FoldCaseInto(i < count ? proc.FullName : proc.Name, fold);
        return fold;
      },
      [&](std::size_t i) { return static_cast<int>(i % count) + 1; });
  std::string scratch;
  for (const std::string& word : reserved.Words()) {
    FoldCaseInto(word, scratch);
    byFold_.Assign(scratch, byFold_.FindOrInsert(scratch, 0) | kReservedBit);
  }
}

// The same folds, in the same order, for the frozen table.
void TokenTable::FreezeFolds(std::span<TPassRec* const> procedures,
                             const ReservedWordList& reserved) {
  const std::size_t count = procedures.size();
  std::size_t bytes = 0;
  for (const TPassRec* proc : procedures) bytes += proc->Name.size() + proc->FullName.size();
  for (const std::string& word : reserved.Words()) bytes += word.size();
  std::string folds;
  folds.reserve(bytes);
  // Each key's fold is appended to folds; the table finds its bytes there once all are in.
  std::vector<FrozenTextTable::Key> keys;
  keys.reserve(2 * count + reserved.Words().size());
  std::string scratch;
  const auto addFold = [&](std::string_view text, int value) {
    FoldCaseInto(text, scratch);
    folds.append(scratch);
    keys.push_back({0, nullptr, static_cast<std::uint32_t>(scratch.size()), value});
  };
  for (std::size_t i = 0; i < 2 * count; ++i) {
    const TPassRec& proc = *procedures[i % count];
    addFold(i < count ? proc.FullName : proc.Name, static_cast<int>(i % count) + 1);
  }
  for (const std::string& word : reserved.Words()) addFold(word, kReservedBit);
  // A later key of a text adds no procedure (the first one counts) but may add kReservedBit.
  byFoldFrozen_.BuildFromBytes(folds, keys,
                               [](int value, int later) { return value | (later & kReservedBit); });
}

void TokenTable::EnterExactWord(std::string_view word, const Meaning& meaning) {
  const std::uint64_t bytes = LoadShortWord(word.data(), word.size());
  const std::size_t mask = exactWords_.size() - 1;
  std::size_t at = ExactSlot(bytes, mask);
  for (; exactWords_[at].Length != 0; at = (at + 1) & mask) {
    if (exactWords_[at].Bytes == bytes && exactWords_[at].Length == word.size()) return;
  }
  exactWords_[at] = {bytes, static_cast<std::uint32_t>(word.size()), meaning};
}

TokenTable::Meaning TokenTable::LookFolded(std::string_view token, std::string& scratch) const {
  Meaning meaning;
  std::uint64_t hash = 0;
  const std::string_view folded = FoldAndHash(token, scratch, hash);
  const int value = frozen_ ? byFoldFrozen_.Find(folded, hash) : byFold_.Find(folded, hash);
  if (value < 0) return meaning;
  meaning.Callee = (value & ~kReservedBit) - 1;
  if ((value & kReservedBit) != 0) {
    meaning.ReservedAnyCase = true;
    const int forms = reservedByFold_.Find(folded, hash);
    for (const std::string& form : reservedForms_[static_cast<std::size_t>(forms)]) {
      if (SameBytes(form, token)) {
        meaning.Reserved = true;
        break;
      }
    }
  }
  return meaning;
}

}  // namespace tarnel
