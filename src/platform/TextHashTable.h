#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteText.h"

namespace tarnel {

// Which first bytes and lengths the keys of a set have, together: a quick no for most texts that
// are not keys, before any hashing, from a table of 2 KB that stays in the cache.
class KeyShapes {
 public:
  void Add(std::string_view key) {
    lengthsByFirstByte_[FirstByte(key)] |= std::uint64_t{1} << LengthBit(key.size());
  }
  bool MayHave(char firstByte, std::size_t length) const {
    return ((lengthsByFirstByte_[static_cast<unsigned char>(firstByte)] >> LengthBit(length)) &
            1) != 0;
  }
  void Clear() { lengthsByFirstByte_.fill(0); }

 private:
  static unsigned char FirstByte(std::string_view key) {
    return key.empty() ? 0 : static_cast<unsigned char>(key[0]);
  }
  // A bit per length up to 62; every longer key shares the last.
  static constexpr std::size_t LengthBit(std::size_t length) { return length < 63 ? length : 63; }
  std::array<std::uint64_t, 256> lengthsByFirstByte_{};
};

// A map from byte strings to numbers that keeps the first number inserted under a key. Built for
// the cross-reference pass, which looks up every token of every body line: open addressing over
// small slots, keys packed in one buffer, no allocation on lookup, and cheap filters (length,
// first byte, a bit per hash bucket) that turn most absent tokens away before the table is
// touched.
class TextHashTable {
 public:
  void Clear();
  // Makes room for count keys, and keyBytes bytes of them, at once.
  void Reserve(std::size_t count, std::size_t keyBytes = 0);
  // Enters key with value unless key is already there.
  void Insert(std::string_view key, int value) { FindOrInsert(key, value); }
  // The value under key; when key is not there yet, enters it with value and gives value.
  int FindOrInsert(std::string_view key, int value);
  // Enters count keys as Insert would, key 0 first: keyAt(i, scratch) gives key i (it may use
  // scratch for it) and valueAt(i) its value; each is asked once, in order. The keys take their
  // slots in the order of the slots rather than their own, so that in a table larger than the
  // cache each one finds its slot near the last one's instead of a miss of its own.
  template <typename KeyAt, typename ValueAt>
  void InsertAll(std::size_t count, KeyAt keyAt, ValueAt valueAt);
  // Sets the value under key, entering key when it is not there.
  void Assign(std::string_view key, int value);
  // The value under key, or -1.
  int Find(std::string_view key) const;
  int Size() const { return size_; }
  // Calls each(key, value) for every key, in the order of the slots. The key's bytes stay valid
  // only during the call.
  template <typename Each>
  void ForEach(Each each) const {
    char inlineBytes[kInlineBytes];
    for (const Slot& slot : slots_) {
      if (slot.Used()) each(KeyOf(slot, inlineBytes), static_cast<int>(slot.Value));
    }
  }
  // False when no key has this length and first byte (NUL for the empty key): a quick answer
  // before any hashing, one load and a bit from a table that stays in the cache.
  bool MayContain(char firstByte, std::size_t length) const {
    return shapes_.MayHave(firstByte, length);
  }
  // The same for the key that text folds to (FoldCase), before it is folded.
  bool MayContainFoldOf(std::string_view text) const {
    return MayContain(FoldedFirstByte(text), text.size());
  }

  static std::uint64_t Hash(std::string_view key);
  // The same lookup with the key's hash already known, for a key looked up in several tables.
  int FindHashed(std::string_view key, std::uint64_t hash) const {
    if (slots_.empty() || !MayContain(key.empty() ? '\0' : key[0], key.size())) return -1;
    return Find(key, hash);
  }
  // The same without the quick test of length and first byte, which the caller has made.
  int Find(std::string_view key, std::uint64_t hash) const;

  // Computes Hash fed eight bytes at a time, the last word zero-filled, for callers that make
  // the key's bytes as they go.
  class Hasher {
   public:
    explicit Hasher(std::size_t length) : h_(length * kMul) {}
    void Word(std::uint64_t word) {
      h_ = (h_ ^ word) * kMul;
      h_ ^= h_ >> 29;
    }
    std::uint64_t Finish(std::uint64_t tail) const {
      std::uint64_t h = (h_ ^ tail) * kMul;
      h ^= h >> 32;
      h *= kMul;
      return h ^ (h >> 29);
    }

   private:
    static constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h_;
  };

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  // How many runs of slots InsertAll places keys by, at most: few enough that the place where
  // each run's slots go next stays in the cache while they are sorted.
  static constexpr std::size_t kPlacingRuns = 2048;
  // How many keys InsertAll places at a time: a sweep through the slots for each batch, and
  // 768 KB for the batch and its sorted copy.
  static constexpr std::size_t kPlacingBatch = std::size_t{1} << 14;
  static constexpr std::size_t kInlineBytes = 8;
  // A slot holds all that a lookup needs besides the key's bytes, so that a hit costs two memory
  // reads: the slot and the key. A key of up to eight bytes stands in the slot itself, in place
  // of the tag and the offset, and a hit on it costs one.
  struct Slot {
    std::uint32_t Tag = 0;  // high bits of the hash
    std::uint32_t Offset = 0;
    std::uint32_t Length = kFree;  // kFree marks a free slot
    std::int32_t Value = 0;
    bool Used() const { return Length != kFree; }
    std::uint64_t InlineKey() const { return (std::uint64_t{Offset} << 32) | Tag; }
  };
  // The filter has eight bits per slot, and no more than kFilterBits in all: a small table
  // takes little room, and a large one's filter stays in the cache.
  static constexpr std::size_t kFilterBits = 1u << 18;
  std::size_t FilterBit(std::uint64_t hash) const { return hash & (filter_.size() * 64 - 1); }
  static std::uint64_t BitOf(std::size_t bit) { return std::uint64_t{1} << (bit % 64); }
  void NoteInFilter(std::uint64_t hash) {
    const std::size_t bit = FilterBit(hash);
    filter_[bit / 64] |= BitOf(bit);
  }

