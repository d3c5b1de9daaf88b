#pragma once
// A log of records that keeps the newest kCapacity, so that a lab serving for
// days does not grow without bound.
#include <cstddef>
#include <deque>
#include <vector>

namespace lab::sim {

template <class Record>
class RecordLog {
 public:
  static constexpr size_t kCapacity = 10000;

  void add(Record record) {
    if (records_.size() == kCapacity) records_.pop_front();
    records_.push_back(std::move(record));
  }
  std::vector<Record> all() const { return {records_.begin(), records_.end()}; }

 private:
  std::deque<Record> records_;
};

}  // namespace lab::sim
