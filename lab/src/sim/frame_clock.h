#pragma once
// The simulator's frames: about 30 a second while any data request runs.
// A clock that fell behind (the lab was busy, or had no requests for a
// while) starts again from now instead of catching up in a burst.
#include "data_requests.h"

#include <chrono>

namespace lab::sim {

class FrameClock {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kFrame =
      std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / kFramesPerSecond;

  Clock::time_point next() const { return next_; }

  // True when a frame is due at now; the next one is then a frame later.
  bool tick(Clock::time_point now) {
    if (now < next_) return false;
    next_ += kFrame;
    if (next_ <= now) next_ = now + kFrame;
    return true;
  }

 private:
  Clock::time_point next_{};  // long past: the first frame is at once
};

}  // namespace lab::sim
