#pragma once
#include <functional>

namespace platform {

// Turns an operator's request to stop the program (SIGINT, SIGTERM; on
// Windows a console control event, or WM_CLOSE to the program's hidden
// window, or WM_QUIT to its thread) into a call of onStop on a thread of
// its own, never inside a signal handler. Watching once this returns.
// Call once, at the start of main, before any other thread exists.
void watchStopRequests(std::function<void()> onStop);

// True once a stop was requested.
bool stopRequested();

}  // namespace platform
