#include "data_folder.h"

#include <platform/system_facts.h>

std::string getDataFolder() {
  const std::string sep(1, platform::kPathSeparator);
  std::string folder =
      platform::roamingAppDataFolder() + sep + "Quornel Limited" + sep + "SimConnect Modules";
  platform::createFolderChain(folder);
  return folder;
}
