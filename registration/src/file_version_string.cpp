#include "registration/file_version_string.h"

#include <platform/system_facts.h>
#include <platform/version_info.h>

#include <cstdio>

namespace registration {
namespace {

constexpr char kNotAvailable[] = "N/A";

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string compact(const std::string& version) {
  std::string out;
  for (char c : version) {
    if (isWhiteSpace(c)) continue;
    out.push_back(c == ',' ? '.' : c);
  }
  return out;
}

uint16_t little16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::string fileVersionString(const std::string& programPath) {
  auto block = platform::readVersionResource(programPath);
  if (!block) return kNotAvailable;
  auto translations = platform::queryVersionValue(*block, "\\VarFileInfo\\Translation");
  if (!translations) return kNotAvailable;
  size_t count = translations->size() / 4;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = translations->data() + 4 * i;
    char path[64];
    std::snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\FileVersion",
                  little16(entry), little16(entry + 2));
    if (auto value = platform::queryVersionValue(*block, path))
      return compact(std::string(value->begin(), value->end()));
  }
  return kNotAvailable;
}

std::string ownFileVersionString() { return fileVersionString(platform::ownProgramPath()); }

}  // namespace registration
