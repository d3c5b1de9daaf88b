#pragma once
#include <string>

// A simulator on the same computer listens on a named pipe,
// "\\.\pipe\Microsoft Flight Simulator\SimConnect" unless its SimConnect.xml
// names another. Where pipes are no system object, each pipe is a Unix
// socket in the runtime folder; this is the file name both sides agree on.
namespace simconnect {

constexpr char kDefaultPipeName[] = "Microsoft Flight Simulator\\SimConnect";

// The socket file name that stands for a pipe: "simconnect.sock" for the
// default pipe, else "pipe.<name>.sock" with the name in lower case (pipe
// names ignore letter case) and every character but letters, digits, '-',
// '_' and '.' written as %XX. A leading "\\.\pipe\" is no part of the name.
std::string pipeSocketFileName(std::string pipeName);

}  // namespace simconnect
