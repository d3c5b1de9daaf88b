#pragma once
// Simulators "installed" in a test world's registry, and a look into the
// launch files that registration writes.
#include <string>
#include <vector>

#include "test_environment.h"

namespace regtest {

// Registry keys whose values show an installed simulator.
constexpr char kFsxKey[] = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
constexpr char kEspKey[] = "SOFTWARE\\Microsoft\\Microsoft ESP\\1.0";
constexpr char kPrepar3DKey[] = "SOFTWARE\\LockheedMartin\\Prepar3D";
constexpr char kPrepar3Dv2Key[] = "SOFTWARE\\Lockheed Martin\\Prepar3D v2";
constexpr char kPrepar3Dv3Key[] = "SOFTWARE\\Lockheed Martin\\Prepar3D v3";
constexpr char kPrepar3Dv4Key[] = "SOFTWARE\\Lockheed Martin\\Prepar3D v4";

// One value in REGEDIT4 form, e.g. {"HKEY_LOCAL_MACHINE", kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\""}.
struct RegistryEntry {
  std::string hive;
  std::string key;
  std::string valueLine;
};

// Adds the entries to the world's hive files.
void writeRegistry(const testsupport::TestEnvironment& env, const std::vector<RegistryEntry>& entries);

// The usual sign of an installed simulator: a path string at the value.
RegistryEntry installedAt(const std::string& hive, const std::string& key, const std::string& value);

// The launch-file folders of the world.
std::string fsxLaunchFile(const testsupport::TestEnvironment& env);
std::string prepar3Dv4LaunchFile(const testsupport::TestEnvironment& env);

// Every file below a folder, relative to it, sorted; empty when the folder
// does not exist.
std::vector<std::string> filesBelow(const std::string& folder);

// A launch file's children of the root by element name, and its entries.
struct LaunchAddon {
  std::string name, disabled, manualLoad, commandLine, path;
  std::vector<std::string> fields;  // the element names in order
  bool operator==(const LaunchAddon&) const = default;
};
std::vector<std::string> rootChildren(const std::string& launchFile);
std::vector<LaunchAddon> addonsOf(const std::string& launchFile);

// An EXE.XML holding the given Launch.Addon entries (name, path).
std::string launchFileWith(const std::vector<std::pair<std::string, std::string>>& entries);

// The default launch document as our save writes it.
extern const char kSavedDefaultDocument[];

}  // namespace regtest
