#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A top-level window of any process of this user, as findWindow found it.
// An empty handle stands for "no window".
struct WindowHandle {
  std::string address;
  explicit operator bool() const { return !address.empty(); }
};

// The first top-level window whose class name matches exactly and, when a
// title is given, whose title matches exactly too (an empty title matches
// only a window with an empty title). Empty handle when there is none.
WindowHandle findWindow(const std::string& className,
                        const std::optional<std::string>& title = std::nullopt);

// The id of a registered window message: the same name (case-insensitive)
// gives the same id, 0xC000 to 0xFFFF, in every process of this user; 0 on
// failure.
uint32_t registerWindowMessage(const std::string& name);

// Global atoms: a text shared by every process of this user, counted by
// references. addAtom returns 0xC000 to 0xFFFF, or 0 on failure; deleteAtom
// drops one reference; atomText is empty for an unknown atom.
uint16_t addAtom(const std::string& text);
void deleteAtom(uint16_t atom);
std::string atomText(uint16_t atom);

enum class SendStatus { ok, timedOut, invalidWindow, failed };

struct SendResult {
  SendStatus status = SendStatus::failed;
  intptr_t result = 0;  // the receiver's answer, when status is ok
  bool ok() const { return status == SendStatus::ok; }
};

// Sends a message and waits for the receiver's answer for at most
// timeoutMs. When wParam names a global atom, the atom's text travels with
// the message, so the receiver can read it even after the atom is gone.
SendResult sendMessage(const WindowHandle& window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam, int timeoutMs);

// One message as the owning window receives it.
struct WindowMessage {
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  std::string wParamAtomText;  // the text of the atom in wParam, if it was one
};

// A window this process owns. Messages are handled one at a time on a
// thread of the window's own; the callback's return value is the answer the
// sender receives. Destruction stops the thread and removes the window.
class OwnedWindow {
 public:
  using Handler = std::function<intptr_t(const WindowMessage&)>;

  OwnedWindow();
  ~OwnedWindow();
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;

  // False when the window could not be made (or one is owned already).
  bool create(const std::string& className, const std::string& title, Handler handler);
  void destroy();
  WindowHandle handle() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
