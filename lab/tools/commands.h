#pragma once
// The commands of the kestrix-lab tool; each returns the exit code.
#include <string>
#include <vector>

namespace labtool {

// kestrix-lab serve [--world FILE] [--tcp PORT] [--no-flight] [--no-boards]
int serveCommand(const std::vector<std::string>& arguments);

// kestrix-lab help [COMMAND]
int helpCommand(const std::vector<std::string>& arguments);

// kestrix-lab view: the live terminal view of the panels
int viewCommand(const std::vector<std::string>& arguments);

// kestrix-lab sim ... (and every other family a running lab answers)
int remoteCommand(const std::vector<std::string>& words);

}  // namespace labtool
