#pragma once
#include <windows.h>

#include "platform/window_messages.h"

namespace platform::win32 {

// A WindowHandle's address is the window's handle in hexadecimal.
WindowHandle handleOf(HWND window);
HWND windowOf(const WindowHandle& handle);

// The text of a global atom (0xC000 to 0xFFFF) in UTF-8; empty when there
// is no such atom. Atom texts are stored in the ANSI code page, as the peers
// that read them expect.
std::string globalAtomText(uintptr_t atom);

}  // namespace platform::win32
