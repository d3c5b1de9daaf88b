#include "simulator_world.h"

#include <platform/xml_document.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace regtest {

void writeRegistry(const testsupport::TestEnvironment& env, const std::vector<RegistryEntry>& entries) {
  std::string folder = env.root() + "/registry";
  std::filesystem::create_directories(folder);
  for (const auto& entry : entries) {
    std::string file = folder + "/" + entry.hive + ".reg";
    bool fresh = !std::filesystem::exists(file);
    std::ofstream out(file, std::ios::app | std::ios::binary);
    if (fresh) out << "REGEDIT4\n";
    out << "\n[" << entry.hive << "\\" << entry.key << "]\n" << entry.valueLine << "\n";
  }
}

RegistryEntry installedAt(const std::string& hive, const std::string& key, const std::string& value) {
  return {hive, key, "\"" + value + "\"=\"C:\\\\Simulator\\\\\""};
}

std::string fsxLaunchFile(const testsupport::TestEnvironment& env) {
  return env.appData() + "/Microsoft/FSX/EXE.XML";
}

std::string prepar3Dv4LaunchFile(const testsupport::TestEnvironment& env) {
  return env.programData() + "/Lockheed Martin/Prepar3D v4/EXE.XML";
}

std::vector<std::string> filesBelow(const std::string& folder) {
  std::vector<std::string> files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    files.push_back(std::filesystem::relative(entry.path(), folder).string() +
                    (entry.is_directory() ? "/" : ""));
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> rootChildren(const std::string& launchFile) {
  platform::XmlDocument document;
  std::vector<std::string> names;
  if (!document.loadFile(launchFile)) return {"<" + document.parseError().reason + ">"};
  for (const auto& child : document.root().childElements()) names.push_back(child.name());
  return names;
}

std::vector<LaunchAddon> addonsOf(const std::string& launchFile) {
  platform::XmlDocument document;
  std::vector<LaunchAddon> addons;
  if (!document.loadFile(launchFile)) return addons;
  for (const auto& element : document.root().selectNodes("Launch.Addon")) {
    LaunchAddon addon;
    addon.name = element.selectSingleNode("Name").text();
    addon.disabled = element.selectSingleNode("Disabled").text();
    addon.manualLoad = element.selectSingleNode("ManualLoad").text();
    addon.commandLine = element.selectSingleNode("CommandLine").text();
    addon.path = element.selectSingleNode("Path").text();
    for (const auto& field : element.childElements()) addon.fields.push_back(field.name());
    addons.push_back(addon);
  }
  return addons;
}

std::string launchFileWith(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
      "<SimBase.Document Type=\"Launch\" version=\"1,0\">\r\n"
      "  <Descr>Launch</Descr>\r\n"
      "  <Filename>EXE.XML</Filename>\r\n";
  for (const auto& [name, path] : entries)
    text += "  <Launch.Addon>\r\n    <Name>" + name +
            "</Name>\r\n    <Disabled>False</Disabled>\r\n    <Path>" + path +
            "</Path>\r\n  </Launch.Addon>\r\n";
  return text + "</SimBase.Document>\r\n";
}

const char kSavedDefaultDocument[] =
    "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
    "<SimBase.Document Type=\"Launch\" version=\"1,0\">\n"
    "\t<Descr>Launch</Descr>\n"
    "\t<Filename>EXE.XML</Filename>\n"
    "\t<Disabled>False</Disabled>\n"
    "\t<Launch.ManualLoad>False</Launch.ManualLoad>\n"
    "</SimBase.Document>\n";

}  // namespace regtest
