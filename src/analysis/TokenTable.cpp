#include "analysis/TokenTable.h"

#include "platform/ByteText.h"

namespace tarnel {

TokenTable::TokenTable(std::span<TPassRec* const> procedures, const ReservedWordList& reserved) {
  std::string scratch;
  // Every fold that may be looked up, in the order that decides a text's value: the full names,
  // then the names, then the reserved words. The first position of a text counts, so a full name
  // wins over a name of the same text; a reserved word adds kReservedBit to the text's value.
  // Positions stay far below kReservedBit: each stands for a record in memory.
  const std::size_t count = procedures.size();
  const std::size_t keyCount = 2 * count + reserved.Words().size();
  std::size_t bytes = 0;
  for (const TPassRec* proc : procedures) bytes += proc->Name.size() + proc->FullName.size();
  for (const std::string& word : reserved.Words()) bytes += word.size();
  std::string folds;
  folds.reserve(bytes);
  // Each key's fold is appended to folds, and its bytes are found there once all are in.
  std::vector<FrozenTextTable::Key> keys;
  keys.reserve(keyCount);
  const auto addFold = [&](std::string_view text, int value) {
    FoldCaseInto(text, scratch);
    folds.append(scratch);
    keys.push_back({0, nullptr, static_cast<std::uint32_t>(scratch.size()), value});
  };
  for (std::size_t i = 0; i < 2 * count; ++i) {
    const TPassRec& proc = *procedures[i % count];
    addFold(i < count ? proc.FullName : proc.Name, static_cast<int>(i % count) + 1);
  }
  for (const std::string& word : reserved.Words()) {
    addFold(word, kReservedBit);
    const int next = static_cast<int>(reservedForms_.size());
    const int forms = reservedByFold_.FindOrInsert(scratch, next);
    if (forms == next) reservedForms_.emplace_back();
    reservedForms_[static_cast<std::size_t>(forms)].push_back(word);
  }
  const char* at = folds.data();
  for (FrozenTextTable::Key& key : keys) {
    key.Data = at;
    key.Hash = TextHashTable::Hash(key.Text());
    at += key.Length;
  }
  // A later key of a text adds no procedure (the first one counts) but may add kReservedBit.
  byFold_.Build(keys, [](int value, int later) { return value | (later & kReservedBit); });
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
  const int value = byFold_.Find(folded, hash);
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
