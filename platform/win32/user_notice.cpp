#include "platform/user_notice.h"

#include <windows.h>
// NoticeKind::MessageBox is our name; the system's macro would rename it.
#undef MessageBox

#include <mutex>

#include "win32/wide_text.h"

namespace platform {
namespace {

struct NoticeChannel {
  // Recursive, so that a sink may itself send a notice.
  std::recursive_mutex turn;
  NoticeSink sink;
};

NoticeChannel& channel() {
  static NoticeChannel instance;
  return instance;
}

void writeLine(const std::string& prefix, const std::string& text) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  std::string line = prefix + ": " + text;
  if (line.back() != '\n') line += '\n';
  DWORD wrote = 0;
  WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
}

UINT iconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Warning: return MB_ICONWARNING;
    case MessageIcon::Information: return MB_ICONINFORMATION;
  }
  return 0;
}

}  // namespace

// Every notice is also the standard-error line "CAPTION: TEXT" (or
// "debug: TEXT"), as on Linux, for the log of a run nobody watches.
// A message box waits for a person, unless a sink takes the notice (tests):
// then it only goes to the sink, so that no test ever waits for a click.
void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
  NoticeChannel& notices = channel();
  {
    std::lock_guard<std::recursive_mutex> turn(notices.turn);
    writeLine(caption, text);
    if (notices.sink) {
      notices.sink(NoticeKind::MessageBox, caption, text);
      return;
    }
  }
  MessageBoxW(nullptr, win32::wide(text).c_str(), win32::wide(caption).c_str(),
              MB_OK | MB_SETFOREGROUND | iconFlag(icon));
}

void debugOutput(const std::string& text) {
  NoticeChannel& notices = channel();
  std::lock_guard<std::recursive_mutex> turn(notices.turn);
  OutputDebugStringW(win32::wide(text).c_str());
  writeLine("debug", text);
  if (notices.sink) notices.sink(NoticeKind::DebugOutput, "", text);
}

void setNoticeSink(NoticeSink sink) {
  NoticeChannel& notices = channel();
  std::lock_guard<std::recursive_mutex> turn(notices.turn);
  notices.sink = std::move(sink);
}

}  // namespace platform
