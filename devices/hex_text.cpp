#include "hex_text.h"

#include <controller/parse_hex.h>

// The same reading as the controller library's; one parser serves both.
std::uint32_t hexTextToInt(std::string_view text) { return parseHex(text); }
