#pragma once
#include <registration/command_line.h>

#include <string>

#include "fsuipc_link.h"

// The bridge's entry: argumentText is the command line after the program
// path. Returns the exit code: 0, 1 (another instance runs) or -1 (invalid
// argument).
int runBridgeEntry(const std::string& argumentText,
                   const registration::LaunchEntryActions& launchEntry, FsuipcLink& link,
                   const std::string& configPath);

constexpr char kBridgeMutexName[] = "{0215F0E5-17C3-45ec-9533-CC2A8635043C}";
