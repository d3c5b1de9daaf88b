// Numbers as texts in files: packed-decimal codes, FSUIPC offsets, sizes and
// data; a decimal number reads back as the number it was written from.
#include <controller/parse_hex.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <hex_text.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "step_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int64_t number = input.ConsumeIntegral<int64_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();
  parseHex(text);
  hexTextToInt(text);
  parseHexOffset(text);
  parseDecimal(text);
  if (number != INT64_MIN && parseDecimal(std::to_string(number)) != number) std::abort();
  return 0;
}
