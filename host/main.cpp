// kestrix-module: the panel driver.
#include <platform/named_event.h>
#include <platform/stop_signal.h>
#include <registration/launch_registration.h>

#include <string>

#include "program_entry.h"
#include "sim_connect_module.h"

int main(int argc, char** argv) {
  // An operator's stop (Ctrl-C, SIGTERM) ends the session like the named
  // quit event does.
  platform::watchStopRequests([] {
    if (auto quit = platform::NamedEvent::createOrOpen(kQuitEventName, true, false)) quit->set();
  });

  std::string argumentText;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) argumentText += ' ';
    argumentText += argv[i];
  }
  // The driver's entry in the simulators' launch files.
  static constexpr char kLaunchEntryName[] = "KESTRIX Module";
  registration::LaunchEntryActions launchEntry{
      [] { registration::registerLaunchEntry(kLaunchEntryName); },
      [] { registration::unregisterLaunchEntry(kLaunchEntryName); },
  };
  return runProgramEntry(argumentText, launchEntry);
}
