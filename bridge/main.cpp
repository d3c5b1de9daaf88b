// squarix: the transponder bridge.
#include <platform/runtime_dir.h>
#include <platform/system_facts.h>
#include <registration/command_line.h>

#include "bridge_config.h"
#include "bridge_entry.h"
#include "fsuipc_link.h"

int main(int argc, char** argv) {
  // The link is opened once, silently, before anything else; transponder
  // events open it again whenever it is closed. Not in a runtime folder that
  // is not ours: the session run refuses to start then, and says why.
  FsuipcLink link;
  if (!platform::runtimeDirProblem()) link.open();

  int exitCode = runBridgeEntry(registration::argumentTextOf(argc, argv),
                                registration::launchEntryActionsFor("Squarix"), link,
                                configurationPathFor(platform::ownProgramPath()));
  link.close();
  return exitCode;
}
