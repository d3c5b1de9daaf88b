#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/window_messages.h"
#include "win32/wide_text.h"
#include "win32/window_handle.h"

namespace platform {
namespace win32 {

WindowHandle handleOf(HWND window) {
  if (!window) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  return WindowHandle{text};
}

HWND windowOf(const WindowHandle& handle) {
  if (!handle) return nullptr;
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(handle.address.c_str(), nullptr, 16)));
}

std::string globalAtomText(uintptr_t atom) {
  if (atom < 0xC000 || atom > 0xFFFF) return {};
  char text[256];
  UINT length = GlobalGetAtomNameA(static_cast<ATOM>(atom), text, sizeof text);
  return length == 0 ? std::string() : utf8FromAnsi(std::string_view(text, length));
}

}  // namespace win32

WindowHandle findWindow(const std::string& className, const std::optional<std::string>& title) {
  const std::wstring wideClass = win32::wide(className);
  const std::wstring wideTitle = title ? win32::wide(*title) : std::wstring();
  return win32::handleOf(
      FindWindowExW(nullptr, nullptr, wideClass.c_str(), title ? wideTitle.c_str() : nullptr));
}

uint32_t registerWindowMessage(const std::string& name) {
  return RegisterWindowMessageW(win32::wide(name).c_str());
}

uint16_t addAtom(const std::string& text) { return GlobalAddAtomA(win32::ansiFromUtf8(text).c_str()); }

void deleteAtom(uint16_t atom) { GlobalDeleteAtom(atom); }

std::string atomText(uint16_t atom) { return win32::globalAtomText(atom); }

// The receiver reads an atom's text itself while the sender holds the atom,
// which it does until the answer comes.
SendResult sendMessage(const WindowHandle& window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam, int timeoutMs) {
  HWND target = win32::windowOf(window);
  if (!target || !IsWindow(target)) return {SendStatus::invalidWindow, 0};
  DWORD_PTR answer = 0;
  SetLastError(ERROR_SUCCESS);
  if (SendMessageTimeoutW(target, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          timeoutMs < 0 ? 0 : static_cast<UINT>(timeoutMs), &answer))
    return {SendStatus::ok, static_cast<intptr_t>(answer)};
  switch (GetLastError()) {
    case ERROR_TIMEOUT:
    case ERROR_SUCCESS:  // a hung receiver: no error code of its own
      return {SendStatus::timedOut, 0};
    case ERROR_INVALID_WINDOW_HANDLE:
      return {SendStatus::invalidWindow, 0};
    default:
      return {SendStatus::failed, 0};
  }
}

}  // namespace platform
