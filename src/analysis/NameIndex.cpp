#include "analysis/NameIndex.h"

#include "platform/ByteText.h"

namespace tarnel {

void NameIndex::Clear() {
  texts_.clear();
  entries_.clear();
  firstByFold_.Clear();
  indexed_ = 0;
}

void NameIndex::Append(std::string_view text, TPassRec* record) {
  // Offsets count in 32 bits: the texts of one index never come near 4 GB.
  entries_.push_back(
      {static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(text.size()), record});
  texts_.append(text);
}

void NameIndex::Reserve(std::size_t count, std::size_t textBytes) {
  entries_.reserve(count);
  texts_.reserve(textBytes);
}

void NameIndex::Splice(std::size_t first, std::size_t count,
                       std::vector<std::pair<std::string, TPassRec*>> entries) {
  // The texts lie end to end in the order of their entries, so the replaced ones are one run:
  // it is replaced in place, and the offsets after it move by the change in its length.
  const auto offsetAt = [&](std::size_t i) {
    return i < entries_.size() ? std::size_t{entries_[i].Offset} : texts_.size();
  };
  const std::size_t from = offsetAt(first);
  const std::size_t to = offsetAt(first + count);
  std::string added;
  std::vector<Entry> made;
  made.reserve(entries.size());
  for (const auto& [text, record] : entries) {
    made.push_back({static_cast<std::uint32_t>(from + added.size()),
                    static_cast<std::uint32_t>(text.size()), record});
    added += text;
  }
  texts_.replace(from, to - from, added);
  const auto at = entries_.begin() + static_cast<std::ptrdiff_t>(first);
  entries_.insert(entries_.erase(at, at + static_cast<std::ptrdiff_t>(count)), made.begin(),
                  made.end());
  // Unsigned arithmetic wraps a shorter run's shift round to the right offsets.
  const auto shift = static_cast<std::uint32_t>(added.size() - (to - from));
  for (std::size_t i = first + made.size(); i < entries_.size(); ++i) entries_[i].Offset += shift;
  // The index is made again on the next lookup.
  firstByFold_.Clear();
  indexed_ = 0;
}

int NameIndex::IndexOf(std::string_view text) const {
  // The cross-reference pass has a table of its own, so the index is only made when asked for.
  // The first of equal texts stays.
  const std::size_t from = indexed_;
  firstByFold_.InsertAll(
      entries_.size() - from,
      [&](std::size_t i, std::string& fold) -> std::string_view {
        FoldCaseInto(TextAt(static_cast<int>(from + i)), fold);
        return fold;
      },
      [&](std::size_t i) { return static_cast<int>(from + i); });
  indexed_ = entries_.size();
  if (!firstByFold_.MayContainFoldOf(text)) return -1;
  FoldCaseInto(text, folded_);
  return firstByFold_.Find(folded_);
}

TPassRec* NameIndex::Find(std::string_view text) const {
  int index = IndexOf(text);
  return index < 0 ? nullptr : RecordAt(index);
}

void NameIndex::ForgetRecords() {
  for (Entry& entry : entries_) entry.Record = nullptr;
}

}  // namespace tarnel
