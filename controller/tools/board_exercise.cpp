#include "board_exercise.h"

#include <array>
#include <cstdio>
#include <string>

namespace boardtool {
namespace {

constexpr int kMatrixColumns = 32;
constexpr int kMatrixRows = 8;
constexpr char kRowNames[kMatrixRows][8] = {"a", "b", "c", "d", "e", "f", "g", "point"};

// The board reports the state of every key in each full report; a person
// wants to see what changed (a key held at the start shows as pressed).
struct KeyStates {
  std::array<bool, 129> pressed{};
};

int32_t printKeyChange(const std::string&, int key, int state, void* user) {
  auto& keys = *static_cast<KeyStates*>(user);
  // Key 0 marks the start of input and the end of a full report.
  if (key < 1 || key > 128 || keys.pressed[static_cast<size_t>(key)] == (state != 0)) return 1;
  keys.pressed[static_cast<size_t>(key)] = state != 0;
  std::printf("key %d %s\n", key, state ? "pressed" : "released");
  std::fflush(stdout);
  return 1;
}

}  // namespace

int exerciseBoard(CVantrixController& board, std::chrono::milliseconds step,
                  const PauseFor& pause, const std::function<void()>& waitForStop) {
  if (!board.EnableLedMatrix(true)) {
    std::fprintf(stderr, "kestrix-boards: the board does not take reports\n");
    return 1;
  }
  // LED n of the matrix is row (n-1) % 8 of column (n-1) / 8: a digit
  // position's seven segments and point, or eight indicators.
  std::printf("lighting each LED of the matrix in turn (Ctrl-C ends)\n");
  std::fflush(stdout);
  bool stopped = false;
  for (int column = 0; column < kMatrixColumns && !stopped; ++column) {
    std::printf("column %d (digit %d): ", column + 1, column + 1);
    for (int row = 0; row < kMatrixRows && !stopped; ++row) {
      const int led = column * kMatrixRows + row + 1;
      std::printf("%s%s", row ? " " : "", kRowNames[row]);
      std::fflush(stdout);
      board.SetLed(led, true, true);
      stopped = !pause(step);
      board.SetLed(led, false, true);
    }
    std::printf("\n");
  }
  if (!stopped) {
    const bool allow128 = board.GetProductId() == 0x03EA;
    KeyStates keys;
    if (!board.EnableKeyMatrix(true, printKeyChange, &keys, allow128)) {
      std::fprintf(stderr, "kestrix-boards: the board's key matrix does not start\n");
      board.EnableLedMatrix(false);
      return 1;
    }
    std::printf("press keys (Ctrl-C ends)\n");
    std::fflush(stdout);
    waitForStop();
    board.EnableKeyMatrix(false);
  }
  board.EnableLedMatrix(false);
  std::printf("test ended\n");
  return 0;
}

}  // namespace boardtool
