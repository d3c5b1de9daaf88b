// Settings files as they come from disk: reading any value of any file, and
// a written value reads back as written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(32);
  const std::string file = input.ConsumeRemainingBytesAsString();
  if (auto found = platform::profile::findValue(file, section, key)) {
    platform::profile::stripEnclosingQuotes(*found);
    platform::profile::parseInteger(*found, -1);
  }
  auto written = platform::profile::withValue(file, section, key, value);
  if (!written) return 0;
  // A value that a settings file can hold on its line reads back as written
  // (Windows trims the blanks around it and one pair of quotes).
  auto plainName = [](const std::string& name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ' || name.front() == ';') return false;
    for (unsigned char c : name)
      if (c < 0x21 && c != ' ') return false;
    return name.find_first_of("[]=") == std::string::npos;
  };
  if (!plainName(section) || !plainName(key) || value.find_first_of("\r\n") != std::string::npos)
    return 0;
  auto read = platform::profile::findValue(*written, section, key);
  if (!read) std::abort();
  return 0;
}
