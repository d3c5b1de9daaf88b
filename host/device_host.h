#pragma once
#include <functional>
#include <string>

class DiagnosticLog;

// What a device needs of the session that created it.
class DeviceHost {
 public:
  virtual ~DeviceHost() = default;
  virtual const std::string& settingsPath() const = 0;
  // The session's log: devices write into the same file when it is on.
  virtual const DiagnosticLog& sessionLog() const = 0;
  // Runs work on the session thread, from any thread.
  virtual void post(std::function<void()> work) = 0;
};
