#include "controller/controller_log.h"

#include <platform/last_error.h>
#include <platform/system_facts.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <filesystem>

namespace {

constexpr size_t kMessageBufferSize = 500;
constexpr size_t kLineBufferSize = 2048;
constexpr int kAlwaysWrittenLevel = 3;

const char* const kNotice[12] = {
    "** This log was written by the Vantrix controller library to record a fault",
    "** of a controller board transfer. It belongs to Quornel Limited and may hold",
    "** details of your computer, such as program paths and thread numbers.",
    "** ",
    "** You may keep it, read it and send it to Quornel Limited or to your",
    "** panel supplier so that they can look into the fault. Any other copying,",
    "** publication or use of this file or of parts of it needs the written",
    "** consent of Quornel Limited.",
    "** ",
    "** The file is provided as it is, without warranty of any kind. Delete it",
    "** when you no longer need it; the library never reads it back.",
    "** Copyright Quornel Limited. All rights reserved.",
};

std::string twoDigitDate(const platform::LocalTime& now, char separator) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", now.month, separator, now.day, separator,
                now.year % 100);
  return text;
}

}  // namespace

ControllerLog::ControllerLog() {
  const std::string folder = platform::roamingAppDataFolder() + "/Quornel Limited/Controller Logs/" +
                             twoDigitDate(platform::localTimeNow(), '-');
  platform::createFolderChain(folder);
  char name[64];
  std::snprintf(name, sizeof name, "/Vantrix Controller - %X.log", platform::threadId());
  path_ = folder + name;
  std::error_code ignored;
  if (!std::filesystem::exists(path_, ignored)) writeHeader();
}

void ControllerLog::writeHeader() {
  const std::string stars(80, '*');
  std::string header = stars + "\n" + stars + "\n";
  header += "** Vantrix Controller Log\n";
  header += "** --------------------------\n";
  header += "** \n";
  for (const char* line : kNotice) header += std::string(line) + "\n";
  header += "** \n** \n";
  const std::string program = platform::ownProgramPath();
  char line[kLineBufferSize];
  if (program.empty())
    std::snprintf(line, sizeof line, "** Module name unavailable.  Error %u\n", platform::lastError());
  else
    std::snprintf(line, sizeof line, "** Module Name:     %s\n", program.c_str());
  header += line;
  std::snprintf(line, sizeof line, "** Thread ID:       %X\n", platform::threadId());
  header += line;
  std::snprintf(line, sizeof line, "** Process ID:      %X\n", platform::processId());
  header += line;
  header += "** \n" + stars + "\n" + stars + "\n";
  append(header);
}

void ControllerLog::write(int level, const char* operationName, const char* format, ...) {
  if (level != kAlwaysWrittenLevel && !enabled_) return;
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  // A longer message is cut to the buffer.
  int length = std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (length < 0) return;

  const platform::LocalTime now = platform::localTimeNow();
  char line[kLineBufferSize];
  int lineLength = std::snprintf(line, sizeof line, "%s %02d:%02d:%02d %d [%.08X] [%25s]: %s",
                                 twoDigitDate(now, '/').c_str(), now.hour, now.minute, now.second,
                                 level, platform::threadId(), operationName ? operationName : "",
                                 message);
  if (lineLength < 0) return;
  std::string text(line, std::min(static_cast<size_t>(lineLength), sizeof line - 1));
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  append(text);
}

void ControllerLog::append(const std::string& text) {
  std::lock_guard<std::mutex> guard(lock_);
  std::FILE* file = std::fopen(path_.c_str(), "a");
  if (!file) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
  std::fclose(file);
}

bool reportFault(uint32_t code, const FaultRecord& record, const char* operationName) {
  ControllerLog log;
  const char* access = "";
  if (code == kAccessViolation && record.parameterCount > 0)
    access = record.firstParameter == 0 ? " (read)" : record.firstParameter == 1 ? " (write)"
                                                                                 : " (execute)";
  log.write(kAlwaysWrittenLevel, operationName,
            "Exception 0x%.08X at address %p; %u parameters; first parameter 0x%llX%s", code,
            record.address, record.parameterCount,
            static_cast<unsigned long long>(record.firstParameter), access);
  if (code == kAccessViolation) {
    log.write(kAlwaysWrittenLevel, operationName,
              "The thread tried to read from or write to a virtual address for which it does not "
              "have the appropriate access.");
    return true;
  }
  if (code == kStackOverflow) {
    log.write(kAlwaysWrittenLevel, operationName, "The thread used up its stack.");
    return true;
  }
  return false;
}
