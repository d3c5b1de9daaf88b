#pragma once
// Turns the bytes a terminal in raw mode sends into view keys (see
// view_keys.h): printable characters as they are, tab, shift-tab, the
// left/right arrows and Ctrl-C; other escape sequences are dropped whole.
#include <string>
#include <vector>

namespace lab::view {

std::vector<int> decodeKeys(const std::string& bytes);

}  // namespace lab::view
