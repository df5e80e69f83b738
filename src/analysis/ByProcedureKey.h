#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analysis/ProcedureKey.h"

namespace tarnel {

// A value per procedure key, held in one array by the key's number instead of a map of key
// strings: the project-wide tables of a precise analysis hold one entry for nearly every
// procedure. It is used as the map it replaced: find() gives an entry whose `second` is the value,
// or end().
template <typename Value>
class ByProcedureKey {
 public:
  struct Entry {
    Value second{};
  };
  using iterator = Entry*;
  using const_iterator = const Entry*;

  iterator find(std::string_view key) {
    if (const auto at = ProcedureKeyIndex(key)) return FindIndex(*at);
    auto other = others_.find(std::string(key));
    return other == others_.end() ? end() : &other->second;
  }
  const_iterator find(std::string_view key) const {
    return const_cast<ByProcedureKey*>(this)->find(key);
  }
  // The entry of the key that ProcedureKeyIndex places at index, or end().
  iterator FindIndex(std::size_t index) {
    return index < present_.size() && present_[index] ? &entries_[index] : end();
  }
  iterator end() { return nullptr; }
  const_iterator end() const { return nullptr; }

  // The value under key, made empty when absent.
  Value& operator[](std::string_view key) {
    const auto at = ProcedureKeyIndex(key);
    if (!at) return others_[std::string(key)].second;
    if (*at >= present_.size()) {
      entries_.resize(*at + 1);
      present_.resize(*at + 1, false);
    }
    if (!present_[*at]) {
      present_[*at] = true;
      ++count_;
    }
    return entries_[*at].second;
  }
  Value& at(std::string_view key) {
    const iterator found = find(key);
    if (found == end()) throw std::out_of_range("no procedure " + std::string(key));
    return found->second;
  }

  void erase(std::string_view key) {
    if (const auto at = ProcedureKeyIndex(key)) {
      if (*at >= present_.size() || !present_[*at]) return;
      present_[*at] = false;
      entries_[*at].second = Value{};
      --count_;
      return;
    }
    others_.erase(std::string(key));
  }
  void clear() {
    std::vector<Entry>().swap(entries_);
    std::vector<bool>().swap(present_);
    others_.clear();
    count_ = 0;
  }
  // Room for the keys of that many procedures, exactly.
  void reserve(std::size_t procedures) {
    if (procedures <= entries_.size()) return;
    entries_.reserve(procedures);
    entries_.resize(procedures);
    present_.resize(procedures, false);
  }
  // Moves the entry at each position from `from` on to the position `to` gives for it (indexed
  // by the old position); an entry whose new position is `gone`, or that `to` does not cover, is
  // dropped. Keys in other spellings stay as they are.
  void Renumber(std::size_t from, const std::vector<std::uint32_t>& to, std::uint32_t gone) {
    std::vector<std::pair<std::uint32_t, Value>> moving;
    for (std::size_t old = from; old < present_.size(); ++old) {
      if (!present_[old]) continue;
      present_[old] = false;
      --count_;
      Value value = std::exchange(entries_[old].second, Value{});
      const std::uint32_t now = old < to.size() ? to[old] : gone;
      if (now != gone) moving.emplace_back(now, std::move(value));
    }
    for (auto& [now, value] : moving) {
      if (now >= present_.size()) {
        entries_.resize(std::size_t{now} + 1);
        present_.resize(std::size_t{now} + 1, false);
      }
      if (!present_[now]) ++count_;
      present_[now] = true;
      entries_[now].second = std::move(value);
    }
  }
  bool empty() const { return size() == 0; }
  std::size_t size() const { return count_ + others_.size(); }

 private:
  std::vector<Entry> entries_;
  std::vector<bool> present_;
  std::unordered_map<std::string, Entry> others_;
  std::size_t count_ = 0;
};

}  // namespace tarnel
