#pragma once
#include <functional>
#include <optional>
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

// What a program does for the two registration switches; each returns
// whether it was done in full (failures were shown to the user).
struct LaunchEntryActions {
  std::function<bool()> registerLaunchEntry;
  std::function<bool()> unregisterLaunchEntry;
};

// The exit code of a registration run that could not be done in full.
constexpr int kRegistrationFailedExitCode = 2;

// The actions that add and remove the running program's entry, named
// entryName, in every installed simulator's launch file.
LaunchEntryActions launchEntryActionsFor(const std::string& entryName);

// The argument text as both programs take it: the arguments after the
// program path, joined by single blanks.
std::string argumentTextOf(int argc, char** argv);

// Does what the command line asks before a program runs: the registration
// work, or the message box "Invalid argument detected." under the
// program's caption. Returns the exit code then (0, -1 for an invalid
// argument, kRegistrationFailedExitCode when the registration work failed);
// nothing when the program is to run.
std::optional<int> handleCommandLine(const std::string& argumentText, const std::string& caption,
                                     const LaunchEntryActions& launchEntry);

// The exit code of a program that cannot run safely.
constexpr int kUnsafeRuntimeFolderExitCode = 3;

// Before a program runs: when its runtime folder is not private to the user
// (another user could take over its objects and connections), shows why
// under the program's caption and returns the exit code; nothing when the
// program may run.
std::optional<int> refuseUnsafeRuntimeFolder(const std::string& caption);

}  // namespace registration
