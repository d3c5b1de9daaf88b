#pragma once
#include <string>
#include <string_view>

namespace platform {

// Conversions between UTF-8 and UTF-16. Invalid sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// Widens ASCII text; the version block's fixed keys are made this way at run
// time, so that no program carries them as UTF-16 data unless it embeds a
// real block.
std::u16string asciiToUtf16(std::string_view text);

}  // namespace platform
