#include "platform/TextHashTable.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteText.h"

namespace tarnel {

namespace {

// Whether count keys stay within the load the table allows in slots slots. Up to three quarters
// full: lookups of absent keys mostly stop at the filter, and a hit rarely probes past one cache
// line, while the slots take a third less room than at half load.
bool Fits(std::size_t count, std::size_t slots) { return count * 4 <= slots * 3; }
std::uint32_t TagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

// Most keys are short: a plain loop beats a call to memcmp.
bool SameBytes(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

std::uint64_t InlineWord(std::string_view key) { return LoadShortWord(key.data(), key.size()); }

}  // namespace

std::uint64_t TextHashTable::Hash(std::string_view key) {
  Hasher hasher(key.size());
  std::size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, key.data() + i, 8);
    hasher.Word(word);
  }
  std::uint64_t tail = 0;
  if (key.size() > i) std::memcpy(&tail, key.data() + i, key.size() - i);
  return hasher.Finish(tail);
}

void TextHashTable::Clear() {
  keys_.clear();
  size_ = 0;
  slots_.clear();
  filter_.clear();
  shapes_.Clear();
}

void TextHashTable::Place(std::uint64_t hash, const Slot& slot) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  while (slots_[at].Used()) at = (at + 1) & mask;
  slots_[at] = slot;
}

std::size_t TextHashTable::SlotFor(std::string_view key, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  if (key.size() <= kInlineBytes) {
    const std::uint64_t word = InlineWord(key);
    for (; slots_[at].Used(); at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.Length == key.size() && slot.InlineKey() == word) return at;
    }
    return at;
  }
  const std::uint32_t tag = TagOf(hash);
  for (; slots_[at].Used(); at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.Tag == tag && slot.Length == key.size() &&
        SameBytes(keys_.data() + slot.Offset, key.data(), key.size())) {
      return at;
    }
  }
  return at;
}

std::string_view TextHashTable::KeyOf(const Slot& slot, char (&inlineBytes)[kInlineBytes]) const {
  if (slot.Length > kInlineBytes) return std::string_view(keys_).substr(slot.Offset, slot.Length);
  std::uint64_t word = slot.InlineKey();
  for (std::size_t k = 0; k < slot.Length; ++k, word >>= 8) {
    inlineBytes[k] = static_cast<char>(word & 0xFF);
  }
  return std::string_view(inlineBytes, slot.Length);
}

int TextHashTable::FindOrInsert(std::string_view key, int value) {
  if (!Fits(static_cast<std::size_t>(size_) + 1, slots_.size())) Grow();
  const std::uint64_t hash = Hash(key);
  Slot& slot = slots_[SlotFor(key, hash)];
  if (slot.Used()) return slot.Value;
  slot = NewSlot(key, hash, value);
  ++size_;
  return value;
}

TextHashTable::Slot TextHashTable::NewSlot(std::string_view key, std::uint64_t hash, int value) {
  Slot slot;
  if (key.size() <= kInlineBytes) {
    const std::uint64_t word = InlineWord(key);
    slot.Tag = static_cast<std::uint32_t>(word);
    slot.Offset = static_cast<std::uint32_t>(word >> 32);
  } else {
    slot.Tag = TagOf(hash);
    slot.Offset = static_cast<std::uint32_t>(keys_.size());
    keys_.append(key);
  }
  slot.Length = static_cast<std::uint32_t>(key.size());
  slot.Value = value;
  NoteInFilter(hash);
  shapes_.Add(key);
  return slot;
}

void TextHashTable::PlaceAll(const std::vector<WaitingSlot>& waiting,
                             std::vector<WaitingSlot>& inOrder) {
  // A stable counting sort by runs of homes, each run a few kilobytes of slots: within a run the
  // slots are placed in any order, and all of them stay in the cache meanwhile. A key entered
  // twice has one home, so its first value still comes first.
  const std::size_t mask = slots_.size() - 1;
  unsigned shift = 0;
  while ((slots_.size() >> shift) > kPlacingRuns) ++shift;
  std::vector<std::uint32_t> runStarts((slots_.size() >> shift) + 1, 0);
  const auto runOf = [&](const WaitingSlot& w) { return (w.Hash & mask) >> shift; };
  for (const WaitingSlot& w : waiting) ++runStarts[runOf(w) + 1];
  for (std::size_t run = 1; run < runStarts.size(); ++run) runStarts[run] += runStarts[run - 1];
  inOrder.resize(waiting.size());
  for (const WaitingSlot& w : waiting) inOrder[runStarts[runOf(w)]++] = w;

  char inlineBytes[kInlineBytes];
  for (const WaitingSlot& w : inOrder) {
    Slot& slot = slots_[SlotFor(KeyOf(w.Made, inlineBytes), w.Hash)];
    if (slot.Used()) continue;  // entered already
    slot = w.Made;
    ++size_;
  }
}

void TextHashTable::Assign(std::string_view key, int value) {
  FindOrInsert(key, value);
  slots_[SlotFor(key, Hash(key))].Value = value;
}

int TextHashTable::Find(std::string_view key) const {
  if (slots_.empty() || !MayContain(key.empty() ? '\0' : key[0], key.size())) return -1;
  return Find(key, Hash(key));
}

int TextHashTable::Find(std::string_view key, std::uint64_t hash) const {
  if (slots_.empty()) return -1;
  const std::size_t bit = FilterBit(hash);
  if ((filter_[bit / 64] & BitOf(bit)) == 0) return -1;
  const Slot& slot = slots_[SlotFor(key, hash)];
  return slot.Used() ? slot.Value : -1;
}

void TextHashTable::Reserve(std::size_t count, std::size_t keyBytes) {
  keys_.reserve(keys_.size() + keyBytes);
  std::size_t size = slots_.empty() ? 16 : slots_.size();
  while (!Fits(count, size)) size *= 2;
  if (size > slots_.size()) Rehash(size);
}

void TextHashTable::Grow() { Rehash(slots_.empty() ? 16 : slots_.size() * 2); }

void TextHashTable::Rehash(std::size_t size) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(size, Slot{});
  filter_.assign(std::min(size * 8, kFilterBits) / 64, 0);
  char inlineBytes[kInlineBytes];
  for (const Slot& slot : old) {
    if (!slot.Used()) continue;
    const std::uint64_t hash = Hash(KeyOf(slot, inlineBytes));
    Place(hash, slot);
    NoteInFilter(hash);
  }
}

std::string_view FoldAndHashAnyText(std::string_view text, std::string& scratch,
                                    std::uint64_t& hash) {
  FoldCaseInto(text, scratch);
  hash = TextHashTable::Hash(scratch);
  return scratch;
}

HashFilter::HashFilter(std::size_t expected) {
  std::size_t words = 1;
  while (words * 4 < expected) words *= 2;  // 64 bits per word: at least sixteen per hash
  words_.assign(words, 0);
}

}  // namespace tarnel
