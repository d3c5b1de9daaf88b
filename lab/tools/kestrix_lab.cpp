// kestrix-lab: serves the lab's simulated world, and talks to a running one.
#include "commands.h"

#include <cstdio>

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    labtool::helpCommand({});
    return 2;
  }
  std::string command = arguments.front();
  std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "help" || command == "--help" || command == "-h")
    return labtool::helpCommand(rest);
  if (command == "serve") return labtool::serveCommand(rest);
  if (command == "view") return labtool::viewCommand(rest);
  return labtool::remoteCommand(arguments);
}
