#pragma once
// Reads the view's state from a running lab over its control socket, and
// sends it the view's commands.
#include "view/view_state.h"

#include <string>
#include <vector>

namespace lab::view {

// The latest texts the view keeps.
constexpr size_t kShownTexts = 4;

// labRunning false (and nothing else) when no lab answers; the selection
// and status are left for the caller.
ViewState readLab(const std::string& controlSocket);

// Sends each command in order; the first failure's reply text, or "" when
// all went through.
std::string sendCommands(const std::string& controlSocket,
                         const std::vector<std::vector<std::string>>& commands);

// Parsers of the --json replies, false when a reply does not fit.
bool parseBoardShow(const std::string& json, BoardState& board);
bool parseRadios(const std::string& json, SimRadios& radios);
bool parseTexts(const std::string& json, std::vector<std::string>& texts);

}  // namespace lab::view
