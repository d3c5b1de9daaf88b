#include "registration/simulator_launch_file.h"

#include <utility>

#include "default_launch_document.h"
#include "registration_messages.h"
#include "simulator_kind_description.h"

namespace registration {
namespace {

constexpr char kLaunchFileName[] = "EXE.XML";

const char* flagText(bool flag) { return flag ? "True" : "False"; }

}  // namespace

SimulatorLaunchFile::SimulatorLaunchFile(SimulatorKind kind, const std::string& folder)
    : kind_(kind),
      fileName_(kLaunchFileName),
      fullPath_(folder + kLaunchFileName),
      caption_(launchFileCaption(kind)) {}

bool SimulatorLaunchFile::load() {
  if (!turn_) turn_ = std::make_unique<platform::FileEditTurn>(fullPath_);
  root_ = {};
  if (document_.loadFile(fullPath_)) {
    root_ = document_.root();
    return true;
  }
  const platform::XmlParseError& error = document_.parseError();
  if (error.code == platform::kXmlResourceNotFound) {
    // The file is only written when the document is saved.
    document_.loadText(defaultLaunchDocument(fileName_));
    root_ = document_.root();
    return true;
  }
  showLoadError(caption_, fileName_, error);
  return false;
}

bool SimulatorLaunchFile::addEntry(const std::string& entryName, const std::string& programPath,
                                   bool disabled, bool manualLoad) {
  if (!root_) return false;
  removeEntry(entryName);  // registering again replaces the old entry
  platform::XmlElement entry = root_.appendElement("Launch.Addon");
  if (!entry) return false;
  const std::pair<const char*, std::string> fields[] = {
      {"Name", entryName},
      {"Disabled", flagText(disabled)},
      {"ManualLoad", flagText(manualLoad)},
      {"CommandLine", ""},
      {"Path", programPath},
  };
  for (const auto& [name, text] : fields) {
    platform::XmlElement field = entry.appendElement(name);
    if (!field) return false;
    if (!field.setText(text)) return false;
  }
  return true;
}

bool SimulatorLaunchFile::removeEntry(const std::string& entryName) {
  if (!root_) return true;
  // The name travels as a query variable, so that no name can change the
  // query itself. Only the first entry of that name goes.
  platform::XmlElement entry =
      root_.selectSingleNode("Launch.Addon[Name = $name]", {{"name", entryName}});
  if (entry) entry.parent().removeChild(entry);
  return true;
}

bool SimulatorLaunchFile::save() {
  std::string reason;
  if (document_.save(fullPath_, &reason)) return true;
  showSaveError(caption_, fullPath_, reason);
  return false;
}

}  // namespace registration
