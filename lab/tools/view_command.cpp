// kestrix-lab view: the live terminal view of every panel.
#include "commands.h"

#include <lab/control_protocol.h>

#include <cstdio>

#include "view/view_loop.h"

namespace labtool {

int viewCommand(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    std::fprintf(stderr, "kestrix-lab: bad usage\nusage: kestrix-lab view\n");
    return lab::control::kBadUsage;
  }
  return lab::view::runView(lab::control::controlSocketPath());
}

}  // namespace labtool
