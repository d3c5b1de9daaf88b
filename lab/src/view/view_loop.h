#pragma once
// kestrix-lab view: polls the lab a few times a second, draws the view and
// turns keys into board presses until q, Ctrl-C, SIGINT, SIGTERM or SIGHUP.
#include "view/view_state.h"

#include <string>

namespace lab::view {

// The exit code: 0 after an orderly end, 2 when the output is no terminal.
int runView(const std::string& controlSocket);

// Keeps the selection on a board that is still there: the first board when
// the selected one is gone, moved by `step` (+1, -1) through the list.
std::string selectBoard(const ViewState& state, const std::string& selected, int step);

}  // namespace lab::view
