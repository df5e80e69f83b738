#include "analysis/ProcedureKey.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "analysis/Symbol.h"

namespace tarnel {

ProcedureKey::ProcedureKey(std::string_view text) {
  const auto index = ProcedureKeyIndex(text);
  if (!index) throw std::invalid_argument("not a procedure key: " + std::string(text));
  number_ = static_cast<std::uint32_t>(*index + 1);
}

std::string_view ProcedureKey::FormatTo(char (&buffer)[kMaxText]) const {
  char key[kKeyRoom] = {};
  // Past eight digits the key keeps the leading ones. The whole buffer is copied: a copy of a
  // fixed size takes a few moves, where one of the key's size is a call.
  const std::size_t size = std::min(WriteKey(4, number_, key), kMaxText);
  std::memcpy(buffer, key, kMaxText);
  return {buffer, size};
}

std::string ProcedureKey::Text() const {
  char buffer[kMaxText];
  return std::string(FormatTo(buffer));
}

}  // namespace tarnel
