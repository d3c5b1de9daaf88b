#include "controller/interface_name.h"

#include <optional>
#include <string>

#include "controller/parse_hex.h"
#include "controller/vantrix_ids.h"

namespace {

// The text after the first `tag`, up to the next `end` (or the end of name).
std::optional<std::string_view> fieldAfter(std::string_view name, std::string_view tag, char end) {
  size_t start = name.find(tag);
  if (start == std::string_view::npos) return std::nullopt;
  std::string_view rest = name.substr(start + tag.size());
  return rest.substr(0, rest.find(end));
}

}  // namespace

bool isVantrixInterface(std::string_view interfaceName, uint32_t interfaceNumber) {
  std::string upper(interfaceName);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  auto vendor = fieldAfter(upper, "VID_", '&');
  auto product = fieldAfter(upper, "PID_", '&');
  auto interface = fieldAfter(upper, "MI_", '#');
  if (!vendor || !product || !interface) return false;
  return isVantrixBoard(parseHex(*vendor), parseHex(*product)) &&
         parseHex(*interface) == interfaceNumber;
}
