#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstddef>
#include <span>
#include <vector>

namespace tarnel {

// Values grouped by a bucket number, each group in the order the values came (a counting sort
// into one array instead of a list per bucket).
template <typename Value>
class GroupedByBucket {
 public:
  // forEach(emit) calls emit(bucket, value) for every value, in order, and is called twice: once
  // to count the groups, once to fill them. Buckets are below buckets.
  template <typename ForEach>
  GroupedByBucket(std::size_t buckets, ForEach forEach) : first_(buckets + 1, 0) {
    forEach([&](std::size_t bucket, const Value&) { ++first_[bucket + 1]; });
    for (std::size_t b = 1; b < first_.size(); ++b) first_[b] += first_[b - 1];
    values_.resize(first_.back());
    std::vector<std::size_t> next(first_.begin(), first_.end() - 1);
    forEach([&](std::size_t bucket, const Value& value) { values_[next[bucket]++] = value; });
  }

  std::span<const Value> Group(std::size_t bucket) const {
    return std::span<const Value>(values_).subspan(first_[bucket],
                                                   first_[bucket + 1] - first_[bucket]);
  }

 private:
  std::vector<std::size_t> first_;
  std::vector<Value> values_;
};

}  // namespace tarnel
