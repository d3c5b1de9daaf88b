#include "program_entry.h"

#include <platform/named_mutex.h>
#include <platform/user_notice.h>
#include <registration/command_line.h>

#include <memory>
#include <optional>

#include "sim_connect_module.h"

namespace {

constexpr char kClientName[] = "Kestrix";

}  // namespace

int runProgramEntry(const std::string& argumentText, const RegistrationActions& launchEntry) {
  switch (registration::classifyCommandLine(argumentText)) {
    case registration::CommandLine::Invalid:
      platform::showMessageBox(kProgramCaption, "Invalid argument detected.",
                               platform::MessageIcon::Error);
      return -1;
    case registration::CommandLine::Register:
      if (launchEntry.registerLaunchEntry) launchEntry.registerLaunchEntry();
      return 0;
    case registration::CommandLine::Unregister:
      if (launchEntry.unregisterLaunchEntry) launchEntry.unregisterLaunchEntry();
      return 0;
    case registration::CommandLine::Run:
      break;  // another switch is ignored: the session runs as without arguments
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
