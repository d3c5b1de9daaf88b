#include "program_entry.h"

#include <platform/named_event.h>
#include <platform/named_mutex.h>
#include <platform/stop_signal.h>
#include <registration/command_line.h>

#include <memory>
#include <optional>

#include "sim_connect_module.h"

namespace {

constexpr char kClientName[] = "Kestrix";

}  // namespace

int runProgramEntry(const std::string& argumentText,
                    const registration::LaunchEntryActions& launchEntry) {
  if (auto exitCode = registration::handleCommandLine(argumentText, kProgramCaption, launchEntry))
    return *exitCode;

  if (auto exitCode = registration::refuseUnsafeRuntimeFolder(kProgramCaption)) return *exitCode;
  if (platform::NamedMutex::openExisting(kSingleInstanceMutexName)) return 1;
  auto instance = platform::NamedMutex::create(kSingleInstanceMutexName, /*initiallyOwned=*/true);

  // Only the session run turns an operator's stop (Ctrl-C, SIGTERM) into
  // the quit event, which every running driver shares. A side run that is
  // signalled (registration, a second start) just ends by the signal and
  // leaves the running driver alone. No other thread exists yet.
  platform::watchStopRequests([] {
    if (auto quit = platform::NamedEvent::createOrOpen(kQuitEventName, true, false)) quit->set();
  });

  // The session outlives the mutex: the mutex is closed first, then the
  // session is torn down.
  std::optional<CSimConnectModule> session;
  session.emplace(kClientName);
  session->Run();
  instance.reset();
  session.reset();
  return 0;
}
