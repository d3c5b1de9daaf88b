#include "platform/stop_signal.h"

#include <windows.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct StopWatch {
  std::mutex turn;
  std::function<void()> onStop;
  std::atomic<bool> requested{false};
  bool watching = false;
};

// Never destroyed: the watcher's thread lives until the process ends and
// may run the callback while static objects are being destroyed.
StopWatch& stopWatch() {
  static StopWatch& instance = *new StopWatch;
  return instance;
}

void stop() {
  StopWatch& watch = stopWatch();
  watch.requested = true;
  std::lock_guard<std::mutex> turn(watch.turn);
  if (watch.onStop) watch.onStop();
}

// Ctrl+C, Ctrl+Break, closing the console, logging off, shutting down. The
// system calls this on a thread of its own.
BOOL WINAPI onConsoleControl(DWORD) {
  stop();
  return TRUE;
}

LRESULT CALLBACK stopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE || message == WM_ENDSESSION) {
    stop();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window of the process: what "end this program" of the
// task manager, taskkill without /F and a shutdown send their WM_CLOSE to.
// A WM_QUIT posted to its thread asks for a stop as well.
[[noreturn]] void windowLoop(std::promise<void>* ready) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = stopWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KestrixStopRequests";
  RegisterClassW(&windowClass);
  CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                  windowClass.hInstance, nullptr);
  ready->set_value();
  for (;;) {
    MSG message;
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT
      stop();
      continue;
    }
    if (got < 0) Sleep(INFINITE);  // no message queue: only the console handler is left
    DispatchMessageW(&message);
  }
}

}  // namespace

void watchStopRequests(std::function<void()> onStop) {
  StopWatch& watch = stopWatch();
  std::lock_guard<std::mutex> turn(watch.turn);
  watch.onStop = std::move(onStop);
  if (watch.watching) return;  // a second call only replaces the callback
  watch.watching = true;
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
  // Watching once this returns: a WM_CLOSE sent right after finds the window.
  std::promise<void> ready;
  std::thread(windowLoop, &ready).detach();
  ready.get_future().wait();
}

bool stopRequested() { return stopWatch().requested; }

}  // namespace platform
