#include "program_entry.h"

#include <platform/named_mutex.h>
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
