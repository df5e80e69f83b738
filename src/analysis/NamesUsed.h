#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

struct VbStatement;

// The hash by which a folded name is noted among the names a module uses.
std::uint64_t NameHash(std::string_view folded);

// Gathers the names that a module's body statements use, as the hashes of their folds: when a
// declaration changes, only the modules that use its name may resolve differently.
class NamesUsed {
 public:
  void Note(const VbStatement& statement);
  // The hashes noted since the last call, sorted and each once.
  std::vector<std::uint64_t> Take();

 private:
  void Add(std::uint64_t hash);

  // A body names the same few names over and over: each distinct hash is kept once, in an open
  // table (0 marks a free slot; a hash of 0 is noted apart).
  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
  bool zero_ = false;
  std::string folded_;
};

}  // namespace tarnel
