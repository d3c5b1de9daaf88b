#pragma once
// `kestrix-boards test`: lights each LED of a board's matrix in turn (every
// digit segment and indicator), then reports each key as it is pressed and
// released, until a stop is requested.
#include <controller/vantrix_controller.h>

#include <chrono>
#include <functional>

namespace boardtool {

// Waits for the time given; false when a stop came first.
using PauseFor = std::function<bool(std::chrono::milliseconds)>;

// The exit code: 0 after a stop, 1 when the board would not take reports.
// waitForStop returns once a stop was requested.
int exerciseBoard(CVantrixController& board, std::chrono::milliseconds step,
                  const PauseFor& pause, const std::function<void()>& waitForStop);

}  // namespace boardtool
