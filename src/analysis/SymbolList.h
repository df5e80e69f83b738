#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ProcedureKey.h"
#include "analysis/Symbol.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// Owns every symbol record under its key. Starts in insertion order; once switched to key order
// (ascending keys compared as text) it stays there, and new entries take their key's place.
class SymbolList {
 public:
  // Enters a copy of record (with empty Calls and CalledBy) and returns the stored record.
  TPassRec& Add(TPassRec record);
  // The record stored under key (letter case ignored); throws ListIndexError when absent.
  TPassRec& Find(std::string_view key) const;
  // The record under key, or nullptr.
  TPassRec* TryFind(std::string_view key) const;
  // The position in the order added (as Recorded takes it) of the record under key, or -1.
  int RecordedIndexOf(std::string_view key) const;
  // Disposes of every record. The ordering state does not change.
  void Clear();
  // Takes every record out, in the order they were added, leaving the list empty; with Adopt,
  // the records can be entered again in another order or under new keys, at their addresses.
  std::vector<std::unique_ptr<TPassRec>> Release();
  // Enters a record as it is, its Calls and CalledBy included, and returns it.
  TPassRec& Adopt(std::unique_ptr<TPassRec> record);
  // Adopts each record in turn.
  void AdoptAll(std::vector<std::unique_ptr<TPassRec>> records);

  int Count() const { return static_cast<int>(records_.size()); }
  // The record at position index (from 0) in the current order.
  TPassRec& At(int index) const;
  // The record at position index (from 0) in the order the records were added, whatever the
  // current order.
  TPassRec& Recorded(int index) const;

  void SwitchToKeyOrder();
  bool InKeyOrder() const { return keyOrder_; }

 private:
  void SortIfNeeded() const;

  // Keys as the analysis writes them (ParseWrittenKey) are their own folds and stand for a level
  // and a number: the first record entered under such a key is found by its number in the
  // level's array, without a hash or a miss in a large table. Any other key, and one whose
  // number reaches kMaxNumbered, goes to byKey_.
  static bool NumberedKey(std::string_view key, unsigned& level, std::size_t& number) {
    return ParseWrittenKey(key, level, number) && number < kMaxNumbered;
  }
  static constexpr std::size_t kMaxNumbered = std::size_t{1} << 22;

  bool keyOrder_ = false;
  mutable bool unsorted_ = false;
  mutable std::vector<std::unique_ptr<TPassRec>> records_;
  TextHashTable byKey_;  // folded key -> position in byKeyRecords_, for keys not numbered
  std::array<std::vector<std::int32_t>, 10> byNumber_;  // position in byKeyRecords_, or -1
  std::vector<TPassRec*> byKeyRecords_;                 // in the order added
  mutable std::string folded_;
};

}  // namespace tarnel
