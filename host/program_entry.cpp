#include "program_entry.h"

#include <platform/named_mutex.h>
#include <platform/user_notice.h>

#include <memory>
#include <optional>

#include "sim_connect_module.h"

namespace {

constexpr char kClientName[] = "Kestrix";

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

int runProgramEntry(const std::string& argumentText, const RegistrationActions& registration) {
  if (!argumentText.empty()) {
    if (argumentText[0] != '/') {
      platform::showMessageBox(kProgramCaption, "Invalid argument detected.",
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
    // Any other switch is ignored: the session runs as without arguments.
  }

  if (platform::NamedMutex::openExisting(kSingleInstanceMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kSingleInstanceMutexName, /*initiallyOwned=*/true);

  // The session outlives the mutex: the mutex is closed first, then the
  // session is torn down.
  std::optional<CSimConnectModule> session;
  session.emplace(kClientName);
  session->Run();
  instance.reset();
  session.reset();
  return 0;
}
