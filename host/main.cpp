// kestrix-module: the panel driver.
#include <platform/named_event.h>
#include <platform/stop_signal.h>
#include <registration/command_line.h>

#include "program_entry.h"
#include "sim_connect_module.h"

int main(int argc, char** argv) {
  // An operator's stop (Ctrl-C, SIGTERM) ends the session like the named
  // quit event does.
  platform::watchStopRequests([] {
    if (auto quit = platform::NamedEvent::createOrOpen(kQuitEventName, true, false)) quit->set();
  });

  // The driver's entry in the simulators' launch files is "KESTRIX Module".
  return runProgramEntry(registration::argumentTextOf(argc, argv),
                         registration::launchEntryActionsFor("KESTRIX Module"));
}
