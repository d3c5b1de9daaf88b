#pragma once
#include <functional>

namespace platform {

// Turns an operator's request to stop the program (SIGINT, SIGTERM) into a
// call of onStop on a thread of its own, never inside a signal handler.
// Call once, at the start of main, before any other thread exists.
void watchStopRequests(std::function<void()> onStop);

// True once a stop was requested.
bool stopRequested();

}  // namespace platform
