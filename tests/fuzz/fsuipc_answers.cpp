// What an FSUIPC server (or something posing as one) leaves in the client's
// area: the bridge takes only answers to reads it queued, and never reads
// outside the area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fsuipc_answers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t readsQueued = data[0] % 8;
  std::vector<uint8_t> area(0x8000, 0);
  std::memcpy(area.data(), data + 1, std::min(area.size(), size - 1));
  auto answers = readFsuipcAnswers(area, readsQueued);
  if (!answers) return 0;
  for (const auto& [token, value] : *answers)
    if (token < 1 || token > readsQueued) std::abort();
  return 0;
}
