// kestrix-lab serve: runs the world until an operator stops it.
#include "commands.h"

#include <lab/board_commands.h>
#include <lab/boards.h>
#include <lab/control_protocol.h>
#include <lab/control_server.h>
#include <lab/fsuipc_commands.h>
#include <lab/fsuipc_server.h>
#include <lab/peer_commands.h>
#include <lab/peer_window.h>
#include <lab/sim_commands.h>
#include <lab/simulator.h>
#include <lab/world_file.h>
#include <platform/runtime_dir.h>
#include <platform/stop_signal.h>
#include <simconnect/local_pipe.h>

#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace labtool {
namespace {

struct StopRequest {
  std::mutex mutex;
  std::condition_variable signal;
  bool requested = false;
};

StopRequest& stopRequest() {
  static StopRequest request;
  return request;
}

void waitForStop() {
  StopRequest& stop = stopRequest();
  std::unique_lock lock(stop.mutex);
  stop.signal.wait(lock, [&] { return stop.requested; });
}

int badUsage(const std::string& why) {
  std::fprintf(stderr,
               "kestrix-lab: %s\nusage: kestrix-lab serve [--world FILE] [--tcp PORT] "
               "[--pipe NAME] [--no-flight] [--no-boards]\n",
               why.c_str());
  return lab::control::kBadUsage;
}

struct ServeOptions {
  std::string worldFile;
  std::optional<uint16_t> tcpPort;
  std::string pipeName;  // empty: the simulator's default pipe
  bool noFlight = false;
  bool noBoards = false;
};

// Empty when the arguments are fine; else why not.
std::string parseOptions(const std::vector<std::string>& arguments, ServeOptions& options) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    bool hasValue = i + 1 < arguments.size();
    if (a == "--world" && hasValue) {
      options.worldFile = arguments[++i];
    } else if (a == "--tcp" && hasValue) {
      const std::string& v = arguments[++i];
      uint16_t port = 0;
      auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), port);
      if (error != std::errc() || end != v.data() + v.size() || port == 0)
        return "--tcp takes a port number from 1 to 65535";
      options.tcpPort = port;
    } else if (a == "--pipe" && hasValue) {
      options.pipeName = arguments[++i];
      if (options.pipeName.empty()) return "--pipe takes the pipe's name";
    } else if (a == "--no-flight") {
      options.noFlight = true;
    } else if (a == "--no-boards") {
      options.noBoards = true;
    } else {
      return "unknown or incomplete option \"" + a + "\"";
    }
  }
  return {};
}

}  // namespace

int serveCommand(const std::vector<std::string>& arguments) {
  // First, before any thread exists: SIGINT and SIGTERM become an orderly stop.
  platform::watchStopRequests([] {
    StopRequest& stop = stopRequest();
    std::lock_guard lock(stop.mutex);
    stop.requested = true;
    stop.signal.notify_all();
  });

  ServeOptions options;
  if (std::string why = parseOptions(arguments, options); !why.empty()) return badUsage(why);
  lab::WorldSettings world;
  std::string error;
  if (!options.worldFile.empty() && !lab::loadWorldFile(options.worldFile, world, error)) {
    std::fprintf(stderr, "kestrix-lab: %s\n", error.c_str());
    return lab::control::kBadUsage;
  }
  if (options.tcpPort) world.tcpPort = *options.tcpPort;
  if (options.noFlight) world.flightRunning = false;
  if (options.noBoards) world.boards.clear();

  std::string controlPath = lab::control::controlSocketPath();
  if (lab::control::labIsRunning(controlPath)) {
    std::fprintf(stderr, "kestrix-lab: a lab is running already (control socket %s)\n",
                 controlPath.c_str());
    return lab::control::kNotRunning;
  }

  const std::string socketPath =
      options.pipeName.empty()
          ? std::string()
          : platform::runtimeDir() + "/" + simconnect::pipeSocketFileName(options.pipeName);
  lab::Simulator simulator({socketPath, world.tcpPort, world.flightRunning});
  simulator.setRefusing(world.refusing);
  simulator.setRadios(world.aircraft);
  simulator.setRadioTuning(world.radioTuning);
  if (!simulator.start()) {
    std::fprintf(stderr, "kestrix-lab: the simulator cannot listen: %s\n",
                 simulator.lastError().c_str());
    return lab::control::kNotRunning;
  }
  lab::BoardRack rack;
  for (const lab::WorldBoard& board : world.boards) {
    if (!rack.plug(lab::setupOf(board))) {
      std::fprintf(stderr, "kestrix-lab: board %s cannot be plugged in %s\n",
                   board.serial.c_str(), rack.hidFolder().c_str());
      return lab::control::kNotRunning;
    }
  }
  lab::PeerWindow peer;
  if (world.peerWindow && !peer.open()) {
    std::fprintf(stderr, "kestrix-lab: the peer window cannot be opened\n");
    return lab::control::kNotRunning;
  }
  lab::FsuipcServer fsuipc;
  fsuipc.setAnswerMode(world.fsuipcAnswer);
  if (world.fsuipcWindow && (!fsuipc.setWindowKind(*world.fsuipcWindow) || !fsuipc.open())) {
    std::fprintf(stderr, "kestrix-lab: the FSUIPC server's window cannot be opened\n");
    return lab::control::kNotRunning;
  }
  lab::control::ControlServer control(controlPath);
  control.addFamily("sim", lab::control::simCommands(simulator));
  control.addFamily("board", lab::control::boardCommands(rack));
  control.addFamily("peer", lab::control::peerCommands(peer));
  control.addFamily("fsuipc", lab::control::fsuipcCommands(fsuipc));
  if (!control.start()) {
    std::fprintf(stderr, "kestrix-lab: the control socket cannot listen: %s\n",
                 control.lastError().c_str());
    return lab::control::kNotRunning;
  }

  std::printf("lab: control socket %s\n", controlPath.c_str());
  if (uint16_t port = simulator.tcpPort(); port != 0)
    std::printf("lab: simulator also on 127.0.0.1:%u\n", port);
  std::printf("lab: flight %s\n", world.flightRunning ? "running" : "stopped");
  std::string serials;
  for (const lab::WorldBoard& board : world.boards) serials += " " + board.serial;
  std::printf("lab: boards in %s:%s\n", rack.hidFolder().c_str(),
              serials.empty() ? " none" : serials.c_str());
  std::printf("lab: peer window %s\n", world.peerWindow ? "open" : "off");
  std::printf("lab: fsuipc server %s\n",
              world.fsuipcWindow ? std::string(lab::windowClassOf(*world.fsuipcWindow)).c_str()
                                 : "off");
  std::printf("lab: serving on %s\n", simulator.socketPath().c_str());
  std::fflush(stdout);

  waitForStop();
  control.stop();
  simulator.stop();
  std::printf("lab: stopped\n");
  return lab::control::kOk;
}

}  // namespace labtool
