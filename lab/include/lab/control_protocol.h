#pragma once
// The line protocol of the lab's control socket (<runtime dir>/lab/control.sock),
// which `kestrix-lab` commands use to talk to a running `kestrix-lab serve`.
//
// One connection carries one exchange: the client writes a request line, the
// lab writes a reply and closes the connection.
//   request: the command's words separated by blanks, ending in "\n"; a word
//            that is empty or holds a blank, '"' or '\' is written in double
//            quotes with '\"' and '\\' inside ("sim choose Kestrix \"About...\"").
//   reply:   "status N\n" (N: the exit code for the command), then the text
//            to show, up to the end of the connection.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::control {

// Exit codes of `kestrix-lab`, also used as reply status.
enum Status : int {
  kOk = 0,
  kNotRunning = 1,  // no lab answers on the control socket
  kBadUsage = 2,    // a command or item the lab does not know
};

struct Reply {
  int status = kOk;
  std::string text;
};

std::string controlSocketPath();  // <runtime dir>/lab/control.sock

std::string encodeRequest(const std::vector<std::string>& words);
// Nothing when quotes are unbalanced.
std::optional<std::vector<std::string>> decodeRequest(std::string_view line);

std::string encodeReply(const Reply& reply);
std::optional<Reply> decodeReply(std::string_view bytes);

// Sends one request to the running lab. Nothing when no lab listens at the
// socket; a kNotRunning reply when one listens but does not answer.
std::optional<Reply> sendRequest(const std::string& socketPath,
                                 const std::vector<std::string>& words);

// Whether a lab listens at the control socket now.
bool labIsRunning(const std::string& socketPath);

}  // namespace lab::control
