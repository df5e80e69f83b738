#include "analysis/NameIndex.h"

#include "platform/ByteText.h"

namespace tarnel {

void NameIndex::Clear() {
  entries_.clear();
  firstByFold_.Clear();
  indexed_ = 0;
}

void NameIndex::Append(std::string text, TPassRec* record) {
  entries_.emplace_back(std::move(text), record);
}

void NameIndex::Splice(std::size_t first, std::size_t count,
                       std::vector<std::pair<std::string, TPassRec*>> entries) {
  const auto at = entries_.begin() + static_cast<std::ptrdiff_t>(first);
  entries_.erase(at, at + static_cast<std::ptrdiff_t>(count));
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(first),
                  std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
  // The index is made again on the next lookup.
  firstByFold_.Clear();
  indexed_ = 0;
}

int NameIndex::IndexOf(std::string_view text) const {
  // The cross-reference pass has a table of its own, so the index is only made when asked for.
  for (; indexed_ < entries_.size(); ++indexed_) {
    FoldCaseInto(entries_[indexed_].first, folded_);
    firstByFold_.Insert(folded_, static_cast<int>(indexed_));  // the first of equal texts stays
  }
  // Folding keeps the length and turns only A..Z of the first byte (a lead byte stays).
  char first = text.empty() ? '\0' : text[0];
  if (first >= 'A' && first <= 'Z') first = static_cast<char>(first + 32);
  if (!firstByFold_.MayContain(first, text.size())) return -1;
  FoldCaseInto(text, folded_);
  return firstByFold_.Find(folded_);
}

TPassRec* NameIndex::Find(std::string_view text) const {
  int index = IndexOf(text);
  return index < 0 ? nullptr : entries_[static_cast<std::size_t>(index)].second;
}

void NameIndex::ForgetRecords() {
  for (auto& entry : entries_) entry.second = nullptr;
}

}  // namespace tarnel
