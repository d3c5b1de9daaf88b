#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The user's roaming application-data folder: on Windows %APPDATA%, else
// CSIDL_APPDATA; on Linux $XDG_CONFIG_HOME, else $HOME/.config. Not created.
std::string roamingAppDataFolder();

// Creates the folder and every missing parent; an existing folder is fine.
bool createFolderChain(const std::string& path);

// Path separator of this platform, for composing paths.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Full path of the running program file.
std::string ownProgramPath();

// The variable's value, or nothing when it is not set.
std::optional<std::string> environmentValue(const std::string& name);

// Sets the variable (nothing: removes it) for this process and the
// programs it starts from now on.
void setEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

// The computer's short network name, upper case, at most 15 characters;
// empty when it cannot be read.
std::string computerName();

uint32_t processId();
uint32_t threadId();

// Local date and time split for log lines.
struct LocalTime {
  int year, month, day, hour, minute, second;
};
LocalTime localTimeNow();

void sleepMs(int ms);

// Names the calling thread for tools that list threads (top -H, a
// debugger); the system keeps the first 15 characters.
void nameThisThread(const std::string& name);

// Gives the threads the process starts from now on small stacks. A program
// that starts and ends hundreds of short-lived threads (every reload of the
// boards does) then reuses their stacks instead of mapping and unmapping
// megabytes for each. Called first thing in main; the threads need far less.
// Linux only; on Windows nothing changes.
void useCompactThreadStacks();

}  // namespace platform
