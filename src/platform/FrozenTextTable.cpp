#include "platform/FrozenTextTable.h"

#include <algorithm>

namespace tarnel {

namespace {

// Keys per group on average: small groups find free entries with few tries, and the table of
// numbers, a byte per group, takes half a byte per key.
constexpr std::size_t kKeysPerGroup = 2;
// Bits of the filter per entry, and no more than kFilterBits in all, as TextHashTable's.
constexpr std::size_t kFilterBitsPerEntry = 8;
constexpr std::size_t kFilterBits = std::size_t{1} << 18;

}  // namespace

bool FrozenTextTable::SameLongKey(const Entry& entry, std::string_view key) const {
  if (!SameInlineBytes(entry.Bytes, key.data(), kLongPrefix)) return false;
  std::uint64_t rest;
  std::memcpy(&rest, entry.Bytes + kLongPrefix, sizeof rest);
  return std::memcmp(rest_.data() + rest, key.data() + kLongPrefix, key.size() - kLongPrefix) == 0;
}

void FrozenTextTable::Fill(const Key& key, std::size_t at) {
  Entry& entry = entries_[at];
  entry.Length = static_cast<std::uint32_t>(key.Length);
  entry.Value = key.Value;
  if (key.Length <= kInlineBytes) {
    std::memcpy(entry.Bytes, key.Data, key.Length);
    return;
  }
  std::memcpy(entry.Bytes, key.Data, kLongPrefix);
  const std::uint64_t rest = rest_.size();
  std::memcpy(entry.Bytes + kLongPrefix, &rest, sizeof rest);
  rest_.append(key.Text().substr(kLongPrefix));
}

void FrozenTextTable::Build(std::span<const Key> keys, Merge merge) {
  entries_.clear();
  pilots_.clear();
  rest_.clear();
  filter_.clear();
  shapes_.Clear();
  aside_.Clear();
  size_ = 0;
  if (keys.empty()) return;

  // A fifth of the entries stay free, so that the last groups placed still find room quickly.
  const std::size_t entries = keys.size() + keys.size() / 4 + 1;
  pilots_.assign(keys.size() / kKeysPerGroup + 1, 0);
  std::size_t filterBits = 64;
  while (filterBits < std::min(entries * kFilterBitsPerEntry, kFilterBits)) filterBits *= 2;
  filter_.assign(filterBits / 64, 0);
  std::size_t restBytes = 0;
  for (const Key& key : keys) {
    shapes_.Add(key.Text());
    const std::size_t bit = key.Hash & (filterBits - 1);
    filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    if (key.Length > kInlineBytes) restBytes += key.Length - kLongPrefix;
  }
  const std::vector<std::uint32_t> placeOf = PlaceKeys(keys, entries);
  // The entries come once the placing has given its room back, which they then take: a large
  // table is built when the heap is at its fullest, and both at once would raise its peak.
  entries_.assign(entries, Entry{});
  rest_.reserve(restBytes);

  // The entries are filled in the keys' order, which reads the keys' bytes one after the other;
  // a repeated text merges its value into its first key's entry.
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const Key& key = keys[k];
    const std::uint32_t place = placeOf[k];
    if (place == kHeldAside) {
      const int before = aside_.Size();
      const int value = aside_.FindOrInsert(key.Text(), key.Value);
      if (aside_.Size() == before) {
        aside_.Assign(key.Text(), merge(value, key.Value));
      } else {
        ++size_;
      }
    } else if ((place & kRepeated) != 0) {
      Entry& entry = entries_[place & ~kRepeated];
      entry.Value = merge(entry.Value, key.Value);
    } else {
      Fill(key, place);
      ++size_;
    }
  }
}

