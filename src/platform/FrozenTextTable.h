#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteText.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// A map from byte strings to numbers that is built once and then only read, for a large table
// that is looked up far more often than it is built. Each key gets an entry of
// its own, found from the key's hash through a small table of a number per group of keys (the
// number that sent the group's keys to free entries), so that a lookup reads one entry: the
// key's length, its value and its first bytes stand side by side in one half of a cache line.
// An open-addressing table reads a slot and then the key's bytes elsewhere, two waits on memory
// for each hit when the table is larger than the cache.
class FrozenTextTable {
 public:
  // A key's text, its hash (TextHashTable::Hash of the text) and its value, in 24 bytes: a large
  // table is built from as many keys at once.
  struct Key {
    std::uint64_t Hash = 0;
    const char* Data = nullptr;
    std::uint32_t Length = 0;
    std::int32_t Value = 0;
    std::string_view Text() const { return {Data, Length}; }
  };
  // How the value of a text that several keys give is made: from the value so far (the first
  // key's to begin with) and a later key's value, in the keys' order.
  using Merge = int (*)(int value, int later);
  static int KeepFirst(int value, int) { return value; }
  // Replaces the table with keys. Keys whose hashes do not let them have entries of their own
  // (two texts of one hash, or a group too crowded) are held in a small table aside.
  void Build(std::span<const Key> keys, Merge merge = KeepFirst);
  // The same for keys whose bytes stand one after the other in bytes, in their order, with their
  // Length and Value set: their Data and Hash are set here.
  void BuildFromBytes(std::string_view bytes, std::vector<Key>& keys, Merge merge = KeepFirst);
  // Builds from what table holds, each value v as valueOf(v), for lookups that need not see the
  // table's later changes.
  template <typename ValueOf>
  void Build(const TextHashTable& table, ValueOf valueOf) {
    // The keys' bytes are copied side by side: the table lends them only for a moment.
    std::string bytes;
    std::vector<Key> keys;
    keys.reserve(static_cast<std::size_t>(table.Size()));
    table.ForEach([&](std::string_view key, int value) {
      bytes.append(key);
      keys.push_back({0, nullptr, static_cast<std::uint32_t>(key.size()), valueOf(value)});
    });
    BuildFromBytes(bytes, keys);
  }
  void Build(const TextHashTable& table) {
    Build(table, [](int value) { return value; });
  }

  // The value under key (hash is TextHashTable::Hash(key)), or -1.
  int Find(std::string_view key, std::uint64_t hash) const {
    if (entries_.empty() || !MayHaveHash(hash)) return -1;
    const std::uint8_t pilot = pilots_[GroupOf(hash)];
    if (pilot == kAside) return aside_.Find(key);  // seldom: a hash of its own costs little
    const Entry& entry = entries_[EntryOf(hash, pilot)];
    if (entry.Length != key.size()) return -1;
    if (key.size() <= kInlineBytes) {
      return SameInlineBytes(entry.Bytes, key.data(), key.size()) ? entry.Value : -1;
    }
    return SameLongKey(entry, key) ? entry.Value : -1;
  }
  // The same, first turning away a key whose length and first byte no key has.
  int FindHashed(std::string_view key, std::uint64_t hash) const {
    return MayContain(key.empty() ? '\0' : key[0], key.size()) ? Find(key, hash) : -1;
  }
  // False when no key has this length and first byte: one load from a table that stays in the
  // cache, before any hashing.
  bool MayContain(char firstByte, std::size_t length) const {
    return shapes_.MayHave(firstByte, length);
  }
  // The same for the key that text folds to (FoldCase), before it is folded.
  bool MayContainFoldOf(std::string_view text) const {
    return MayContain(FoldedFirstByte(text), text.size());
  }
  std::size_t Size() const { return size_; }
  // How many keys are held aside, for tests.
  int AsideCount() const { return aside_.Size(); }

