#include "registration/command_line.h"

#include <platform/runtime_dir.h>
#include <platform/user_notice.h>

#include "registration/launch_registration.h"

namespace registration {
namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

CommandLine classifyCommandLine(const std::string& argumentText) {
  if (argumentText.empty()) return CommandLine::Run;
  if (argumentText[0] != '/') return CommandLine::Invalid;
  if (equalsIgnoringCase(argumentText, "/RegisterFSx")) return CommandLine::Register;
  if (equalsIgnoringCase(argumentText, "/UnregisterFSx")) return CommandLine::Unregister;
  return CommandLine::Run;
}

}  // namespace registration

namespace registration {

LaunchEntryActions launchEntryActionsFor(const std::string& entryName) {
  return {[entryName] { return registerLaunchEntry(entryName); },
          [entryName] { return unregisterLaunchEntry(entryName); }};
}

std::string argumentTextOf(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::optional<int> handleCommandLine(const std::string& argumentText, const std::string& caption,
                                     const LaunchEntryActions& launchEntry) {
  switch (classifyCommandLine(argumentText)) {
    case CommandLine::Invalid:
      platform::showMessageBox(caption, "Invalid argument detected.",
                               platform::MessageIcon::Error);
      return -1;
    case CommandLine::Register:
      if (launchEntry.registerLaunchEntry && !launchEntry.registerLaunchEntry())
        return kRegistrationFailedExitCode;
      return 0;
    case CommandLine::Unregister:
      if (launchEntry.unregisterLaunchEntry && !launchEntry.unregisterLaunchEntry())
        return kRegistrationFailedExitCode;
      return 0;
    case CommandLine::Run:
      break;  // another switch is ignored: the program runs as without arguments
  }
  return std::nullopt;
}

std::optional<int> refuseUnsafeRuntimeFolder(const std::string& caption) {
  auto problem = platform::runtimeDirProblem();
  if (!problem) return std::nullopt;
  platform::showMessageBox(caption,
                           "Cannot run: the folder " + platform::runtimeDir() +
                               ", which holds this program's shared objects, is not private (" +
                               *problem +
                               "). Remove it, or set KESTRIX_RUNTIME_DIR to a folder of your own.",
                           platform::MessageIcon::Error);
  return kUnsafeRuntimeFolderExitCode;
}

}  // namespace registration
