#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/NameIndex.h"
#include "analysis/ReservedWords.h"
#include "platform/TextHashTable.h"

namespace tarnel {

// What the tokens of body lines can stand for, found with one lookup per token: whether a token
// is a reserved word (byte for byte) and which procedure it names (without regard to letter
// case: the first full name that equals it, else the first name). Read-only once built, so the
// scanners of several threads can share it.
class TokenTable {
 public:
  TokenTable(const NameIndex& names, const NameIndex& fullNames, const ReservedWordList& reserved);

  struct Meaning {
    bool Reserved = false;
    bool ReservedAnyCase = false;  // a reserved word without regard to letter case
    int Callee = -1;               // position in the name indexes, or -1
  };
  // scratch is the caller's buffer for the folded token.
  Meaning Look(std::string_view token, std::string& scratch) const;

 private:
  struct Entry {
    int Name = -1;
    int FullName = -1;
    int ReservedForms = -1;  // index into reservedForms_, or -1
  };
  Entry& EntryFor(std::string_view text, std::string& scratch);

  TextHashTable byFold_;  // folded text -> index into entries_
  std::vector<Entry> entries_;
  std::vector<std::vector<std::string>> reservedForms_;  // the exact words of one fold
};

}  // namespace tarnel
