#include "analysis/NameIndex.h"

#include "platform/ByteText.h"

namespace tarnel {

void NameIndex::Clear() {
  entries_.clear();
  firstByFold_.clear();
}

void NameIndex::Append(std::string text, TPassRec* record) {
  firstByFold_.emplace(FoldCase(text), Count());  // keeps the first position of equal texts
  entries_.emplace_back(std::move(text), record);
}

int NameIndex::IndexOf(std::string_view text) const {
  auto it = firstByFold_.find(FoldCase(text));
  return it == firstByFold_.end() ? -1 : it->second;
}

TPassRec* NameIndex::Find(std::string_view text) const {
  int index = IndexOf(text);
  return index < 0 ? nullptr : entries_[static_cast<std::size_t>(index)].second;
}

void NameIndex::ForgetRecords() {
  for (auto& entry : entries_) entry.second = nullptr;
}

}  // namespace tarnel
