#pragma once
#include <registration/command_line.h>

#include <string>

// The panel driver's entry: argumentText is the command line after the
// program path. Returns the exit code: 0, 1 (another instance runs) or -1
// (invalid argument).
int runProgramEntry(const std::string& argumentText,
                    const registration::LaunchEntryActions& launchEntry);

constexpr char kSingleInstanceMutexName[] = "{086CE50B-E565-468e-AB46-91D5F61B5300}";
constexpr char kProgramCaption[] = "KESTRIX Module";
