#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MemoryTuning.h"

namespace tarnel {

// Computes a fixed sequence of results ahead of a thread that takes them in order. Items are
// claimed in order, by the workers and by the taking thread whenever the item it needs is not
// ready, so the results are the same with any number of workers, none included. The job must not
// touch anything that the taking thread changes meanwhile.
template <typename Result>
class OrderedWork {
 public:
  // job(index, result, worker): fills result for item index. worker is 0 for the taking thread
  // and 1.. for the workers, so that a job can keep state per thread.
  using Job = std::function<void(std::size_t, Result&, unsigned)>;

  OrderedWork(std::size_t count, Job job) : job_(std::move(job)), items_(count) {}
  ~OrderedWork() {
    stop_ = true;
    for (std::thread& worker : workers_) worker.join();
  }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // Starts up to max workers, as many as the machine has spare cores. Once only.
  void Start(unsigned max) {
    if (started_ || items_.size() < 2) return;
    started_ = true;
    unsigned cores = std::thread::hardware_concurrency();
    unsigned count = std::min(cores > 1 ? cores - 1 : 0u, max);
    for (unsigned i = 1; i <= count; ++i) {
      workers_.emplace_back([this, i] {
        PrepareWorkerArenaForOneShotRun();
        Work(i);
      });
    }
  }

  std::size_t Count() const { return items_.size(); }

  // The result of item index, once computed. Items must be taken in ascending order. While a
  // worker still computes it, the taking thread computes the next unclaimed items meanwhile.
  Result& Take(std::size_t index) {
    Item& item = items_[index];
    while (!item.Done.load(std::memory_order_acquire)) {
      std::size_t claimed = next_.fetch_add(1);
      if (claimed < items_.size()) {
        Compute(claimed, 0);
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      // Sequentially consistent, as the worker's store of Done and load of waiting_ are: either
      // the worker sees this thread waiting, or this thread sees the item done.
      waiting_.store(true);
      done_.wait(lock, [&] { return item.Done.load(); });
      waiting_.store(false);
    }
    return item.Value;
  }

 private:
  // Whole cache lines each: the taking thread reads and clears one item while a worker fills the
  // next.
  struct alignas(64) Item {
    Result Value{};
    std::atomic<bool> Done{false};
  };

  void Work(unsigned worker) {
    while (!stop_) {
      std::size_t index = next_.fetch_add(1);
      if (index >= items_.size()) return;
      Compute(index, worker);
    }
  }

  void Compute(std::size_t index, unsigned worker) {
    Item& item = items_[index];
    job_(index, item.Value, worker);
    item.Done.store(true);
    // The lock and the wake-up only when the taking thread waits: most items are done before
    // they are taken.
    if (waiting_.load()) {
      { std::lock_guard<std::mutex> lock(mutex_); }
      done_.notify_all();
    }
  }

  Job job_;
  std::vector<Item> items_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> waiting_{false};  // the taking thread waits for an item
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::thread> workers_;
  bool started_ = false;
};

}  // namespace tarnel
