#include "analysis/TokenTable.h"

#include <cstring>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The last size (< 8) bytes of a token as the low bytes of a word, the rest zero. A byte loop:
// a memcpy of a length not known at compile time becomes a library call.
std::uint64_t TailWord(const char* bytes, std::size_t size) {
  std::uint64_t word = 0;
  for (std::size_t k = size; k > 0; --k) {
    word = (word << 8) | static_cast<unsigned char>(bytes[k - 1]);
  }
  return word;
}

void StoreTail(std::uint64_t word, char* bytes, std::size_t size) {
  for (std::size_t k = 0; k < size; ++k, word >>= 8) bytes[k] = static_cast<char>(word & 0xFF);
}

// Folds token into scratch and returns the hash of the fold, in one pass when the token is plain
// ASCII (most are); other text goes through the general fold.
std::uint64_t FoldAndHash(std::string_view token, std::string& scratch) {
  const std::size_t size = token.size();
  scratch.resize(size);
  TextHashTable::Hasher hasher(size);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, token.data() + i, 8);
    if ((word & kHighBits) != 0) break;
    word = FoldAsciiWord(word);
    std::memcpy(scratch.data() + i, &word, 8);
    hasher.Word(word);
  }
  if (i + 8 > size) {
    std::uint64_t tail = TailWord(token.data() + i, size - i);
    if ((tail & kHighBits) == 0) {
      tail = FoldAsciiWord(tail);
      StoreTail(tail, scratch.data() + i, size - i);
      return hasher.Finish(tail);
    }
  }
  FoldCaseInto(token, scratch);
  return TextHashTable::Hash(scratch);
}

}  // namespace

TokenTable::TokenTable(const NameIndex& names, const NameIndex& fullNames,
                       const ReservedWordList& reserved) {
  std::string scratch;
  std::size_t bytes = 0;
  for (int i = 0; i < names.Count(); ++i) bytes += names.TextAt(i).size();
  for (int i = 0; i < fullNames.Count(); ++i) bytes += fullNames.TextAt(i).size();
  byFold_.Reserve(
      static_cast<std::size_t>(names.Count() + fullNames.Count()) + reserved.Words().size(), bytes);
  entries_.reserve(static_cast<std::size_t>(names.Count() + fullNames.Count()) +
                   reserved.Words().size());
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
  const int next = static_cast<int>(entries_.size());
  const int index = byFold_.FindOrInsert(scratch, next);
  if (index == next) entries_.emplace_back();
  return entries_[static_cast<std::size_t>(index)];
}

TokenTable::Meaning TokenTable::Look(std::string_view token, std::string& scratch) const {
  // Folding keeps the length and changes only A..Z of the first byte (a lead byte stays).
  char first = token.empty() ? '\0' : token[0];
  if (first >= 'A' && first <= 'Z') first = static_cast<char>(first + 32);
  Meaning meaning;
  if (!byFold_.MayContain(first, token.size())) return meaning;
  const std::uint64_t hash = FoldAndHash(token, scratch);
  int index = byFold_.Find(scratch, hash);
  if (index < 0) return meaning;
  const Entry& entry = entries_[static_cast<std::size_t>(index)];
  // Every full name holds a ".", so only a token with one can equal a full name.
  meaning.Callee = entry.FullName >= 0 ? entry.FullName : entry.Name;
  if (entry.ReservedForms >= 0) {
    meaning.ReservedAnyCase = true;
    for (const std::string& form : reservedForms_[static_cast<std::size_t>(entry.ReservedForms)]) {
      if (form == token) meaning.Reserved = true;
    }
  }
  return meaning;
}

}  // namespace tarnel
