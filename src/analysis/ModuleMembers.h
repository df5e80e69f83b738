#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/PreciseModel.h"

namespace tarnel {

// The procedures of a module that share a name, by their places in the module: one mostly, and
// no more than three (a property's Get, Let and Set) unless the module declares one twice. Up to
// three stand in place, beside the rest of what the name means.
class ProcedureList {
 public:
  ProcedureList() = default;
  ProcedureList(const ProcedureList& other) = delete;
  ProcedureList& operator=(const ProcedureList& other) = delete;
  ProcedureList(ProcedureList&& other) noexcept { *this = std::move(other); }
  ProcedureList& operator=(ProcedureList&& other) noexcept;  // leaves other empty

  void push_back(std::uint32_t procedure);
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const std::uint32_t* begin() const { return more_ ? more_->data() : inPlace_; }
  const std::uint32_t* end() const { return begin() + count_; }
  std::uint32_t front() const { return *begin(); }

 private:
  static constexpr std::uint32_t kInPlace = 3;
  std::uint32_t count_ = 0;
  std::uint32_t inPlace_[kInPlace] = {};
  std::unique_ptr<std::vector<std::uint32_t>> more_;  // all of them, once there are more
};

// What a name means at module level: its procedures (a property's Get, Let and Set share one
// name), or the variable, constant or control that holds it.
struct MemberSet {
  ProcedureList Procedures;
  const VariableDecl* Variable = nullptr;
  const ControlDecl* Control = nullptr;
};

// The members of one module by folded name. The resolver looks up nearly every name of a body
// among the members of the body's own module, so the table is small and of one piece: a slot
// array of eight bytes a name, and the sets in entries of one cache line each, which also hold
// the name's first bytes. A hit reads a slot and an entry, both likely in the cache already
// while the module's bodies are resolved, and hashes nothing: the caller brings the hash.
class ModuleMembers {
 public:
  // The set under a folded name with its hash (TextHashTable::Hash), or null.
  const MemberSet* Find(std::string_view folded, std::uint64_t hash) const;
  MemberSet* Find(std::string_view folded, std::uint64_t hash) {
    return const_cast<MemberSet*>(std::as_const(*this).Find(folded, hash));
  }
  // The set under a folded name, entered empty when there is none; entered tells which. Entering
  // a name may move the sets: a pointer to one holds only until the next name is entered.
  MemberSet& Enter(std::string_view folded, std::uint64_t hash, bool& entered);
  // Makes room for count names in all.
  void Reserve(std::size_t count);

  std::size_t Count() const { return entries_.size(); }
  // The entries in the order their names were first entered; name receives the folded name.
  void NameInto(std::size_t entry, std::string& name) const;
  const MemberSet& At(std::size_t entry) const { return entries_[entry].Set; }
  MemberSet& At(std::size_t entry) { return entries_[entry].Set; }

 private:
  static constexpr std::size_t kHeadBytes = 16;
  struct alignas(64) Entry {
    char Head[kHeadBytes] = {};  // the name's first bytes, the rest zero
    std::uint32_t Length = 0;
    std::uint32_t Rest = 0;  // where the bytes after the head start in rest_
    MemberSet Set;
  };
  struct Slot {
    std::uint32_t Tag = 0;  // high bits of the hash
    std::uint32_t Entry = kFree;
  };
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;

  bool Holds(const Entry& entry, std::string_view folded) const;
  std::size_t SlotFor(std::string_view folded, std::uint64_t hash) const;
  void SlotsFor(std::size_t count);
  void Rehash(std::size_t size);

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::string rest_;
};

}  // namespace tarnel
