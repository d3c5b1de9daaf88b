#include "bridge_entry.h"

#include <platform/named_mutex.h>
#include <platform/stop_signal.h>
#include <platform/wake_event.h>
#include <registration/command_line.h>

#include <memory>

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
  // SIGTERM): the stop wakes the session, which looks for it between its
  // steps. A signalled side run just ends by the signal. The watcher's
  // thread may outlive this call, so it shares the event.
  auto wake = std::make_shared<platform::WakeEvent>();
  platform::watchStopRequests([wake] { wake->set(); });

  BridgeSession session(link, configPath, *wake);
  session.run();
  return 0;
}
