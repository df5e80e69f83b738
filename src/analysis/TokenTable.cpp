#include "analysis/TokenTable.h"

#include "platform/ByteText.h"

namespace tarnel {

TokenTable::TokenTable(const NameIndex& names, const NameIndex& fullNames,
                       const ReservedWordList& reserved) {
  std::string scratch;
  // The first position of a text is the one that counts, as in the name indexes.
  for (int i = 0; i < names.Count(); ++i) {
    Entry& entry = EntryFor(names.TextAt(i), scratch);
    if (entry.Name < 0) entry.Name = i;
  }
  for (int i = 0; i < fullNames.Count(); ++i) {
    Entry& entry = EntryFor(fullNames.TextAt(i), scratch);
    if (entry.FullName < 0) entry.FullName = i;
  }
  for (const std::string& word : reserved.Words()) {
    Entry& entry = EntryFor(word, scratch);
    if (entry.ReservedForms < 0) {
      entry.ReservedForms = static_cast<int>(reservedForms_.size());
      reservedForms_.emplace_back();
    }
    reservedForms_[static_cast<std::size_t>(entry.ReservedForms)].push_back(word);
  }
}

TokenTable::Entry& TokenTable::EntryFor(std::string_view text, std::string& scratch) {
  FoldCaseInto(text, scratch);
  int index = byFold_.Find(scratch);
  if (index < 0) {
    index = static_cast<int>(entries_.size());
    entries_.emplace_back();
    byFold_.Insert(scratch, index);
  }
  return entries_[static_cast<std::size_t>(index)];
}

TokenTable::Meaning TokenTable::Look(std::string_view token, std::string& scratch) const {
  // Folding keeps the length and changes only A..Z of the first byte (a lead byte stays).
  char first = token.empty() ? '\0' : token[0];
  if (first >= 'A' && first <= 'Z') first = static_cast<char>(first + 32);
  Meaning meaning;
  if (!byFold_.MayContain(first, token.size())) return meaning;
  FoldCaseInto(token, scratch);
  int index = byFold_.Find(scratch);
  if (index < 0) return meaning;
  const Entry& entry = entries_[static_cast<std::size_t>(index)];
  // Every full name holds a ".", so only a token with one can equal a full name.
  meaning.Callee = entry.FullName >= 0 ? entry.FullName : entry.Name;
  if (entry.ReservedForms >= 0) {
    for (const std::string& form : reservedForms_[static_cast<std::size_t>(entry.ReservedForms)]) {
      if (form == token) meaning.Reserved = true;
    }
  }
  return meaning;
}

}  // namespace tarnel
