// REGEDIT4 hive files as they come from disk: every key read from a file is
// written back so that it reads the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "registry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace regedit = platform::regedit;
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto keys = regedit::parseHive(text, "HKEY_CURRENT_USER");
  const std::string written = regedit::formatHive(keys, "HKEY_CURRENT_USER");
  auto again = regedit::parseHive(written, "HKEY_CURRENT_USER");
  if (again.size() != keys.size()) std::abort();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (again[i].path != keys[i].path || again[i].values.size() != keys[i].values.size()) std::abort();
    for (size_t v = 0; v < keys[i].values.size(); ++v) {
      const auto &a = again[i].values[v], &b = keys[i].values[v];
      if (a.name != b.name || a.type != b.type || a.data != b.data) std::abort();
    }
  }
  return 0;
}
