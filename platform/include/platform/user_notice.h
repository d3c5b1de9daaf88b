#pragma once
#include <functional>
#include <string>

namespace platform {

// Message boxes and debugger output. Each also becomes a standard-error
// line, "CAPTION: TEXT" or "debug: TEXT", and goes to the sink, if set. On
// Linux nothing waits for a person; on Windows a message box is shown and
// waits for its OK, unless a sink is set (tests), and debugger output goes
// to OutputDebugString as well.

enum class NoticeKind { MessageBox, DebugOutput };
enum class MessageIcon { Error, Warning, Information };

using NoticeSink =
    std::function<void(NoticeKind kind, const std::string& caption, const std::string& text)>;

// Shows an OK-only message box and returns once it is dismissed.
void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon);

// Sends a text to the debugger output channel.
void debugOutput(const std::string& text);

// Replaces the process-wide sink (tests); an empty function removes it.
void setNoticeSink(NoticeSink sink);

}  // namespace platform
