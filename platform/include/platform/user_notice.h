#pragma once
#include <functional>
#include <string>

namespace platform {

// Message boxes and debugger output. On this platform nothing waits for a
// person: a message box becomes the stderr line "CAPTION: TEXT" and debugger
// output the stderr line "debug: TEXT"; both also go to the sink, if set.

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
