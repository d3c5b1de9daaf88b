#include "registration/launch_registration.h"

#include <platform/system_facts.h>

#include <memory>

#include "registration/simulator_discovery.h"
#include "registration_messages.h"

namespace registration {
namespace {

// Every file is loaded, also after a failure, so that each broken one shows
// its own message; the run goes on only when all loaded.
bool loadAll(const std::vector<LaunchFile*>& files) {
  bool allLoaded = !files.empty();
  for (LaunchFile* file : files) allLoaded = file->load() && allLoaded;
  return allLoaded;
}

std::vector<LaunchFile*> viewOf(const std::vector<std::unique_ptr<SimulatorLaunchFile>>& owned) {
  std::vector<LaunchFile*> files;
  for (const auto& file : owned) files.push_back(file.get());
  return files;
}

}  // namespace

void registerLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName,
                           const std::string& programPath) {
  if (!loadAll(files)) return;
  for (LaunchFile* file : files) {
    if (!file->addEntry(entryName, programPath, /*disabled=*/false, /*manualLoad=*/false)) {
      showAddFailure(entryName);
      return;
    }
  }
  // Save results are not reported; a save that fails leaves that file whole
  // as it was.
  for (LaunchFile* file : files) file->save();
}

void unregisterLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName) {
  if (!loadAll(files)) return;
  for (LaunchFile* file : files) file->removeEntry(entryName);
  for (LaunchFile* file : files) file->save();
}

void registerLaunchEntry(const std::string& entryName) {
  auto owned = discoverSimulatorLaunchFiles();
  registerLaunchEntryIn(viewOf(owned), entryName, platform::ownProgramPath());
}

void unregisterLaunchEntry(const std::string& entryName) {
  auto owned = discoverSimulatorLaunchFiles();
  unregisterLaunchEntryIn(viewOf(owned), entryName);
}

}  // namespace registration
