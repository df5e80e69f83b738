#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarnel {

// Text of at most Capacity bytes held in place, for fields with a fixed capacity: a longer value
// is cut to its first Capacity bytes, as a fixed-length field would keep it. Reads like a string:
// it converts to std::string_view and compares with any text.
template <std::size_t Capacity>
class FixedText {
  static_assert(Capacity < 256, "the length is kept in one byte");

 public:
  FixedText() = default;
  FixedText(std::string_view text) { Assign(text); }    // NOLINT: stands in for a std::string
  FixedText(const char* text) { Assign(text); }         // NOLINT
  FixedText(const std::string& text) { Assign(text); }  // NOLINT

  FixedText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  FixedText& operator=(const char* text) { return *this = std::string_view(text); }
  FixedText& operator=(const std::string& text) { return *this = std::string_view(text); }

  operator std::string_view() const { return {bytes_, size_}; }  // NOLINT
  operator std::string() const { return Str(); }                 // NOLINT
  std::string_view View() const { return {bytes_, size_}; }
  std::string Str() const { return std::string(bytes_, size_); }

  const char* data() const { return bytes_; }
  const char* c_str() const { return bytes_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char operator[](std::size_t i) const { return bytes_[i]; }
  const char* begin() const { return bytes_; }
  const char* end() const { return bytes_ + size_; }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.View() == b; }
  friend std::strong_ordering operator<=>(const FixedText& a, std::string_view b) {
    return a.View() <=> b;
  }
  friend bool operator==(const FixedText& a, const FixedText& b) { return a.View() == b.View(); }
  friend std::strong_ordering operator<=>(const FixedText& a, const FixedText& b) {
    return a.View() <=> b.View();
  }
  // Before std::string_view's own, which would need two conversions.
  friend bool operator==(const FixedText& a, const std::string& b) { return a.View() == b; }
  friend bool operator==(const FixedText& a, const char* b) { return a.View() == b; }

 private:
  void Assign(std::string_view text) {
    size_ = static_cast<std::uint8_t>(text.size() < Capacity ? text.size() : Capacity);
    if (size_ != 0) std::memcpy(bytes_, text.data(), size_);
    bytes_[size_] = '\0';
  }

  char bytes_[Capacity + 1] = {};
  std::uint8_t size_ = 0;
};

template <std::size_t Capacity>
std::string operator+(std::string left, const FixedText<Capacity>& right) {
  return left.append(right.View());
}
template <std::size_t Capacity>
std::string operator+(const char* left, const FixedText<Capacity>& right) {
  return std::string(left).append(right.View());
}
template <std::size_t Capacity>
std::string operator+(const FixedText<Capacity>& left, std::string_view right) {
  return left.Str().append(right);
}

}  // namespace tarnel
