// A program file's version block, as any file may hold one.
#include <platform/version_info.h>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> block(data, data + size);
  platform::queryVersionValue(block, "\\");
  platform::queryVersionValue(block, "\\VarFileInfo\\Translation");
  platform::queryVersionValue(block, "\\StringFileInfo\\040904B0\\FileVersion");
  platform::queryVersionValue(block, "\\StringFileInfo\\040904E4\\ProductName");
  return 0;
}
