#include "client_config.h"

#include <platform/profile_file.h>
#include <platform/runtime_dir.h>
#include <platform/system_facts.h>

#include <charconv>
#include <strings.h>
#include <vector>

namespace simconnect {
namespace {

constexpr char kConfigFileName[] = "SimConnect.cfg";

bool equalsIgnoringCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
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

}  // namespace

std::string defaultLocalSocketPath() { return platform::runtimeDir() + "/simconnect.sock"; }

Endpoint endpointForConfigIndex(uint32_t configIndex) {
  Endpoint local;
  local.address = defaultLocalSocketPath();

  std::vector<std::string> files = {kConfigFileName};
  if (auto home = platform::environmentValue("HOME"))
    files.push_back(*home + "/" + kConfigFileName);

  for (const auto& path : files) {
    std::string section = findSection(path, configIndex);
    if (section.empty()) continue;
    std::string protocol = platform::getProfileString(section, "Protocol", "Pipe", path);
    std::string address = platform::getProfileString(section, "Address", "", path);
    int port = platform::getProfileInt(section, "Port", 0, path);
    Endpoint e;
    e.disableNagle = platform::getProfileInt(section, "DisableNagle", 0, path) != 0;
    if (equalsIgnoringCase(protocol, "IPv4") || equalsIgnoringCase(protocol, "IPv6")) {
      e.kind = equalsIgnoringCase(protocol, "IPv4") ? Endpoint::Kind::Tcp4 : Endpoint::Kind::Tcp6;
      e.address = address.empty() ? (e.kind == Endpoint::Kind::Tcp4 ? "127.0.0.1" : "::1")
                                  : address;
      e.port = (port > 0 && port < 65536) ? static_cast<uint16_t>(port) : 0;
      return e;
    }
    e.kind = Endpoint::Kind::LocalSocket;
    e.address = (!address.empty() && address[0] == '/') ? address : local.address;
    return e;
  }
  return local;
}

}  // namespace simconnect
