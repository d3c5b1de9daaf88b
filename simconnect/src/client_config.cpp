#include "client_config.h"

#include <platform/profile_file.h>
#include <platform/system_facts.h>
#include <simconnect/local_pipe.h>

#include <charconv>
#include <optional>
#include <vector>

namespace simconnect {
namespace {

constexpr char kConfigFileName[] = "SimConnect.cfg";

bool equalsIgnoringCase(const std::string& a, const char* b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && !b[i];
}

// The section of the file that serves the index, or "" when there is none.
std::string findSection(const std::string& path, uint32_t configIndex) {
  std::vector<std::string> candidates = {"SimConnect." + std::to_string(configIndex)};
  if (configIndex == 0) candidates.push_back("SimConnect");
  for (const auto& section : candidates) {
    if (!platform::getProfileString(section, "Protocol", "", path).empty() ||
        !platform::getProfileString(section, "Address", "", path).empty() ||
        !platform::getProfileString(section, "Port", "", path).empty())
      return section;
  }
  return "";
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of(std::string("/") + platform::kPathSeparator);
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The user's home folder: $HOME, else (Windows) $USERPROFILE.
std::optional<std::string> homeFolder() {
  if (auto home = platform::environmentValue("HOME"); home && !home->empty()) return home;
  return platform::environmentValue("USERPROFILE");
}

// Where the file is looked for, in order: beside the program (a simulator
// that starts the program from its launch file makes its own folder the
// current one), the current folder, the home folder.
std::vector<std::string> configFileCandidates() {
  std::vector<std::string> files;
  const std::string program = platform::ownProgramPath();
  const std::string sep(1, platform::kPathSeparator);
  if (!program.empty()) files.push_back(folderOf(program) + sep + kConfigFileName);
  files.push_back(kConfigFileName);
  if (auto home = homeFolder()) files.push_back(*home + sep + kConfigFileName);
  return files;
}

}  // namespace

Endpoint endpointForConfigIndex(uint32_t configIndex) {
  for (const auto& path : configFileCandidates()) {
    std::string section = findSection(path, configIndex);
    if (section.empty()) continue;
    std::string protocol = platform::getProfileString(section, "Protocol", "IPv4", path);
    std::string address = platform::getProfileString(section, "Address", "", path);
    std::string portText = platform::getProfileString(section, "Port", "", path);
    Endpoint e;
    e.disableNagle = platform::getProfileInt(section, "DisableNagle", 0, path) != 0;
    if (equalsIgnoringCase(protocol, "Pipe")) {
      // The pipe is on this computer; Address would name the computer.
      e.kind = Endpoint::Kind::LocalPipe;
      e.address = portText.empty() ? kDefaultPipeName : portText;
      return e;
    }
    e.kind = equalsIgnoringCase(protocol, "IPv6") ? Endpoint::Kind::Tcp6 : Endpoint::Kind::Tcp4;
    e.address = address.empty() ? (e.kind == Endpoint::Kind::Tcp4 ? "127.0.0.1" : "::1") : address;
    int port = platform::getProfileInt(section, "Port", 0, path);
    e.port = (port > 0 && port < 65536) ? static_cast<uint16_t>(port) : 0;
    return e;
  }
  Endpoint local;
  local.address = kDefaultPipeName;
  return local;
}

}  // namespace simconnect
