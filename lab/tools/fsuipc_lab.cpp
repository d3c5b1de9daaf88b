// kestrix-fsuipc-lab: the lab's FSUIPC server as a program of its own. On
// Windows it is the stand-in the bridge's tests under Wine reach through the
// real window, atom and file mapping; it prints every write it performs, in
// the form of `kestrix-lab fsuipc writes`, so a script can compare them.
#include <lab/fsuipc_server.h>
#include <platform/stop_signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: kestrix-fsuipc-lab [--window uipcmain|fs98main] [--answer normal|bad|silent|garbage]\n"
    "  serves FSUIPC's IPC exchange from the lab's offset memory until its standard\n"
    "  input ends or a stop is requested; prints \"fsuipc-lab: serving as CLASS\" once\n"
    "  the window exists, then each write as \"OFFSET SIZE BYTES\" (hex)\n";

struct Options {
  lab::FsuipcServer::WindowKind kind = lab::FsuipcServer::WindowKind::Fsuipc;
  lab::FsuipcServer::AnswerMode answer = lab::FsuipcServer::AnswerMode::Normal;
};

bool parse(const std::vector<std::string>& arguments, Options& options) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (i + 1 >= arguments.size()) return false;
    const std::string& value = arguments[++i];
    if (name == "--window") {
      auto kind = lab::windowKindNamed(value);
      if (!kind) return false;
      options.kind = *kind;
    } else if (name == "--answer") {
      auto mode = lab::answerModeNamed(value);
      if (!mode) return false;
      options.answer = *mode;
    } else {
      return false;
    }
  }
  return true;
}

std::string line(const lab::FsuipcWrite& write) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X %zu", static_cast<unsigned>(write.offset),
                write.bytes.size());
  std::string result = text;
  for (uint8_t byte : write.bytes) {
    std::snprintf(text, sizeof text, " %02X", byte);
    result += text;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(std::vector<std::string>(argv + 1, argv + argc), options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The server and the flag outlive main: the stop watcher and the input
  // thread may still use them while the program ends.
  static lab::FsuipcServer& server = *new lab::FsuipcServer;
  static std::atomic<bool> ending{false};
  // Closing the window wakes the wait for writes below.
  auto end = [] {
    ending = true;
    server.close();
  };
  platform::watchStopRequests(end);

  server.setAnswerMode(options.answer);
  server.setWindowKind(options.kind);
  if (!ending && !server.open()) {
    std::fprintf(stderr, "kestrix-fsuipc-lab: cannot open the %s window\n",
                 std::string(lab::windowClassOf(options.kind)).c_str());
    return 1;
  }
  std::printf("fsuipc-lab: serving as %s\n", std::string(lab::windowClassOf(options.kind)).c_str());
  std::fflush(stdout);

  // Standard input ending is how a script that started the program in the
  // background ends it (signals do not reach a program under Wine as stops).
  std::thread input([end] {
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    end();
  });
  input.detach();

  size_t printed = 0;
  while (!ending) {
    // Wakes on a write, or on the end (closing the window notifies too).
    server.waitUntil(
        [&](const std::vector<lab::FsuipcWrite>& writes) { return ending || writes.size() > printed; },
        std::chrono::hours(1));
    const std::vector<lab::FsuipcWrite> writes = server.writes();
    for (; printed < writes.size(); ++printed) std::printf("%s\n", line(writes[printed]).c_str());
    std::fflush(stdout);
  }
  server.close();
  return 0;
}
