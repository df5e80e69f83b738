#include "analysis/ModuleMembers.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/TextHashTable.h"

namespace tarnel {

namespace {

std::uint32_t TagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

}  // namespace

ProcedureList& ProcedureList::operator=(ProcedureList&& other) noexcept {
  if (this == &other) return *this;
  count_ = std::exchange(other.count_, 0);
  std::copy(std::begin(other.inPlace_), std::end(other.inPlace_), inPlace_);
  more_ = std::move(other.more_);
  return *this;
}

void ProcedureList::push_back(std::uint32_t procedure) {
  if (!more_ && count_ < kInPlace) {
    inPlace_[count_++] = procedure;
    return;
  }
  if (!more_) more_ = std::make_unique<std::vector<std::uint32_t>>(inPlace_, inPlace_ + count_);
  more_->push_back(procedure);
  ++count_;
}

bool ModuleMembers::Holds(const Entry& entry, std::string_view folded) const {
  if (entry.Length != folded.size()) return false;
  const std::size_t head = std::min(folded.size(), kHeadBytes);
  if (std::memcmp(entry.Head, folded.data(), head) != 0) return false;
  return folded.size() <= kHeadBytes ||
         std::memcmp(rest_.data() + entry.Rest, folded.data() + kHeadBytes,
                     folded.size() - kHeadBytes) == 0;
}

std::size_t ModuleMembers::SlotFor(std::string_view folded, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const std::uint32_t tag = TagOf(hash);
  std::size_t at = hash & mask;
  for (; slots_[at].Entry != kFree; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.Tag == tag && Holds(entries_[slot.Entry], folded)) return at;
  }
  return at;
}

const MemberSet* ModuleMembers::Find(std::string_view folded, std::uint64_t hash) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot = slots_[SlotFor(folded, hash)];
  return slot.Entry == kFree ? nullptr : &entries_[slot.Entry].Set;
}

void ModuleMembers::Reserve(std::size_t count) {
  entries_.reserve(count);
  SlotsFor(count);
}

// At most half full: a module has few names, and a miss then stops at the first free slot.
void ModuleMembers::SlotsFor(std::size_t count) {
  std::size_t size = std::max<std::size_t>(16, slots_.size());
  while (count * 2 > size) size *= 2;
  if (size > slots_.size()) Rehash(size);
}

MemberSet& ModuleMembers::Enter(std::string_view folded, std::uint64_t hash, bool& entered) {
  entered = false;
  SlotsFor(entries_.size() + 1);
  Slot& slot = slots_[SlotFor(folded, hash)];
  if (slot.Entry != kFree) return entries_[slot.Entry].Set;
  entered = true;
  Entry& entry = entries_.emplace_back();
  entry.Length = static_cast<std::uint32_t>(folded.size());
  std::memcpy(entry.Head, folded.data(), std::min(folded.size(), kHeadBytes));
  if (folded.size() > kHeadBytes) {
    entry.Rest = static_cast<std::uint32_t>(rest_.size());
    rest_.append(folded.substr(kHeadBytes));
  }
  slot.Tag = TagOf(hash);
  slot.Entry = static_cast<std::uint32_t>(entries_.size() - 1);
  return entry.Set;
}

void ModuleMembers::NameInto(std::size_t entry, std::string& name) const {
  const Entry& e = entries_[entry];
  name.assign(e.Head, std::min<std::size_t>(e.Length, kHeadBytes));
  if (e.Length > kHeadBytes) name.append(rest_, e.Rest, e.Length - kHeadBytes);
}

void ModuleMembers::Rehash(std::size_t size) {
  slots_.assign(size, Slot{});
  const std::size_t mask = size - 1;
  std::string name;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    NameInto(i, name);
    const std::uint64_t hash = TextHashTable::Hash(name);
    std::size_t at = hash & mask;
    while (slots_[at].Entry != kFree) at = (at + 1) & mask;
    slots_[at] = {TagOf(hash), static_cast<std::uint32_t>(i)};
  }
}

}  // namespace tarnel
