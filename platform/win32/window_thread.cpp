#include "win32/window_thread.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::win32 {

struct WindowThread::State {
  std::thread thread;
  HWND window = nullptr;
  UINT closeMessage = WM_CLOSE;
  Procedure procedure;
};

namespace {

LRESULT CALLBACK windowThreadProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  auto* state = reinterpret_cast<WindowThread::State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state && message == state->closeMessage) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (state && state->procedure)
    if (auto answer = state->procedure(window, message, wParam, lParam)) return *answer;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

WindowThread::WindowThread() = default;

WindowThread::~WindowThread() { stop(); }

bool WindowThread::start(const Shape& shape, Procedure procedure,
                         std::function<bool(HWND)> opened, Step closed) {
  if (state_) return false;
  auto state = std::make_unique<State>();
  state->closeMessage = shape.closeMessage;
  state->procedure = std::move(procedure);
  std::mutex lock;
  std::condition_variable made;
  bool done = false;
  State* raw = state.get();
  state->thread = std::thread([&, raw, closed = std::move(closed)] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowThreadProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = shape.className.c_str();
    RegisterClassW(&windowClass);  // another window of the class may have done it
    HWND window =
        CreateWindowExW(shape.extendedStyle, shape.className.c_str(), shape.title.c_str(),
                        shape.style, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, raw);
    if (window && opened && !opened(window)) {
      DestroyWindow(window);
      window = nullptr;
    }
    {
      std::lock_guard<std::mutex> guard(lock);
      raw->window = window;
      done = true;
    }
    made.notify_all();
    if (!window) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    if (closed) closed(window);
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

void WindowThread::stop() {
  if (!state_) return;
  PostMessageW(state_->window, state_->closeMessage, 0, 0);
  state_->thread.join();
  state_.reset();
}

HWND WindowThread::window() const { return state_ ? state_->window : nullptr; }

}  // namespace platform::win32
