#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/window_messages.h"
#include "win32/wide_text.h"
#include "win32/window_handle.h"

namespace platform {
namespace {

// Asks the window's thread to destroy the window and end its loop.
const UINT kDestroyOwnWindow = WM_APP + 0x3F0;

}  // namespace

// A hidden top-level window made on a thread of its own, which runs its
// message loop; the handler answers each message there.
struct OwnedWindow::State {
  std::thread thread;
  HWND window = nullptr;
  Handler handler;
};

namespace {

LRESULT CALLBACK ownedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* handler = reinterpret_cast<OwnedWindow::Handler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == kDestroyOwnWindow) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  // Only what others send reaches the handler; the system's own traffic
  // of a window's life is the system's.
  if (handler && *handler && (message >= WM_USER || message == WM_COPYDATA)) {
    WindowMessage received{message, wParam, lParam, win32::globalAtomText(wParam)};
    return (*handler)(received);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

OwnedWindow::OwnedWindow() = default;

OwnedWindow::~OwnedWindow() { destroy(); }

bool OwnedWindow::create(const std::string& className, const std::string& title, Handler handler) {
  if (state_) return false;
  auto state = std::make_unique<State>();
  state->handler = std::move(handler);
  std::mutex lock;
  std::condition_variable made;
  bool done = false;
  State* raw = state.get();
  const std::wstring wideClass = win32::wide(className), wideTitle = win32::wide(title);
  state->thread = std::thread([&, raw] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ownedWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = wideClass.c_str();
    RegisterClassW(&windowClass);  // another window of the class may have done it
    HWND window = CreateWindowExW(0, wideClass.c_str(), wideTitle.c_str(), WS_OVERLAPPED, 0, 0, 0,
                                  0, nullptr, nullptr, windowClass.hInstance, &raw->handler);
    {
      std::lock_guard<std::mutex> guard(lock);
      raw->window = window;
      done = true;
    }
    made.notify_all();
    if (!window) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  });
  {
    std::unique_lock<std::mutex> guard(lock);
    made.wait(guard, [&] { return done; });
  }
  if (!state->window) {
    state->thread.join();
    return false;
  }
  state_ = std::move(state);
  return true;
}

void OwnedWindow::destroy() {
  if (!state_) return;
  PostMessageW(state_->window, kDestroyOwnWindow, 0, 0);
  state_->thread.join();
  state_.reset();
}

WindowHandle OwnedWindow::handle() const {
  return state_ ? win32::handleOf(state_->window) : WindowHandle{};
}

}  // namespace platform
