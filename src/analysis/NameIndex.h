#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/Symbol.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// A list of (text, record) entries with a lookup that ignores letter case and returns the first
// matching entry in list order, through a hash index instead of a scan.
class NameIndex {
 public:
  void Clear();
  void Append(std::string text, TPassRec* record);

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& TextAt(int index) const {
    return entries_[static_cast<std::size_t>(index)].first;
  }
  TPassRec* RecordAt(int index) const { return entries_[static_cast<std::size_t>(index)].second; }

  // Position of the first entry equal to text without regard to letter case, or -1.
  int IndexOf(std::string_view text) const { return IndexOf(text, folded_); }
  // The same with the caller's scratch buffer, so that several threads may look up at once.
  int IndexOf(std::string_view text, std::string& scratch) const;
  // Its record, or nullptr.
  TPassRec* Find(std::string_view text) const;

  // Drops the record references (they die with the symbol list) but keeps the texts.
  void ForgetRecords();

 private:
  std::vector<std::pair<std::string, TPassRec*>> entries_;
  TextHashTable firstByFold_;
  mutable std::string folded_;  // scratch for lookups
};

}  // namespace tarnel
