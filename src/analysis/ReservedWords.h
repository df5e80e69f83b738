#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/TextHashTable.h"

namespace tarnel {

// Words that the cross-reference pass never takes for a procedure name. Membership is exact, byte
// for byte, letter case included.
class ReservedWordList {
 public:
  // Replaces the words with the lines of content: split at CR, LF or CR LF, nothing trimmed, an
  // empty line is the empty word, a NUL byte ends the content.
  void LoadFromBytes(std::string_view content);
  void Clear();

  bool Contains(std::string_view token) const;
  const std::vector<std::string>& Words() const { return words_; }

 private:
  std::vector<std::string> words_;
  TextHashTable set_;
};

}  // namespace tarnel
