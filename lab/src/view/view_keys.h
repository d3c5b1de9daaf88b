#pragma once
// What a keyboard key does in the view: move the selection, quit, or press
// and release keys of the selected board (as control command words).
#include "view/view_state.h"

#include <string>
#include <vector>

namespace lab::view {

// Keys read from the terminal; printable keys are their character.
enum SpecialKey : int {
  kKeyTab = 0x100,
  kKeyShiftTab,
  kKeyLeft,
  kKeyRight,
  kKeyCtrlC,
};

struct KeyAction {
  enum class Kind { None, Quit, NextBoard, PreviousBoard, Commands };
  Kind kind = Kind::None;
  std::vector<std::vector<std::string>> commands;  // for Commands, in order
};

// `selected` is null when no board is selected. Selectors keep one position
// closed: choosing a position releases the others of that selector and
// holds the chosen one; IDENT stays pressed until its key comes again.
KeyAction actionForKey(int key, const BoardState* selected);

}  // namespace lab::view
