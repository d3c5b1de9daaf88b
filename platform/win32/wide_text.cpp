#include "win32/wide_text.h"

#include <windows.h>

namespace platform::win32 {
namespace {

std::wstring toWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string fromWide(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring wide(std::string_view utf8) { return toWide(CP_UTF8, utf8); }
std::string narrow(std::wstring_view utf16) { return fromWide(CP_UTF8, utf16); }

std::string ansiFromUtf8(std::string_view utf8) { return fromWide(CP_ACP, wide(utf8)); }
std::string utf8FromAnsi(std::string_view ansi) { return narrow(toWide(CP_ACP, ansi)); }

}  // namespace platform::win32
