#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace tarnel {

// A vector of values that copy as bytes, grown with realloc: a large one grows where it stands or
// by moving its pages, so that its old room and its new one are not both touched at once, as a
// std::vector's are while it copies. What a line of millions of tokens takes is then about its
// size, not two or three times it.
template <typename T>
class TrivialVector {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  TrivialVector() = default;
  ~TrivialVector() { std::free(data_); }
  TrivialVector(const TrivialVector&) = delete;
  TrivialVector& operator=(const TrivialVector&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }
  operator std::span<const T>() const { return {data_, size_}; }

  void push_back(const T& value) { emplace_back(value); }
  // Appends a value made from args. It is made in its place: one made on the stack and copied as
  // bytes would be read back in one piece before its parts were written, which stalls the
  // processor. Only when the vector grows is it made first, as args may stand in the room that
  // growing moves.
  template <typename... Args>
  T& emplace_back(Args&&... args) {
    if (size_ == capacity_) {
      const T value{std::forward<Args>(args)...};
      Grow();
      std::memcpy(static_cast<void*>(data_ + size_), &value, sizeof(T));
    } else {
      ::new (static_cast<void*>(data_ + size_)) T{std::forward<Args>(args)...};
    }
    return data_[size_++];
  }
  void pop_back() { --size_; }
  void clear() { size_ = 0; }
  // Only to a smaller size: the values past it go.
  void shrink_to(std::size_t size) { size_ = size < size_ ? size : size_; }

 private:
  void Grow() {
    const std::size_t capacity = capacity_ == 0 ? 64 : 2 * capacity_;
    if (capacity > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* grown = std::realloc(data_, capacity * sizeof(T));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<T*>(grown);
    capacity_ = capacity;
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace tarnel
