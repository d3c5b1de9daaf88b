#include "controller/report_queue.h"

void ReportQueue::push(const Report& report) {
  if (count_ == kCapacity) {
    // Full: the oldest goes, and its place is the newest one's.
    head_ = (head_ + 1) % kCapacity;
    --count_;
  }
  reports_[(head_ + count_) % kCapacity] = report;
  ++count_;
}

bool ReportQueue::pop(Report& report) {
  if (count_ == 0) return false;
  report = reports_[head_];
  head_ = (head_ + 1) % kCapacity;
  --count_;
  return true;
}
