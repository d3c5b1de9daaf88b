#include "win32/object_names.h"

#include <cstdint>
#include <cstdio>

#include "platform/system_facts.h"
#include "win32/wide_text.h"

namespace platform::win32 {

std::wstring kernelObjectName(const std::string& name) {
  auto folder = environmentValue("KESTRIX_RUNTIME_DIR");
  if (!folder || folder->empty()) return wide(name);
  // FNV-1a of the folder's path: short, and the same in every process.
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : *folder) hash = (hash ^ c) * 0x100000001b3ull;
  char tag[32];
  std::snprintf(tag, sizeof tag, "kestrix-%016llx-", static_cast<unsigned long long>(hash));
  return wide(tag + name);
}

}  // namespace platform::win32
