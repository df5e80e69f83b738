#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

// Back and Forward over the procedures the user selected, by key. Selecting a procedure after
// going back drops the entries ahead, as a browser does; selecting the current one again adds
// nothing. Keys lose their meaning when a project is analysed again: Clear() then.
class SelectionHistory {
 public:
  explicit SelectionHistory(std::size_t capacity = 100) : capacity_(capacity) {}

  void Visit(const std::string& key);
  // The key to select, or nothing when there is no step that way. The history moves with it.
  std::optional<std::string> Back();
  std::optional<std::string> Forward();

  bool CanGoBack() const { return position_ > 0; }
  bool CanGoForward() const { return position_ + 1 < entries_.size(); }
  const std::string* Current() const { return entries_.empty() ? nullptr : &entries_[position_]; }
  void Clear() {
    entries_.clear();
    position_ = 0;
  }

 private:
  std::size_t capacity_;
  std::vector<std::string> entries_;
  std::size_t position_ = 0;
};

}  // namespace tarnel