  // The slot that holds key or the free slot where it would go.
  std::size_t SlotFor(std::string_view key, std::uint64_t hash) const;
  // What a slot of key holds, its bytes entered in keys_ when they do not fit in the slot.
  Slot NewSlot(std::string_view key, std::uint64_t hash, int value);
  // A slot made by NewSlot, waiting to be placed, with its key's hash.
  struct WaitingSlot {
    std::uint64_t Hash = 0;
    Slot Made;
  };
  // Places each waiting slot, in their order, unless the table holds its key already; the
  // waiting slots go in the order of their homes, those of one home in their own order, sorted
  // into inOrder, which keeps its room for the next batch.
  void PlaceAll(const std::vector<WaitingSlot>& waiting, std::vector<WaitingSlot>& inOrder);
  std::string_view KeyOf(const Slot& slot, char (&inlineBytes)[kInlineBytes]) const;
  void Grow();
  void Rehash(std::size_t size);  // size: a power of two
  void Place(std::uint64_t hash, const Slot& slot);

  std::string keys_;  // every key's bytes, one after the other
  int size_ = 0;
  std::vector<Slot> slots_;
  std::vector<std::uint64_t> filter_;  // a bit per hash bucket in use
  KeyShapes shapes_;
};

template <typename KeyAt, typename ValueAt>
void TextHashTable::InsertAll(std::size_t count, KeyAt keyAt, ValueAt valueAt) {
  if (count == 0) return;
  Reserve(static_cast<std::size_t>(size_) + count);
  // A batch at a time, so that the room the waiting slots take stays the same at any count.
  std::vector<WaitingSlot> waiting, inOrder;
  waiting.reserve(std::min(count, kPlacingBatch));
  std::string scratch;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view key = keyAt(i, scratch);
    const std::uint64_t hash = Hash(key);
    waiting.push_back({hash, NewSlot(key, hash, valueAt(i))});
    if (waiting.size() == kPlacingBatch || i + 1 == count) {
      PlaceAll(waiting, inOrder);
      waiting.clear();
    }
  }
}

// FoldAndHash for any text, in two passes.
std::string_view FoldAndHashAnyText(std::string_view text, std::string& scratch,
                                    std::uint64_t& hash);

// Folds text without regard to letter case (FoldCaseInto) into scratch and gives the fold with its
// TextHashTable::Hash, in one pass when the text is plain ASCII (most names are). The fold is the
// first text.size() bytes of scratch: scratch only grows, with eight bytes to spare for the last
// word, as setting its size for every text would fill it with zeros each time.
inline std::string_view FoldAndHash(std::string_view text, std::string& scratch,
                                    std::uint64_t& hash) {
  const std::size_t size = text.size();
  if (scratch.size() < size + 8) scratch.resize(size + 8);
  TextHashTable::Hasher hasher(size);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if ((word & kHighBitsOfWord) != 0) return FoldAndHashAnyText(text, scratch, hash);
    word = FoldAsciiWord(word);
    std::memcpy(scratch.data() + i, &word, 8);
    hasher.Word(word);
  }
  std::uint64_t tail = LoadShortWord(text.data() + i, size - i);
  if ((tail & kHighBitsOfWord) != 0) return FoldAndHashAnyText(text, scratch, hash);
  tail = FoldAsciiWord(tail);
  std::memcpy(scratch.data() + i, &tail, 8);
  hash = hasher.Finish(tail);
  return std::string_view(scratch.data(), size);
}

// A set of hashes that may answer yes for one never added, and never no for one that was: two
// bits in one word per hash, about sixteen bits per expected hash, so that a large set's filter
// stays in the cache and turns away nearly all others with one load.
class HashFilter {
 public:
  explicit HashFilter(std::size_t expected = 0);
  void Add(std::uint64_t hash) { words_[WordOf(hash)] |= BitsOf(hash); }
  bool MayHold(std::uint64_t hash) const {
    const std::uint64_t bits = BitsOf(hash);
    return (words_[WordOf(hash)] & bits) == bits;
  }

 private:
  std::size_t WordOf(std::uint64_t hash) const { return hash & (words_.size() - 1); }
  // Two bits from the hash's high bits, which WordOf leaves alone.
  static std::uint64_t BitsOf(std::uint64_t hash) {
    return (std::uint64_t{1} << ((hash >> 52) & 63)) | (std::uint64_t{1} << ((hash >> 58) & 63));
  }
  std::vector<std::uint64_t> words_;
};

}  // namespace tarnel
