// Commands answered by a running lab: checked against the command table,
// sent over the control socket, the reply printed as it comes.
#include "commands.h"

#include <lab/command_forms.h>
#include <lab/control_protocol.h>

#include <cstdio>

namespace labtool {

using namespace lab::control;

int remoteCommand(const std::vector<std::string>& words) {
  if (!matchCommand(words)) {
    if (isFamily(words.front())) {
      std::fprintf(stderr, "kestrix-lab: bad usage\nusage:\n%s",
                   usageOf({words.front()}).c_str());
    } else {
      std::fprintf(stderr, "kestrix-lab: unknown command \"%s\" (see: kestrix-lab help)\n",
                   words.front().c_str());
    }
    return kBadUsage;
  }
  auto reply = sendRequest(controlSocketPath(), words);
  if (!reply) {
    std::fprintf(stderr, "kestrix-lab: no lab is running (start one with: kestrix-lab serve)\n");
    return kNotRunning;
  }
  std::fputs(reply->text.c_str(), reply->status == kOk ? stdout : stderr);
  return reply->status;
}

}  // namespace labtool
