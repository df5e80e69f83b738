#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/Symbol.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// A list of (text, record) entries with a lookup that ignores letter case and returns the first
// matching entry in list order, through a hash index instead of a scan. The texts stand one after
// the other in one buffer: an index holds a name of every procedure of the project.
class NameIndex {
 public:
  void Clear();
  void Append(std::string_view text, TPassRec* record);
  // Makes room for count entries and textBytes bytes of their texts.
  void Reserve(std::size_t count, std::size_t textBytes = 0);
  // Replaces count entries from first on with entries.
  void Splice(std::size_t first, std::size_t count,
              std::vector<std::pair<std::string, TPassRec*>> entries);

  int Count() const { return static_cast<int>(entries_.size()); }
  std::string_view TextAt(int index) const {
    const Entry& entry = entries_[static_cast<std::size_t>(index)];
    return std::string_view(texts_).substr(entry.Offset, entry.Length);
  }
  TPassRec* RecordAt(int index) const { return entries_[static_cast<std::size_t>(index)].Record; }

  // Position of the first entry equal to text without regard to letter case, or -1. The first
  // lookup after a change builds the hash index; lookups are for one thread at a time.
  int IndexOf(std::string_view text) const;
  // Its record, or nullptr.
  TPassRec* Find(std::string_view text) const;

  // Drops the record references (they die with the symbol list) but keeps the texts.
  void ForgetRecords();

 private:
  struct Entry {
    std::uint32_t Offset;
    std::uint32_t Length;
    TPassRec* Record;
  };
  std::string texts_;
  std::vector<Entry> entries_;
  mutable TextHashTable firstByFold_;  // built on the first lookup
  mutable std::size_t indexed_ = 0;    // entries in firstByFold_
  mutable std::string folded_;         // scratch for lookups
};

}  // namespace tarnel
