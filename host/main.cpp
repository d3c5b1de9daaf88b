// kestrix-module: the panel driver.
#include <platform/system_facts.h>
#include <registration/command_line.h>

#include "program_entry.h"

int main(int argc, char** argv) {
  platform::useCompactThreadStacks();
  // The driver's entry in the simulators' launch files is "KESTRIX Module".
  return runProgramEntry(registration::argumentTextOf(argc, argv),
                         registration::launchEntryActionsFor("KESTRIX Module"));
}
