#include "simconnect/local_pipe.h"

#include <string_view>

namespace simconnect {
namespace {

constexpr std::string_view kLocalPipePrefix = "\\\\.\\pipe\\";
constexpr char kHexDigits[] = "0123456789ABCDEF";

char lowerCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool keepsItsSpelling(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

}  // namespace

std::string pipeSocketFileName(std::string pipeName) {
  for (char& c : pipeName) c = lowerCase(c);
  std::string prefix(kLocalPipePrefix);
  for (char& c : prefix) c = lowerCase(c);
  if (pipeName.rfind(prefix, 0) == 0) pipeName.erase(0, prefix.size());
  std::string defaultName = kDefaultPipeName;
  for (char& c : defaultName) c = lowerCase(c);
  if (pipeName.empty() || pipeName == defaultName) return "simconnect.sock";
  std::string escaped;
  for (unsigned char c : pipeName) {
    if (keepsItsSpelling(c)) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHexDigits[c >> 4];
      escaped += kHexDigits[c & 0xF];
    }
  }
  return "pipe." + escaped + ".sock";
}

}  // namespace simconnect
