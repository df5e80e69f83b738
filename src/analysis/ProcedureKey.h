#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnel {

// The level and the number of a key written as the analysis writes keys: a level digit, "-" and
// at least four digits, without a leading zero beyond those ("4-0012", "2-12345"), ten bytes at
// most. False for any other text; no two such texts give the same level and number.
inline bool ParseWrittenKey(std::string_view key, unsigned& level, std::size_t& number) {
  if (key.size() < 6 || key.size() > 10 || key[0] < '0' || key[0] > '9' || key[1] != '-') {
    return false;
  }
  const std::string_view digits = key.substr(2);
  if (digits.size() > 4 && digits[0] == '0') return false;  // "4-01234" is not written
  number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::size_t>(c - '0');
  }
  level = static_cast<unsigned>(key[0] - '0');
  return true;
}

// The position that a procedure key gives ("4-0001" is 0, "4-12345" is 12344), for keys written
// as the analysis writes them; nullopt for any other text.
inline std::optional<std::size_t> ProcedureKeyIndex(std::string_view key) {
  unsigned level = 0;
  std::size_t number = 0;
  if (!ParseWrittenKey(key, level, number) || level != 4 || number == 0) return std::nullopt;
  return number - 1;
}

// A link to a procedure record, held as the number in its key: the call lists hold hundreds of
// thousands of them, and a number takes 4 bytes where the key text took a 32-byte string. The
// text is the key the analysis gives procedure number n: "4-", the number with at least four
// digits, cut to the 10 bytes a key holds.
class ProcedureKey {
 public:
  static constexpr std::size_t kMaxText = 10;

  ProcedureKey() = default;
  explicit constexpr ProcedureKey(std::uint32_t number) : number_(number) {}
  // Reads key text as the analysis writes it; throws std::invalid_argument for any other text.
  explicit ProcedureKey(std::string_view text);

  constexpr std::uint32_t Number() const { return number_; }

  // Writes the text into buffer, without a terminator, and returns it.
  std::string_view FormatTo(char (&buffer)[kMaxText]) const;
  std::string Text() const;
  // Lets code that reads keys as strings go on doing so.
  operator std::string() const { return Text(); }

  friend constexpr bool operator==(ProcedureKey, ProcedureKey) = default;
  // True when text is this key's text byte for byte.
  friend bool operator==(ProcedureKey key, std::string_view text) {
    char buffer[kMaxText];
    return key.FormatTo(buffer) == text;
  }

 private:
  std::uint32_t number_ = 0;
};

}  // namespace tarnel
