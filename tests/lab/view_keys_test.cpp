// Keyboard keys of the view: what each does to the selected board.
#include <gtest/gtest.h>

#include "view/key_decoder.h"
#include "view/view_keys.h"

#include <string>
#include <vector>

namespace {

using lab::view::actionForKey;
using lab::view::BoardState;
using lab::view::KeyAction;
using Commands = std::vector<std::vector<std::string>>;

BoardState board(const char* model, std::vector<int> pressed = {}) {
  BoardState b;
  b.serial = "B1";
  b.model = model;
  b.variant = 1;
  b.pressedKeys = std::move(pressed);
  return b;
}

std::vector<std::string> press(int key) { return {"board", "press", "B1", std::to_string(key)}; }
std::vector<std::string> release(int key) {
  return {"board", "release", "B1", std::to_string(key)};
}
Commands tap(int key) { return {press(key), release(key)}; }

TEST(ViewKeys, MapToTheSelectedPanelsControls) {
  struct Case {
    const char* model;
    std::vector<int> pressed;
    int key;
    Commands expected;
  };
  const Case cases[] = {
      // Radio panel: transfer, the six channel positions, fraction and whole.
      {"3401", {}, 'x', tap(1)},
      {"3401", {}, '1', tap(3)},
      {"3401", {}, '6', tap(8)},
      {"3401", {}, ',', tap(9)},
      {"3401", {}, '.', tap(10)},
      {"3401", {}, '<', tap(11)},
      {"3401", {}, '>', tap(12)},
      {"3401", {}, '7', {}},
      {"3401", {}, 'i', {}},
      // Transponder: digits 0-7, code entry, IDENT held until its key comes again.
      {"3402", {}, '0', tap(1)},
      {"3402", {}, '7', tap(8)},
      {"3402", {}, '8', {}},
      {"3402", {}, 'e', tap(11)},
      {"3402", {}, 'i', {press(12)}},
      {"3402", {12}, 'i', {release(12)}},
      // Selectors keep one position closed and turn to the next.
      {"3402", {}, 'p', {press(9)}},
      {"3402", {9}, 'p', {release(9), press(10)}},
      {"3402", {10}, 'p', {release(10), press(9)}},
      {"3402", {}, 'm', {press(17)}},
      {"3402", {19}, 'm', {release(19), press(20)}},
      {"3402", {21}, 'm', {release(21), press(17)}},
      {"3402", {22, 24}, 's', {release(24), press(22)}},  // two closed: turns from the last
      {"3402", {24}, 's', {release(24), press(22)}},
      // A board that is no panel has no controls.
      {"blank", {}, '1', {}},
  };
  for (const Case& c : cases) {
    BoardState selected = board(c.model, c.pressed);
    KeyAction action = actionForKey(c.key, &selected);
    EXPECT_EQ(action.commands, c.expected) << c.model << " key " << char(c.key);
    EXPECT_EQ(action.kind, c.expected.empty() ? KeyAction::Kind::None : KeyAction::Kind::Commands)
        << c.model << " key " << char(c.key);
  }
}

TEST(ViewKeys, SelectionAndQuitWorkWithOrWithoutABoard) {
  using Kind = KeyAction::Kind;
  const BoardState radio = board("3401");
  for (const BoardState* selected : {static_cast<const BoardState*>(nullptr), &radio}) {
    EXPECT_EQ(actionForKey('q', selected).kind, Kind::Quit);
    EXPECT_EQ(actionForKey(lab::view::kKeyCtrlC, selected).kind, Kind::Quit);
    EXPECT_EQ(actionForKey(lab::view::kKeyTab, selected).kind, Kind::NextBoard);
    EXPECT_EQ(actionForKey(lab::view::kKeyRight, selected).kind, Kind::NextBoard);
    EXPECT_EQ(actionForKey(lab::view::kKeyShiftTab, selected).kind, Kind::PreviousBoard);
    EXPECT_EQ(actionForKey(lab::view::kKeyLeft, selected).kind, Kind::PreviousBoard);
  }
  EXPECT_EQ(actionForKey('x', nullptr).kind, Kind::None);
}

TEST(ViewKeys, DecodesTerminalBytes) {
  using namespace lab::view;
  struct Case {
    std::string bytes;
    std::vector<int> keys;
  };
  const Case cases[] = {
      {"x1q", {'x', '1', 'q'}},
      {"\t\x1b[Z", {kKeyTab, kKeyShiftTab}},
      {"\x1b[C\x1b[D\x1bOC", {kKeyRight, kKeyLeft, kKeyRight}},
      {"\x03", {kKeyCtrlC}},
      {"\x1b[1;5Ax", {'x'}},  // an unknown sequence is dropped whole
      {"\x1b[12", {}},        // cut off: nothing
      {"\x7f\r", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeKeys(c.bytes), c.keys);
}

}  // namespace
