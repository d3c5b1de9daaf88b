#pragma once
// Draws the view: state and terminal size in, exactly `height` lines of
// exactly `width` ASCII characters out (fewer lines when height is smaller
// than one), so that the terminal side only writes them.
#include "view/view_state.h"

#include <string>
#include <vector>

namespace lab::view {

// Below this the view shows a short notice instead.
constexpr int kMinWidth = 56;
constexpr int kMinHeight = 16;

std::vector<std::string> renderView(const ViewState& state, int width, int height);

// The lines of one board's box, all the same width.
std::vector<std::string> renderBoard(const BoardState& board, bool selected);

// The key help for a board of this kind (and the keys every board shares).
std::vector<std::string> keyHelp(PanelKind kind);

}  // namespace lab::view
