#include "session/SelectionHistory.h"

namespace tarnel {

void SelectionHistory::Visit(const std::string& key) {
  if (!entries_.empty() && entries_[position_] == key) return;
  if (!entries_.empty()) entries_.resize(position_ + 1);
  entries_.push_back(key);
  if (capacity_ > 0 && entries_.size() > capacity_) entries_.erase(entries_.begin());
  position_ = entries_.size() - 1;
}

std::optional<std::string> SelectionHistory::Back() {
  if (!CanGoBack()) return std::nullopt;
  return entries_[--position_];
}

std::optional<std::string> SelectionHistory::Forward() {
  if (!CanGoForward()) return std::nullopt;
  return entries_[++position_];
}

}  // namespace tarnel
