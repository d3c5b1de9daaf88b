#include "diagnostic_log.h"

#include <platform/system_facts.h>
#include <platform/user_notice.h>
#include <registration/file_version_string.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

constexpr size_t kMessageBufferSize = 500;
constexpr size_t kLineBufferSize = 2048;
constexpr size_t kEnvironmentBufferSize = 260;
constexpr int kHeaderLevel = 1;
// A level that formats its message even with both outputs off.
constexpr int kAlwaysFormatLevel = 3;
constexpr char kHeaderName[] = "Disclosure";

std::string environmentText(const char* name) {
  auto value = platform::environmentValue(name);
  // A value that needs more room than the buffer is written as empty.
  if (!value || value->size() >= kEnvironmentBufferSize) return "";
  return *value;
}

}  // namespace

void DiagnosticLog::write(int level, const char* functionName, const char* format, ...) {
  if (level != kAlwaysFormatLevel && !mirrorToDebugger_ && !enabled_) return;

  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  if (length < 0 || static_cast<size_t>(length) >= sizeof(message)) return;

  platform::LocalTime now = platform::localTimeNow();
  char line[kLineBufferSize];
  int lineLength = std::snprintf(
      line, sizeof(line), "%02d/%02d/%02d %02d:%02d:%02d %d %.08x [%25s] %s", now.month, now.day,
      now.year % 100, now.hour, now.minute, now.second, level, platform::threadId(),
      functionName ? functionName : "", message);
  if (lineLength < 0) return;
  std::string text(line, std::min<size_t>(static_cast<size_t>(lineLength), sizeof(line) - 1));
  if (text.empty() || text.back() != '\n') text.push_back('\n');

  if (mirrorToDebugger_) platform::debugOutput(text);
  if (enabled_) appendToFile(text);
}

void DiagnosticLog::appendToFile(const std::string& line) {
  static std::mutex appendTurn;
  std::lock_guard<std::mutex> guard(appendTurn);
  std::FILE* file = std::fopen(fileName_.c_str(), "a");
  if (!file) {
    platform::debugOutput("Error opening output file\n");
    return;
  }
  std::fwrite(line.data(), 1, line.size(), file);
  std::fflush(file);
  std::fclose(file);
}

void DiagnosticLog::writeHeader() {
  const std::string stars78(78, '*');
  const std::string stars30(30, '*');
  auto put = [&](const std::string& text) { write(kHeaderLevel, kHeaderName, "%s", text.c_str()); };

  put(stars78);
  put("* This log belongs to Quornel Limited and holds confidential information.");
  put("* It was written by the KESTRIX Module panel driver to help diagnose a");
  put("* problem with your panels. It may be read, copied or passed on only to");
  put("* Quornel Limited or with its written consent. Any other use of this file,");
  put("* its contents or parts of it is not authorised.");
  put("* If you received this file in error, delete it and tell the sender.");
  put("* Copyright Quornel Limited. All rights reserved.");
  put(stars78);
  put(stars30);
  put("*     General Information     ");
  put(stars30);
  put("* File Version: " + registration::ownFileVersionString());
  put("* Computer Name: " + platform::computerName());
  // A native process on this platform never runs under 32-bit emulation.
  put("* WOW64: 0");
  static const std::pair<const char*, const char*> kVariables[] = {
      {"* Environment OS: ", "OS"},
      {"* Processor Architecture: ", "PROCESSOR_ARCHITECTURE"},
      {"* Processor Identifier: ", "PROCESSOR_IDENTIFIER"},
      {"* Processor Level: ", "PROCESSOR_LEVEL"},
      {"* Processor Revision: ", "PROCESSOR_REVISION"},
      {"* System Drive: ", "SystemDrive"},
      {"* System Root: ", "SystemRoot"},
      {"* TEMP Folder: ", "TEMP"},
      {"* TMP Folder: ", "TMP"},
      {"* APPDATA Folder: ", "APPDATA"},
  };
  for (const auto& [label, variable] : kVariables) put(label + environmentText(variable));
  put(stars30);
  put(stars30);
}
