// kestrix-boards: a tool for people wiring panels. Lists the Vantrix boards
// the system finds, shows what one reports, and tests its LEDs and keys.
#include <controller/vantrix_controller.h>
#include <platform/stop_signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "board_exercise.h"
#include "board_facts.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  kestrix-boards list               every board: ids, serial number, interfaces and report\n"
    "                                    lengths, and the model and variant in its memory\n"
    "  kestrix-boards show SERIAL        what the board reports: the above and its ports\n"
    "  kestrix-boards test SERIAL [--step MS]\n"
    "                                    lights each LED of the board's matrix in turn (MS each,\n"
    "                                    default 50), then prints each key as it is pressed and\n"
    "                                    released, until Ctrl-C\n"
    "exit codes: 0 ok (list: also when there is no board), 1 no such board or it cannot be\n"
    "used, 2 bad usage\n";

// Stop requests (Ctrl-C, SIGTERM) end the pauses and the key test.
struct StopFlag {
  std::mutex lock;
  std::condition_variable changed;
  bool stopped = false;

  void stop() {
    // Notified under the lock: the main thread may return from wait() and
    // end the program as soon as it can take the lock.
    std::lock_guard<std::mutex> guard(lock);
    stopped = true;
    changed.notify_all();
  }
  // False when a stop came within the time.
  bool pause(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> guard(lock);
    return !changed.wait_for(guard, time, [&] { return stopped; });
  }
  void wait() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return stopped; });
  }
};

// Never destroyed: the thread that watches for stops outlives main.
StopFlag& stopFlag() {
  static StopFlag& flag = *new StopFlag;
  return flag;
}

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int noSuchBoard(const std::string& serial, size_t boards) {
  std::fprintf(stderr, "kestrix-boards: no board %s (%zu board%s found; kestrix-boards list)\n",
               serial.c_str(), boards, boards == 1 ? "" : "s");
  return 1;
}

int list() {
  boardtool::OpenBoards boards;
  if (boards.count() == 0) {
    std::printf("no boards\n");
    return 0;
  }
  std::printf("%zu board%s\n", boards.count(), boards.count() == 1 ? "" : "s");
  for (size_t i = 0; i < boards.count(); ++i)
    std::fputs(boardtool::boardText(boards.facts(i)).c_str(), stdout);
  return 0;
}

int show(const std::string& serial) {
  boardtool::OpenBoards boards;
  CVantrixController* board = boards.find(serial);
  if (!board) return noSuchBoard(serial, boards.count());
  for (size_t i = 0; i < boards.count(); ++i) {
    if (boards.controller(i) != board) continue;
    std::fputs(boardtool::boardText(boards.facts(i)).c_str(), stdout);
  }
  int32_t ports[4] = {-1, -1, -1, -1};
  board->ReadPinStatus(&ports[0], &ports[1], &ports[2], &ports[3]);
  std::fputs(boardtool::portsText(ports).c_str(), stdout);
  return 0;
}

int test(const std::string& serial, std::chrono::milliseconds step) {
  boardtool::OpenBoards boards;
  CVantrixController* board = boards.find(serial);
  if (!board) return noSuchBoard(serial, boards.count());
  if (board->Lock() != 0) {
    std::fprintf(stderr,
                 "kestrix-boards: board %s is in use by another program (the panel driver?); "
                 "end that first\n",
                 serial.c_str());
    return 1;
  }
  const int code = boardtool::exerciseBoard(
      *board, step, [](std::chrono::milliseconds time) { return stopFlag().pause(time); },
      [] { stopFlag().wait(); });
  board->Unlock();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  platform::watchStopRequests([] { stopFlag().stop(); });
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return usage();
  const std::string& command = arguments[0];
  if (command == "list" && arguments.size() == 1) return list();
  if (command == "show" && arguments.size() == 2) return show(arguments[1]);
  if (command == "test" && (arguments.size() == 2 || arguments.size() == 4)) {
    long step = 50;
    if (arguments.size() == 4) {
      char* end = nullptr;
      step = std::strtol(arguments[3].c_str(), &end, 10);
      if (arguments[2] != "--step" || *end != 0 || end == arguments[3].c_str() || step < 0 ||
          step > 60000)
        return usage();
    }
    return test(arguments[1], std::chrono::milliseconds(step));
  }
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage();
}
