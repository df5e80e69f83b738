#pragma once

#include <string>
#include <utility>

#include "analysis/SymbolList.h"

namespace tarnel::test {

// Adds a record placed only by its key and its parent's key: a standard module under the root
// ("1"), a Sub under anything else. Its name stands for its full name too.
inline TPassRec& AddPlacedRecord(SymbolList& list, std::string key, std::string parent,
                                 std::string name) {
  TPassRec record;
  record.Key = std::move(key);
  record.ParentKey = std::move(parent);
  const bool module = record.ParentKey == "1";
  record.Level = module ? 3 : 4;
  record.Kind = module ? KindStdModule : KindSub;
  record.FullName = name;
  record.Name = std::move(name);
  return list.Add(std::move(record));
}

}  // namespace tarnel::test
