#pragma once
#include <string>

namespace registration {

// What the command line of either program asks for. The whole argument
// text is compared, in any letter case: "/RegisterFSx now" is no switch.
enum class CommandLine {
  Run,         // empty, or a slash argument that is no known switch
  Register,    // "/RegisterFSx"
  Unregister,  // "/UnregisterFSx"
  Invalid,     // anything that does not start with a slash
};

CommandLine classifyCommandLine(const std::string& argumentText);

}  // namespace registration
