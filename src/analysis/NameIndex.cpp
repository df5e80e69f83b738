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
  // The texts are laid out again, so that replaced ones leave no gaps behind.
  NameIndex spliced;
  spliced.Reserve(entries_.size() - count + entries.size(), texts_.size());
  for (std::size_t i = 0; i < first; ++i)
    spliced.Append(TextAt(static_cast<int>(i)), RecordAt(static_cast<int>(i)));
  for (const auto& [text, record] : entries) spliced.Append(text, record);
  for (std::size_t i = first + count; i < entries_.size(); ++i) {
    spliced.Append(TextAt(static_cast<int>(i)), RecordAt(static_cast<int>(i)));
  }
  texts_ = std::move(spliced.texts_);
  entries_ = std::move(spliced.entries_);
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