 private:
  static constexpr std::size_t kInlineBytes = 24;
  // A key longer than kInlineBytes keeps its first kLongPrefix bytes in the entry and the rest
  // in rest_, at the offset that the entry's last eight bytes give.
  static constexpr std::size_t kLongPrefix = kInlineBytes - sizeof(std::uint64_t);
  static constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;
  // A group whose keys are held aside: their hashes clash, or no number below this one found
  // free entries for them all, which at the table's load is next to never.
  static constexpr std::uint8_t kAside = 0xFF;
  struct alignas(32) Entry {
    std::uint32_t Length = kNoKey;
    std::int32_t Value = 0;
    char Bytes[kInlineBytes] = {};
  };
  static_assert(sizeof(Entry) == 32);

  static std::size_t Scale(std::uint64_t x, std::size_t n) {
    return static_cast<std::size_t>((static_cast<unsigned __int128>(x) * n) >> 64);
  }
  std::size_t GroupOf(std::uint64_t hash) const { return Scale(hash, pilots_.size()); }
  std::size_t EntryOf(std::uint64_t hash, std::uint8_t pilot) const {
    return EntryOf(hash, pilot, entries_.size());
  }
  // The same among entries that are not made yet.
  static std::size_t EntryOf(std::uint64_t hash, std::uint8_t pilot, std::size_t entries) {
    std::uint64_t x = hash ^ (static_cast<std::uint64_t>(pilot) * 0x9E3779B97F4A7C15ull);
    x ^= x >> 31;
    x *= 0xD6E8FEB86659FD93ull;
    x ^= x >> 32;
    return Scale(x, entries);
  }
  bool MayHaveHash(std::uint64_t hash) const {
    const std::size_t bit = hash & (filter_.size() * 64 - 1);
    return ((filter_[bit / 64] >> (bit % 64)) & 1) != 0;
  }
  // Whether the length bytes at a and b, at most kInlineBytes, are the same: a word or two and a
  // last one that may overlap the one before, without a call.
  static bool SameInlineBytes(const char* a, const char* b, std::size_t length) {
    if (length <= 8) return LoadShortWord(a, length) == LoadShortWord(b, length);
    const auto word = [](const char* at) {
      std::uint64_t w;
      std::memcpy(&w, at, sizeof w);
      return w;
    };
    if (word(a) != word(b) || word(a + length - 8) != word(b + length - 8)) return false;
    return length <= 16 || word(a + 8) == word(b + 8);
  }
  bool SameLongKey(const Entry& entry, std::string_view key) const;
  void Fill(const Key& key, std::size_t at);
  // A group and how many keys it has.
  struct LaidOut {
    std::uint32_t Group;
    std::uint32_t Size;
  };
  // Each key's place in a table of so many entries, with kRepeated on a key whose text an earlier
  // key of its group has, or kHeldAside; sets the groups' numbers.
  std::vector<std::uint32_t> PlaceKeys(std::span<const Key> keys, std::size_t entries);
  // Finds a number for each group that sends its keys to free entries, and notes each key's
  // entry in placeOf (by key) as PlaceKeys gives it. groups come in the order of laidOut, which
  // holds the keys' numbers group by group, and hashes their hashes.
  void PlaceGroups(std::span<const Key> keys, std::size_t entries, std::span<const LaidOut> groups,
                   std::span<const std::uint32_t> laidOut, std::span<const std::uint64_t> hashes,
                   std::span<std::uint32_t> placeOf);
  static constexpr std::uint32_t kRepeated = 1u << 31;
  static constexpr std::uint32_t kHeldAside = 0xFFFFFFFFu;

  std::vector<Entry> entries_;
  std::vector<std::uint8_t> pilots_;   // by group
  std::string rest_;                   // the bytes of long keys past their first kLongPrefix
  std::vector<std::uint64_t> filter_;  // a bit per hash, as TextHashTable's
  KeyShapes shapes_;
  TextHashTable aside_;
  std::size_t size_ = 0;
};

}  // namespace tarnel
