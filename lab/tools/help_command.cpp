// kestrix-lab help [COMMAND]: usage of every command, or of one.
#include "commands.h"

#include <lab/command_forms.h>
#include <lab/control_protocol.h>

#include <cstdio>

namespace labtool {
namespace {

constexpr const char* kServeUsage =
    "  kestrix-lab serve [--world FILE] [--tcp PORT] [--no-flight]\n"
    "      run the lab's world until SIGINT or SIGTERM (then exit 0). The simulator\n"
    "      listens on <runtime dir>/simconnect.sock (and on 127.0.0.1:PORT with --tcp),\n"
    "      the control socket of the other commands is <runtime dir>/lab/control.sock.\n"
    "      Prints \"lab: serving on <socket path>\" once it serves.\n"
    "      --world FILE  the world to serve (see docs/lab.md); --tcp and --no-flight\n"
    "                    override what it says\n";

constexpr const char* kHelpUsage = "  kestrix-lab help [COMMAND]\n      this text, or that of one command\n";

constexpr const char* kFooter =
    "\nexit codes: 0 ok, 1 no lab is running, 2 bad usage or unknown item\n"
    "runtime dir: $KESTRIX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kestrix, else /tmp/kestrix-<uid>\n";

}  // namespace

int helpCommand(const std::vector<std::string>& arguments) {
  using lab::control::usageOf;
  if (arguments.empty()) {
    std::printf("kestrix-lab: the lab, a simulated world for the panel driver and the bridge\n\n"
                "usage:\n%s%s%s%s",
                kServeUsage, usageOf({}).c_str(), kHelpUsage, kFooter);
    return lab::control::kOk;
  }
  if (arguments == std::vector<std::string>{"serve"}) {
    std::printf("usage:\n%s", kServeUsage);
    return lab::control::kOk;
  }
  if (arguments == std::vector<std::string>{"help"}) {
    std::printf("usage:\n%s", kHelpUsage);
    return lab::control::kOk;
  }
  std::string usage = usageOf(arguments);
  if (usage.empty()) {
    std::fprintf(stderr, "kestrix-lab: no command \"%s\" (see: kestrix-lab help)\n",
                 arguments.front().c_str());
    return lab::control::kBadUsage;
  }
  std::printf("usage:\n%s", usage.c_str());
  return lab::control::kOk;
}

}  // namespace labtool
