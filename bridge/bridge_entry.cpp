#include "bridge_entry.h"

#include <platform/named_mutex.h>
#include <registration/command_line.h>

#include "bridge_session.h"

int runBridgeEntry(const std::string& argumentText,
                   const registration::LaunchEntryActions& launchEntry, FsuipcLink& link,
                   const std::string& configPath) {
  if (auto exitCode = registration::handleCommandLine(argumentText, "Squarix", launchEntry))
    return *exitCode;

  if (platform::NamedMutex::openExisting(kBridgeMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kBridgeMutexName, /*initiallyOwned=*/true);

  BridgeSession session(link, configPath);
  session.run();
  return 0;
}