std::vector<std::uint32_t> FrozenTextTable::PlaceKeys(std::span<const Key> keys,
                                                      std::size_t entries) {
  // The keys of each group side by side, in their own order, and the groups by size, largest
  // first: a large group needs many free entries at once, which are easiest to find while the
  // table is still empty. The hashes stand beside the keys' numbers, so that finding the groups'
  // numbers reads nothing else, and reads it in the order it stands.
  std::vector<std::uint32_t> sizeOf(pilots_.size(), 0);
  for (const Key& key : keys) ++sizeOf[GroupOf(key.Hash)];
  const std::size_t largest = *std::max_element(sizeOf.begin(), sizeOf.end());
  std::vector<std::uint32_t> groupsBefore(largest + 2, 0);  // by rank: largest - size
  for (const std::uint32_t size : sizeOf) ++groupsBefore[largest - size + 1];
  std::vector<std::uint32_t> keysBefore(largest + 2, 0);
  for (std::size_t rank = 1; rank < groupsBefore.size(); ++rank) {
    keysBefore[rank] =
        keysBefore[rank - 1] + groupsBefore[rank] * static_cast<std::uint32_t>(largest - rank + 1);
    groupsBefore[rank] += groupsBefore[rank - 1];
  }
  std::vector<LaidOut> groups(pilots_.size());
  std::vector<std::uint32_t> next(pilots_.size());  // where a group's next key goes
  for (std::size_t g = 0; g < pilots_.size(); ++g) {
    const std::size_t rank = largest - sizeOf[g];
    groups[groupsBefore[rank]++] = {static_cast<std::uint32_t>(g), sizeOf[g]};
    next[g] = keysBefore[rank];
    keysBefore[rank] += sizeOf[g];
  }
  std::vector<std::uint32_t> laidOut(keys.size());
  std::vector<std::uint64_t> hashes(keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const std::uint32_t at = next[GroupOf(keys[k].Hash)]++;
    laidOut[at] = static_cast<std::uint32_t>(k);
    hashes[at] = keys[k].Hash;
  }
  std::vector<std::uint32_t> placeOf(keys.size());
  PlaceGroups(keys, entries, groups, laidOut, hashes, placeOf);
  return placeOf;
}

void FrozenTextTable::PlaceGroups(std::span<const Key> keys, std::size_t entries,
                                  std::span<const LaidOut> groups,
                                  std::span<const std::uint32_t> laidOut,
                                  std::span<const std::uint64_t> hashes,
                                  std::span<std::uint32_t> placeOf) {
  std::vector<bool> taken(entries, false);
  // Of the group at hand: the places in laidOut of the keys whose text comes first in it, and for
  // each key which of those has its text (-1: itself).
  std::vector<std::uint32_t> firsts;
  std::vector<int> firstOf;
  std::vector<std::size_t> places;
  std::size_t end = 0;
  for (const auto [g, size] : groups) {
    const std::size_t begin = end;
    end += size;
    if (begin == end) break;  // the rest are empty too
    // A text given again stays with its first key. Two texts of one hash always land together:
    // no number can part them.
    firsts.clear();
    firstOf.clear();
    bool parted = true;
    for (std::size_t i = begin; i < end && parted; ++i) {
      int first = -1;
      for (std::size_t f = 0; f < firsts.size(); ++f) {
        const std::uint32_t j = firsts[f];
        if (hashes[j] != hashes[i]) continue;
        parted = keys[laidOut[j]].Text() == keys[laidOut[i]].Text();
        first = static_cast<int>(f);
        break;
      }
      firstOf.push_back(first);
      if (first < 0) firsts.push_back(static_cast<std::uint32_t>(i));
    }
    bool placed = false;
    for (std::uint32_t pilot = 0; parted && pilot < kAside && !placed; ++pilot) {
      places.clear();
      placed = true;
      for (const std::uint32_t i : firsts) {
        const std::size_t at = EntryOf(hashes[i], static_cast<std::uint8_t>(pilot), entries);
        if (taken[at] || std::find(places.begin(), places.end(), at) != places.end()) {
          placed = false;
          break;
        }
        places.push_back(at);
      }
      if (placed) pilots_[g] = static_cast<std::uint8_t>(pilot);
    }
    if (!placed) {
      pilots_[g] = kAside;
      for (std::size_t i = begin; i < end; ++i) placeOf[laidOut[i]] = kHeldAside;
      continue;
    }
    for (const std::size_t at : places) taken[at] = true;
    std::size_t nextFirst = 0;
    for (std::size_t i = begin; i < end; ++i) {
      const int first = firstOf[i - begin];
      placeOf[laidOut[i]] =
          first < 0
              ? static_cast<std::uint32_t>(places[nextFirst++])
              : kRepeated | static_cast<std::uint32_t>(places[static_cast<std::size_t>(first)]);
    }
  }
}

void FrozenTextTable::BuildFromBytes(std::string_view bytes, std::vector<Key>& keys, Merge merge) {
  const char* at = bytes.data();
  for (Key& key : keys) {
    key.Data = at;
    key.Hash = TextHashTable::Hash(key.Text());
    at += key.Length;
  }
  Build(keys, merge);
}

}  // namespace tarnel
