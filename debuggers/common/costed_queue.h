#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

namespace nubo {

// A first-in first-out queue that keeps the sum of the costs of its items,
// the building block of the communication debuggers' bounded event logs and
// command queues. Each owner decides its own bounds and what a drop means.
template <typename T>
class CostedQueue {
 public:
  struct Entry {
    T item;
    uint64_t cost;
  };

  void Push(T item, uint64_t cost) {
    entries_.push_back(Entry{std::move(item), cost});
    totalCost_ += cost;
  }

  // Removes and returns the oldest entry; the queue must not be empty.
  Entry PopFront() {
    Entry entry = std::move(entries_.front());
    entries_.pop_front();
    totalCost_ -= entry.cost;
    return entry;
  }

  const Entry& Front() const { return entries_.front(); }
  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  uint64_t TotalCost() const { return totalCost_; }

  void Clear() {
    entries_.clear();
    totalCost_ = 0;
  }

 private:
  std::deque<Entry> entries_;
  uint64_t totalCost_ = 0;
};

}  // namespace nubo
