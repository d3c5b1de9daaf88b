#pragma once
#include <platform/xml_document.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim_screen.h"

// The configuration file beside the program: named modules, one per
// aircraft or add-on, each saying which FSUIPC writes make up each
// transponder function. The user picks the current module through a menu in
// the simulator; the choice is remembered in the registry.
//
//   <quornellimited><squarix><modules>
//     <module name="..."><function name="TARA"><fsuipc offset=".." size=".." data=".."/>
//
// Main thread only.
class BridgeConfig {
 public:
  // requestQuit is called when the file cannot be loaded: the bridge ends.
  BridgeConfig(std::string configPath, SimScreen& screen, std::function<void()> requestQuit);

  // (Re)loads the file and selects the remembered module, or offers the
  // chooser when there is none. False when the file could not be loaded;
  // the user was told and the bridge is asked to end.
  bool loadConfiguration();
  // Sends the chooser menu listing every named module that fits in one
  // message; its title says how many more there are.
  void showConfigChooser();
  // Handles the chooser's result: 0 to 9 choose the name at that position.
  // A choice the registry cannot store is shown as such and still holds
  // until the bridge ends.
  void applyChosenConfig(uint32_t result);

  // The module whose functions run; empty while there is none.
  platform::XmlElement currentModule() const { return current_; }
  // The names the chooser lists, in document order.
  std::vector<std::string> listedNames() const;
  const std::string& path() const { return path_; }

 private:
  // The listed names that fit in the chooser; leftOut: how many do not.
  std::vector<std::string> chooserNames(size_t* leftOut) const;

  std::string path_;
  SimScreen& screen_;
  std::function<void()> requestQuit_;
  std::unique_ptr<platform::XmlDocument> document_;
  std::vector<platform::XmlElement> modules_;
  platform::XmlElement current_;
  std::optional<std::string> choiceOfThisRun_;
};

// Where the configuration of a program lives: beside it, named after it,
// with the extension ".XML" ("squarix" -> "squarix.XML", "Squarix.exe" ->
// "Squarix.XML").
std::string configurationPathFor(const std::string& programPath);
