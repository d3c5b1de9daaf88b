#pragma once
#include <string>

// The panel driver's line-oriented trace. Each line carries the local date and
// time, the level, the thread id and the name of the operation that logs:
//   "12/09/26 22:51:03 0 0000a3f1 [   CSimConnectModule::Run] Opening SimConnect"
// The file is opened and closed for every line, so every line is on disk when
// write returns and the file may be moved or deleted between lines. The
// session and its devices write into one file; one process-wide lock keeps
// their lines whole.
class DiagnosticLog {
 public:
  DiagnosticLog() = default;
  DiagnosticLog(const DiagnosticLog&) = delete;
  DiagnosticLog& operator=(const DiagnosticLog&) = delete;

  // Lines longer than 499 characters, or that fail to format, are dropped.
  void write(int level, const char* functionName, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // The 27-line block that opens a log: notice, version and machine facts.
  void writeHeader();

  void setFileName(const std::string& path) { fileName_ = path; }
  const std::string& fileName() const { return fileName_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool enabled() const { return enabled_; }
  void setMirrorToDebugger(bool mirror) { mirrorToDebugger_ = mirror; }

 private:
  void appendToFile(const std::string& line);

  bool enabled_ = false;
  bool mirrorToDebugger_ = false;
  std::string fileName_ = "Vantrix.log";
};
