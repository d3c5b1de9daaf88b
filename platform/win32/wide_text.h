#pragma once
#include <string>
#include <string_view>

// Text crosses into Win32 as UTF-16 (the W functions); our own code works in
// UTF-8. Only where a stored file or a peer needs it does text go through
// the ANSI code page.
namespace platform::win32 {

std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

std::string ansiFromUtf8(std::string_view utf8);
std::string utf8FromAnsi(std::string_view ansi);

}  // namespace platform::win32
