#include "bridge_entry.h"

#include <platform/named_mutex.h>
#include <platform/user_notice.h>
#include <registration/command_line.h>

#include "bridge_session.h"

int runBridgeEntry(const std::string& argumentText, const LaunchEntryActions& launchEntry,
                   FsuipcLink& link, const std::string& configPath) {
  switch (registration::classifyCommandLine(argumentText)) {
    case registration::CommandLine::Invalid:
      platform::showMessageBox("Squarix", "Invalid argument detected.",
                               platform::MessageIcon::Error);
      return -1;
    case registration::CommandLine::Register:
      if (launchEntry.registerLaunchEntry) launchEntry.registerLaunchEntry();
      return 0;
    case registration::CommandLine::Unregister:
      if (launchEntry.unregisterLaunchEntry) launchEntry.unregisterLaunchEntry();
      return 0;
    case registration::CommandLine::Run:
      break;  // another switch is ignored: the bridge starts as without arguments
  }

  if (platform::NamedMutex::openExisting(kBridgeMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kBridgeMutexName, /*initiallyOwned=*/true);

  BridgeSession session(link, configPath);
  session.run();
  return 0;
}
