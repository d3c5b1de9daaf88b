#include "view/view_loop.h"

#include "view/key_decoder.h"
#include "view/lab_reader.h"
#include "view/terminal.h"
#include "view/view_keys.h"
#include "view/view_render.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace lab::view {
namespace {

constexpr int kPollMs = 250;

int signalPipe[2] = {-1, -1};

void onSignal(int number) {
  int saved = errno;
  char byte = static_cast<char>(number);
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

// Signals arrive as bytes on a pipe, so that the loop alone handles them.
bool watchSignals() {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action{};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP, SIGWINCH}) ::sigaction(number, &action, nullptr);
  return true;
}

std::string frameBytes(const std::vector<std::string>& lines,
                       const std::vector<std::string>& previous, bool full) {
  std::string out = full ? "\x1b[2J" : "";
  for (size_t row = 0; row < lines.size(); ++row) {
    if (!full && row < previous.size() && previous[row] == lines[row]) continue;
    out += "\x1b[" + std::to_string(row + 1) + ";1H" + lines[row];
  }
  return out;
}

const BoardState* selectedBoard(const ViewState& state) {
  for (const BoardState& board : state.boards)
    if (board.serial == state.selectedSerial) return &board;
  return nullptr;
}

}  // namespace

std::string selectBoard(const ViewState& state, const std::string& selected, int step) {
  const auto& boards = state.boards;
  if (boards.empty()) return "";
  int count = static_cast<int>(boards.size());
  for (int i = 0; i < count; ++i)
    if (boards[static_cast<size_t>(i)].serial == selected)
      return boards[static_cast<size_t>(((i + step) % count + count) % count)].serial;
  return boards.front().serial;
}

int runView(const std::string& controlSocket) {
  Terminal terminal;
  if (!watchSignals() || !terminal.enter()) {
    std::fprintf(stderr, "kestrix-lab: view needs a terminal\n");
    return 2;
  }
  ViewState state;
  std::string selected, status;
  std::vector<std::string> shown;
  bool full = true, stop = false;
  auto nextRead = std::chrono::steady_clock::now();
  while (!stop) {
    if (std::chrono::steady_clock::now() >= nextRead) {
      state = readLab(controlSocket);
      nextRead = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMs);
    }
    selected = selectBoard(state, selected, 0);
    state.selectedSerial = selected;
    state.status = status;
    int width = 80, height = 24;
    terminal.size(width, height);
    auto lines = renderView(state, width, height);
    if (full || lines != shown) terminal.write(frameBytes(lines, shown, full));
    shown = std::move(lines);
    full = false;

    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        nextRead - std::chrono::steady_clock::now());
    int ready = ::poll(fds, 2, std::max(0, static_cast<int>(wait.count())));
    if (ready <= 0) continue;
    char bytes[64];
    if (fds[1].revents & POLLIN) {
      ssize_t n = ::read(signalPipe[0], bytes, sizeof bytes);
      for (ssize_t i = 0; i < n; ++i) {
        if (bytes[i] == SIGWINCH) full = true;
        else stop = true;
      }
    }
    if (fds[0].revents & (POLLHUP | POLLERR)) stop = true;
    if (!(fds[0].revents & POLLIN)) continue;
    ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n <= 0) continue;
    for (int key : decodeKeys(std::string(bytes, static_cast<size_t>(n)))) {
      KeyAction action = actionForKey(key, selectedBoard(state));
      using Kind = KeyAction::Kind;
      if (action.kind == Kind::Quit) stop = true;
      if (action.kind == Kind::NextBoard) selected = selectBoard(state, selected, 1);
      if (action.kind == Kind::PreviousBoard) selected = selectBoard(state, selected, -1);
      if (action.kind == Kind::Commands) {
        std::string failure = sendCommands(controlSocket, action.commands);
        const auto& last = action.commands.back();
        status = failure.empty() ? last[1] + " key " + last[3] + " of " + last[2] : failure;
        if (!status.empty() && status.back() == '\n') status.pop_back();
        // Read at once: a held key must be known before the next key comes.
        state = readLab(controlSocket);
        state.selectedSerial = selected;
      }
      state.selectedSerial = selected;
    }
  }
  terminal.restore();
  return 0;
}

}  // namespace lab::view
