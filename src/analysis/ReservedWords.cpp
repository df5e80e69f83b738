#include "analysis/ReservedWords.h"

namespace tarnel {

void ReservedWordList::Clear() {
  set_.Clear();
  words_.clear();
}

void ReservedWordList::LoadFromBytes(std::string_view content) {
  Clear();
  std::size_t nul = content.find('\0');
  if (nul != std::string_view::npos) content = content.substr(0, nul);
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    words_.emplace_back(content.substr(pos, end - pos));
    pos = end;
    if (pos < content.size() && content[pos] == '\r') ++pos;
    if (pos < content.size() && content[pos] == '\n') ++pos;
  }
  for (const std::string& word : words_) set_.Insert(word, 0);
}

bool ReservedWordList::Contains(std::string_view token) const { return set_.Find(token) >= 0; }

}  // namespace tarnel
