#include "analysis/ReservedWords.h"

#include "platform/ByteText.h"

namespace tarnel {

void ReservedWordList::Clear() {
  set_.Clear();
  words_.clear();
}

void ReservedWordList::LoadFromBytes(std::string_view content) {
  Clear();
  std::size_t nul = content.find('\0');
  if (nul != std::string_view::npos) content = content.substr(0, nul);
  for (std::string_view word : SplitLines(content)) words_.emplace_back(word);
  for (const std::string& word : words_) set_.Insert(word, 0);
}

bool ReservedWordList::Contains(std::string_view token) const { return set_.Find(token) >= 0; }

}  // namespace tarnel
