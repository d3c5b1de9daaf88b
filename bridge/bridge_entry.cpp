#include "bridge_entry.h"

#include <platform/named_mutex.h>
#include <platform/stop_signal.h>
#include <registration/command_line.h>

#include "bridge_session.h"

int runBridgeEntry(const std::string& argumentText,
                   const registration::LaunchEntryActions& launchEntry, FsuipcLink& link,
                   const std::string& configPath) {
  if (auto exitCode = registration::handleCommandLine(argumentText, "Squarix", launchEntry))
    return *exitCode;

  if (auto exitCode = registration::refuseUnsafeRuntimeFolder("Squarix")) return *exitCode;
  if (platform::NamedMutex::openExisting(kBridgeMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kBridgeMutexName, /*initiallyOwned=*/true);

  // Only the session run stops in order on an operator's stop (Ctrl-C,
  // SIGTERM): its loops look for it between their steps. A signalled side
  // run just ends by the signal.
  platform::watchStopRequests([] {});

  BridgeSession session(link, configPath);
  session.run();
  return 0;
}
