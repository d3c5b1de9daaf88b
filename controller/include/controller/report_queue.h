#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The 8-byte reports of one kind that came while a reader waited for
// another kind, kept for the reader of their kind. Bounded like an
// interface's ring: the newest 128 stay, the oldest make room, so reports
// that nobody reads cost no more than that.
class ReportQueue {
 public:
  static constexpr size_t kCapacity = 128;
  using Report = std::array<uint8_t, 8>;

  void push(const Report& report);
  // The oldest report, removed; false when there is none.
  bool pop(Report& report);
  size_t size() const { return count_; }
  void clear() { head_ = count_ = 0; }

 private:
  std::array<Report, kCapacity> reports_{};
  size_t head_ = 0, count_ = 0;
};
