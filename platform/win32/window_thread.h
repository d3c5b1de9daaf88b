#pragma once
// A hidden window made on a thread of its own, which runs the window's
// message loop until the window is destroyed.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::win32 {

class WindowThread {
 public:
  // Answers one message on the window's thread; nothing: the default answer.
  using Procedure = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
  // Runs on the window's thread with the window: `opened` once it exists,
  // before start returns; `closed` after its loop ended.
  using Step = std::function<void(HWND)>;

  struct Shape {
    std::wstring className;  // registered here; a registration left by another is reused
    std::wstring title;
    DWORD extendedStyle = 0;
    DWORD style = 0;
    // Posted by stop(); the window destroys itself when it arrives.
    UINT closeMessage = WM_CLOSE;
  };

  WindowThread();
  ~WindowThread();  // stops
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  // False when the window could not be made, or `opened` said so (then the
  // window is destroyed again); true once it runs.
  bool start(const Shape& shape, Procedure procedure, std::function<bool(HWND)> opened = {},
             Step closed = {});
  // Posts the close message and waits for the thread's end.
  void stop();
  HWND window() const;

  struct State;  // what the window procedure finds in the window

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform::win32
