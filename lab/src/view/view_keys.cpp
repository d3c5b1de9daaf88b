#include "view/view_keys.h"

#include <string_view>

namespace lab::view {
namespace {

using Commands = std::vector<std::vector<std::string>>;

constexpr int kIdentKey = 12;

struct Selector {
  char key;
  int first, last;  // the board keys of its positions
};
constexpr Selector kTransponderSelectors[] = {{'p', 9, 10}, {'m', 17, 21}, {'s', 22, 24}};

std::vector<std::string> word(const char* verb, const BoardState& board, int key) {
  return {"board", verb, board.serial, std::to_string(key)};
}

Commands tap(const BoardState& board, int key) {
  return {word("press", board, key), word("release", board, key)};
}

// The next position after the one held (the first when none is).
Commands turnSelector(const BoardState& board, const Selector& selector) {
  int held = 0;
  for (int key = selector.first; key <= selector.last; ++key)
    if (board.keyPressed(key)) held = key;
  int next = held == 0 || held == selector.last ? selector.first : held + 1;
  Commands commands;
  for (int key = selector.first; key <= selector.last; ++key)
    if (key != next && board.keyPressed(key)) commands.push_back(word("release", board, key));
  commands.push_back(word("press", board, next));
  return commands;
}

Commands radioKey(int key, const BoardState& board) {
  if (key >= '1' && key <= '6') return tap(board, 3 + key - '1');
  switch (key) {
    case 'x': return tap(board, 1);
    case ',': return tap(board, 9);
    case '.': return tap(board, 10);
    case '<': return tap(board, 11);
    case '>': return tap(board, 12);
    default: return {};
  }
}

Commands transponderKey(int key, const BoardState& board) {
  if (key >= '0' && key <= '7') return tap(board, 1 + key - '0');
  if (key == 'e') return tap(board, 11);
  if (key == 'i')
    return {word(board.keyPressed(kIdentKey) ? "release" : "press", board, kIdentKey)};
  for (const Selector& selector : kTransponderSelectors)
    if (key == selector.key) return turnSelector(board, selector);
  return {};
}

}  // namespace

KeyAction actionForKey(int key, const BoardState* selected) {
  using Kind = KeyAction::Kind;
  if (key == 'q' || key == 'Q' || key == kKeyCtrlC) return {Kind::Quit, {}};
  if (key == kKeyTab || key == kKeyRight) return {Kind::NextBoard, {}};
  if (key == kKeyShiftTab || key == kKeyLeft) return {Kind::PreviousBoard, {}};
  if (!selected) return {};
  Commands commands;
  switch (selected->kind()) {
    case PanelKind::Radio: commands = radioKey(key, *selected); break;
    case PanelKind::Transponder: commands = transponderKey(key, *selected); break;
    case PanelKind::Other: break;
  }
  if (commands.empty()) return {};
  return {Kind::Commands, std::move(commands)};
}

}  // namespace lab::view
