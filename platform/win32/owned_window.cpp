#include <windows.h>

#include "platform/window_messages.h"
#include "win32/wide_text.h"
#include "win32/window_handle.h"
#include "win32/window_thread.h"

namespace platform {
namespace {

// Asks the window's thread to destroy the window and end its loop.
const UINT kDestroyOwnWindow = WM_APP + 0x3F0;

}  // namespace

// A hidden top-level window made on a thread of its own, which runs its
// message loop; the handler answers each message there.
struct OwnedWindow::State {
  Handler handler;
  win32::WindowThread thread;  // ends before the handler goes
};

OwnedWindow::OwnedWindow() = default;

OwnedWindow::~OwnedWindow() { destroy(); }

bool OwnedWindow::create(const std::string& className, const std::string& title, Handler handler) {
  if (state_) return false;
  auto state = std::make_unique<State>();
  state->handler = std::move(handler);
  const Handler& answer = state->handler;
  auto procedure = [&answer](HWND, UINT message, WPARAM wParam,
                             LPARAM lParam) -> std::optional<LRESULT> {
    // Only what others send reaches the handler; the system's own traffic
    // of a window's life is the system's.
    if (!answer || (message < WM_USER && message != WM_COPYDATA)) return std::nullopt;
    WindowMessage received{message, wParam, lParam, win32::globalAtomText(wParam)};
    return answer(received);
  };
  win32::WindowThread::Shape shape;
  shape.className = win32::wide(className);
  shape.title = win32::wide(title);
  shape.style = WS_OVERLAPPED;
  shape.closeMessage = kDestroyOwnWindow;
  if (!state->thread.start(shape, procedure)) return false;
  state_ = std::move(state);
  return true;
}

void OwnedWindow::destroy() {
  if (!state_) return;
  state_->thread.stop();
  state_.reset();
}

WindowHandle OwnedWindow::handle() const {
  return state_ ? win32::handleOf(state_->thread.window()) : WindowHandle{};
}

}  // namespace platform
