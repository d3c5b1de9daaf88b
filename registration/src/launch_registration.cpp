#include "registration/launch_registration.h"

#include <platform/system_facts.h>
#include <platform/xml_document.h>

#include <memory>

#include "registration/simulator_discovery.h"
#include "registration_messages.h"

namespace registration {
namespace {

// Every file is loaded, also after a failure, so that each broken one shows
// its own message; the run goes on only when all loaded.
bool loadAll(const std::vector<LaunchFile*>& files) {
  bool allLoaded = true;
  for (LaunchFile* file : files) allLoaded = file->load() && allLoaded;
  return allLoaded;
}

// Every file is saved, also after a failure: each one that fails shows its
// own message and the others still get the change.
bool saveAll(const std::vector<LaunchFile*>& files) {
  bool allSaved = true;
  for (LaunchFile* file : files) allSaved = file->save() && allSaved;
  return allSaved;
}

std::vector<LaunchFile*> viewOf(const std::vector<std::unique_ptr<SimulatorLaunchFile>>& owned) {
  std::vector<LaunchFile*> files;
  for (const auto& file : owned) files.push_back(file.get());
  return files;
}

}  // namespace

bool registerLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName,
                           const std::string& programPath) {
  if (files.empty()) return true;
  // A path of bytes that are no text (a Linux path may hold any byte but
  // '/' and NUL) would make a launch file no reader accepts.
  if (!platform::isXmlText(programPath)) {
    showPathRefused(entryName, programPath);
    return false;
  }
  if (!loadAll(files)) return false;
  for (LaunchFile* file : files) {
    if (!file->addEntry(entryName, programPath, /*disabled=*/false, /*manualLoad=*/false)) {
      showAddFailure(entryName);
      return false;
    }
  }
  // A save that fails leaves that file whole as it was.
  return saveAll(files);
}

bool unregisterLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName) {
  if (files.empty()) return true;
  if (!loadAll(files)) return false;
  for (LaunchFile* file : files) file->removeEntry(entryName);
  return saveAll(files);
}

bool registerLaunchEntry(const std::string& entryName) {
  DiscoveredLaunchFiles discovered = discoverSimulatorLaunchFiles();
  const bool done =
      registerLaunchEntryIn(viewOf(discovered.found), entryName, platform::ownProgramPath());
  return done && discovered.skipped == 0;
}

bool unregisterLaunchEntry(const std::string& entryName) {
  DiscoveredLaunchFiles discovered = discoverSimulatorLaunchFiles();
  const bool done = unregisterLaunchEntryIn(viewOf(discovered.found), entryName);
  return done && discovered.skipped == 0;
}

}  // namespace registration
