#include "analysis/NamesUsed.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "analysis/VbLexer.h"
#include "platform/ByteText.h"

namespace tarnel {

std::uint64_t NameHash(std::string_view folded) { return std::hash<std::string_view>()(folded); }

void NamesUsed::Note(const VbStatement& statement) {
  for (const VbToken& token : statement.Tokens) {
    if (token.Kind != TokenKind::Identifier) continue;
    FoldCaseInto(BareName(token.Text), folded_);
    hashes_.push_back(NameHash(folded_));
  }
}

std::vector<std::uint64_t> NamesUsed::Take() {
  std::sort(hashes_.begin(), hashes_.end());
  hashes_.erase(std::unique(hashes_.begin(), hashes_.end()), hashes_.end());
  return std::exchange(hashes_, {});
}

}  // namespace tarnel
