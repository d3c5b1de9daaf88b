#include "report_ring.h"

#include <algorithm>
#include <cstring>

void ReportRing::put(const uint8_t* report, size_t length) {
  if (count_ == kSlots) {
    // Full: the oldest report goes, and its slot is the newest one's.
    head_ = (head_ + 1) % kSlots;
    --count_;
  }
  Slot& slot = slots_[tail_];
  slot.fill(0);
  std::memcpy(slot.data(), report, std::min(length, kSlotBytes));
  tail_ = (tail_ + 1) % kSlots;
  ++count_;
}

bool ReportRing::takeOldest(Slot& report) {
  if (count_ == 0) return false;
  report = slots_[head_];
  head_ = (head_ + 1) % kSlots;
  if (--count_ == 0) head_ = tail_ = 0;
  return true;
}
