#pragma once
#include <string>
#include <vector>

#include "registration/launch_file.h"

namespace registration {

// "/RegisterFSx": adds the running program to the launch file of every
// installed simulator, under entryName. A launch file that cannot be read
// stops the whole run before anything is written; an entry that cannot be
// added shows a message under entryName and nothing is saved; a file that
// cannot be saved is reported and the others are still saved. True only
// when every installed simulator's launch file now holds the entry (also
// when no simulator is installed: there is nothing to do).
bool registerLaunchEntry(const std::string& entryName);

// "/UnregisterFSx": removes the entry named entryName from every installed
// simulator's launch file; again nothing is written unless all could be
// read. True only when every launch file was written.
bool unregisterLaunchEntry(const std::string& entryName);

// The same runs on launch files already found, in the order given.
bool registerLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName,
                           const std::string& programPath);
bool unregisterLaunchEntryIn(const std::vector<LaunchFile*>& files, const std::string& entryName);

}  // namespace registration
