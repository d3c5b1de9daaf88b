#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The input reports of one interface that nobody has read yet: 128 slots
// of 64 bytes, oldest first. When it is full the oldest report makes room
// for the newest, so a reader always finds the latest 128. Not locked: its
// owner guards it.
class ReportRing {
 public:
  static constexpr size_t kSlots = 128;
  static constexpr size_t kSlotBytes = 64;
  using Slot = std::array<uint8_t, kSlotBytes>;

  ReportRing() : slots_(kSlots) {}

  // Keeps the first 64 bytes of a longer report; a shorter one is padded
  // with zeros.
  void put(const uint8_t* report, size_t length);
  // The oldest report, removed; false when the ring is empty.
  bool takeOldest(Slot& report);
  size_t count() const { return count_; }
  void clear() { head_ = tail_ = count_ = 0; }

 private:
  std::vector<Slot> slots_;  // allocated once and reused
  size_t head_ = 0, tail_ = 0, count_ = 0;
};
