#include "analysis/SymbolList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/ByteText.h"
#include "platform/Errors.h"

namespace tarnel {

TPassRec& SymbolList::Add(TPassRec record) {
  record.Calls.clear();
  record.CalledBy.clear();
  return Adopt(std::make_unique<TPassRec>(std::move(record)));
}

TPassRec& SymbolList::Adopt(std::unique_ptr<TPassRec> owned) {
  TPassRec& stored = *owned;
  const auto position = static_cast<std::int32_t>(byKeyRecords_.size());
  unsigned level = 0;
  std::size_t number = 0;
  if (NumberedKey(stored.Key, level, number)) {
    std::vector<std::int32_t>& numbered = byNumber_[level];
    if (number >= numbered.size()) {
      numbered.resize(std::min(std::max(number + 1, 2 * numbered.size()), kMaxNumbered), -1);
    }
    if (numbered[number] < 0) numbered[number] = position;  // the first under a key stays
  } else {
    FoldCaseInto(stored.Key, folded_);
    byKey_.Insert(folded_, position);
  }
  byKeyRecords_.push_back(&stored);
  if (keyOrder_ && !records_.empty() && !unsorted_ && records_.back()->Key > stored.Key) {
    unsorted_ = true;  // sorted lazily on the next walk
  }
  records_.push_back(std::move(owned));
  return stored;
}

void SymbolList::AdoptAll(std::vector<std::unique_ptr<TPassRec>> records) {
  // Records lie apart in memory, and each one's key is read as it is entered: the keys of the
  // records a few places on are asked for ahead, so that their reads overlap.
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i + kAhead < records.size()) __builtin_prefetch(&records[i + kAhead]->Key);
    Adopt(std::move(records[i]));
  }
}

int SymbolList::RecordedIndexOf(std::string_view key) const {
  unsigned level = 0;
  std::size_t number = 0;
  if (NumberedKey(key, level, number)) {
    const std::vector<std::int32_t>& numbered = byNumber_[level];
    return number < numbered.size() ? numbered[number] : -1;
  }
  // Keys are mostly digits and "-": such a key is its own fold, and is looked up without a copy.
  const bool folds = std::any_of(key.begin(), key.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
  });
  if (folds) FoldCaseInto(key, folded_);
  return byKey_.Find(folds ? std::string_view(folded_) : key);
}

TPassRec* SymbolList::TryFind(std::string_view key) const {
  const int index = RecordedIndexOf(key);
  return index < 0 ? nullptr : byKeyRecords_[static_cast<std::size_t>(index)];
}

TPassRec& SymbolList::Find(std::string_view key) const {
  TPassRec* record = TryFind(key);
  if (record == nullptr) throw ListIndexError();
  return *record;
}

void SymbolList::Clear() {
  byKey_.Clear();
  for (std::vector<std::int32_t>& numbered : byNumber_) numbered.clear();
  byKeyRecords_.clear();
  records_.clear();
  unsorted_ = false;
}

std::vector<std::unique_ptr<TPassRec>> SymbolList::Release() {
  for (auto& owned : records_) static_cast<void>(owned.release());
  std::vector<std::unique_ptr<TPassRec>> released;
  released.reserve(byKeyRecords_.size());
  for (TPassRec* record : byKeyRecords_) released.emplace_back(record);
  const auto unnumbered = static_cast<std::size_t>(byKey_.Size());
  byKey_.Clear();
  for (std::vector<std::int32_t>& numbered : byNumber_) numbered.clear();
  byKeyRecords_.clear();
  records_.clear();
  unsorted_ = false;
  // They mostly come back.
  byKey_.Reserve(unnumbered);
  byKeyRecords_.reserve(released.size());
  records_.reserve(released.size());
  return released;
}

TPassRec& SymbolList::At(int index) const {
  SortIfNeeded();
  if (index < 0 || index >= Count()) throw ListIndexError();
  return *records_[static_cast<std::size_t>(index)];
}

TPassRec& SymbolList::Recorded(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError();
  return *byKeyRecords_[static_cast<std::size_t>(index)];
}

void SymbolList::SwitchToKeyOrder() {
  if (keyOrder_) return;
  keyOrder_ = true;
  unsorted_ = true;
}

namespace {

// A folded key of up to 12 bytes without NUL, packed big-endian and zero-filled into one word
// and the top half of another, with the record's place in the bottom half: comparing the words
// orders as comparing the texts would, equal texts by place, with no pointer to follow per
// comparison and no buffer for a stable sort.
struct PackedKey {
  std::uint64_t High = 0;
  std::uint64_t LowAndPlace = 0;
  bool operator<(const PackedKey& other) const {
    return High != other.High ? High < other.High : LowAndPlace < other.LowAndPlace;
  }
};

constexpr std::size_t kPackedBytes = 12;

bool PackKey(std::string_view folded, std::uint32_t place, PackedKey& packed) {
  if (folded.size() > kPackedBytes || folded.find('\0') != std::string_view::npos) return false;
  unsigned char bytes[kPackedBytes] = {};
  std::memcpy(bytes, folded.data(), folded.size());
  std::uint64_t low = 0;
  for (int i = 0; i < 8; ++i) packed.High = (packed.High << 8) | bytes[i];
  for (std::size_t i = 8; i < kPackedBytes; ++i) low = (low << 8) | bytes[i];
  packed.LowAndPlace = (low << 32) | place;
  return true;
}

}  // namespace

void SymbolList::SortIfNeeded() const {
  if (!unsorted_) return;
  // Each key is folded once, not once per comparison; the records move only when nothing
  // more can fail. Keys that cannot be packed (a NUL byte, which no reading makes) are sorted as
  // text.
  std::vector<std::unique_ptr<TPassRec>> sorted(records_.size());
  std::vector<PackedKey> packed(records_.size());
  std::string folded;
  bool packs = records_.size() <= UINT32_MAX;
  for (std::size_t i = 0; i < records_.size() && packs; ++i) {
    FoldCaseInto(records_[i]->Key, folded);
    packs = PackKey(folded, static_cast<std::uint32_t>(i), packed[i]);
  }
  if (packs) {
    std::sort(packed.begin(), packed.end());
    for (std::size_t i = 0; i < packed.size(); ++i) {
      sorted[i] = std::move(records_[packed[i].LowAndPlace & UINT32_MAX]);
    }
  } else {
    packed = {};
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i) {
      keys.emplace_back(FoldCase(records_[i]->Key), i);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keys.size(); ++i) sorted[i] = std::move(records_[keys[i].second]);
  }
  records_.swap(sorted);
  unsorted_ = false;
}

}  // namespace tarnel
