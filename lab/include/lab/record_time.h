#pragma once
// When the lab saw something happen. The lab stamps its records with the
// steady clock, which on Linux is CLOCK_MONOTONIC: one clock for every
// process of the machine, so a stamp of the lab and one another program
// takes compare (a key report the lab's board sent, the event our program
// made of it). The --json answers write stamps as microseconds of it.
#include <chrono>
#include <cstdint>

namespace lab {

using RecordTime = std::chrono::steady_clock::time_point;

// Microseconds of CLOCK_MONOTONIC, as the --json answers write stamps.
inline uint64_t microsecondsOf(RecordTime time) {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count());
}

}  // namespace lab
