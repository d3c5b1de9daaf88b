// kestrix-module: the panel driver.
#include <registration/command_line.h>

#include "program_entry.h"

int main(int argc, char** argv) {
  // The driver's entry in the simulators' launch files is "KESTRIX Module".
  return runProgramEntry(registration::argumentTextOf(argc, argv),
                         registration::launchEntryActionsFor("KESTRIX Module"));
}
