#include "analysis/TokenTable.h"

#include "platform/ByteText.h"

namespace tarnel {

TokenTable::TokenTable(std::span<TPassRec* const> procedures, const ReservedWordList& reserved) {
  std::string scratch;
  // Keys of up to eight bytes stand in the table's slots; only longer ones take room of their own.
  std::size_t bytes = 0;
  for (const TPassRec* proc : procedures) {
    if (proc->Name.size() > 8) bytes += proc->Name.size();
    if (proc->FullName.size() > 8) bytes += proc->FullName.size();
  }
  byFold_.Reserve(2 * procedures.size() + reserved.Words().size(), bytes);
  // The first position of a text counts, and a full name over a name of the same text: the full
  // names go in first, and a text keeps the value it was entered with. Positions stay far below
  // kReservedBit: each stands for a record in memory.
  const std::size_t count = procedures.size();
  byFold_.InsertAll(
      2 * count,
      [&](std::size_t i, std::string& fold) -> std::string_view {
        const TPassRec& proc = *procedures[i % count];
        FoldCaseInto(i < count ? proc.FullName : proc.Name, fold);
        return fold;
      },
      [&](std::size_t i) { return static_cast<int>(i % count) + 1; });
  for (const std::string& word : reserved.Words()) {
    FoldCaseInto(word, scratch);
    const int next = static_cast<int>(reservedForms_.size());
    const int forms = reservedByFold_.FindOrInsert(scratch, next);
    if (forms == next) reservedForms_.emplace_back();
    reservedForms_[static_cast<std::size_t>(forms)].push_back(word);
    byFold_.Assign(scratch, byFold_.FindOrInsert(scratch, 0) | kReservedBit);
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
