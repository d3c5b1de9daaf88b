#include "bridge_entry.h"

#include <platform/named_mutex.h>
#include <platform/user_notice.h>

#include "bridge_session.h"

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

int runBridgeEntry(const std::string& argumentText, const LaunchEntryActions& registration,
                   FsuipcLink& link, const std::string& configPath) {
  if (!argumentText.empty()) {
    if (argumentText[0] != '/') {
      platform::showMessageBox("Squarix", "Invalid argument detected.",
                               platform::MessageIcon::Error);
      return -1;
    }
    if (equalsIgnoringCase(argumentText, "/RegisterFSx")) {
      if (registration.registerLaunchEntry) registration.registerLaunchEntry();
      return 0;
    }
    if (equalsIgnoringCase(argumentText, "/UnregisterFSx")) {
      if (registration.unregisterLaunchEntry) registration.unregisterLaunchEntry();
      return 0;
    }
    // Any other switch is ignored: the bridge starts as without arguments.
  }

  if (platform::NamedMutex::openExisting(kBridgeMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kBridgeMutexName, /*initiallyOwned=*/true);

  BridgeSession session(link, configPath);
  session.run();
  return 0;
}
