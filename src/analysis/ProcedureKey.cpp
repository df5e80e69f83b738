#include "analysis/ProcedureKey.h"

#include <stdexcept>

namespace tarnel {

ProcedureKey::ProcedureKey(std::string_view text) {
  const auto index = ProcedureKeyIndex(text);
  if (!index) throw std::invalid_argument("not a procedure key: " + std::string(text));
  number_ = static_cast<std::uint32_t>(*index + 1);
}

std::string_view ProcedureKey::FormatTo(char (&buffer)[kMaxText]) const {
  char digits[10];
  std::size_t count = 0;
  for (std::uint32_t rest = number_; rest > 0 || count < 4; rest /= 10) {
    digits[count++] = static_cast<char>('0' + rest % 10);
  }
  buffer[0] = '4';
  buffer[1] = '-';
  // Past eight digits the key keeps the leading ones.
  std::size_t size = 2;
  while (count > 0 && size < kMaxText) buffer[size++] = digits[--count];
  return {buffer, size};
}

std::string ProcedureKey::Text() const {
  char buffer[kMaxText];
  return std::string(FormatTo(buffer));
}

}  // namespace tarnel
