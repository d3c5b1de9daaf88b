#include "registration/command_line.h"

namespace registration {
namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

CommandLine classifyCommandLine(const std::string& argumentText) {
  if (argumentText.empty()) return CommandLine::Run;
  if (argumentText[0] != '/') return CommandLine::Invalid;
  if (equalsIgnoringCase(argumentText, "/RegisterFSx")) return CommandLine::Register;
  if (equalsIgnoringCase(argumentText, "/UnregisterFSx")) return CommandLine::Unregister;
  return CommandLine::Run;
}

}  // namespace registration
