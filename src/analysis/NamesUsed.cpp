#include "analysis/NamesUsed.h"

#include <algorithm>

#include "analysis/VbLexer.h"
#include "platform/TextHashTable.h"

namespace tarnel {

std::uint64_t NameHash(std::string_view folded) { return TextHashTable::Hash(folded); }

void NamesUsed::Note(const VbStatement& statement) {
  for (const VbToken& token : statement.Tokens) {
    if (token.Kind != TokenKind::Identifier) continue;
    std::uint64_t hash = 0;
    FoldAndHash(BareName(token.Text), folded_, hash);  // the hash NameHash gives the fold
    Add(hash);
  }
}

void NamesUsed::Add(std::uint64_t hash) {
  if (hash == 0) {
    zero_ = true;
    return;
  }
  if ((count_ + 1) * 2 > slots_.size()) {
    std::vector<std::uint64_t> old(std::max<std::size_t>(256, slots_.size() * 2), 0);
    old.swap(slots_);
    count_ = 0;
    for (std::uint64_t kept : old) {
      if (kept != 0) Add(kept);
    }
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    if (slots_[at] == hash) return;
    if (slots_[at] == 0) {
      slots_[at] = hash;
      ++count_;
      return;
    }
  }
}

std::vector<std::uint64_t> NamesUsed::Take() {
  std::vector<std::uint64_t> hashes;
  hashes.reserve(count_ + (zero_ ? 1 : 0));
  if (zero_) hashes.push_back(0);
  for (std::uint64_t hash : slots_) {
    if (hash != 0) hashes.push_back(hash);
  }
  std::sort(hashes.begin(), hashes.end());
  std::fill(slots_.begin(), slots_.end(), 0);
  count_ = 0;
  zero_ = false;
  return hashes;
}

}  // namespace tarnel
