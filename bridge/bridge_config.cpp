#include "bridge_config.h"

#include <platform/system_facts.h>
#include <platform/user_notice.h>

#include <utility>

#include "remembered_config.h"

namespace {

constexpr char kCaption[] = "Squarix Bridge";
constexpr char kModulesQuery[] = "/quornellimited/squarix/modules/module";
// The name travels as a query variable, so any text (quotes included) is
// compared as it stands and can never change the query itself.
constexpr char kModuleByNameQuery[] = "/quornellimited/squarix/modules/module[@name=$name]";
constexpr char kChooserTitle[] = "Squarix Configuration";
constexpr char kChooserPrompt[] = "Please choose one of the available configurations:";
constexpr uint32_t kChoices = 10;
// The most a SimConnect text carries: one 64 KiB message less its header.
constexpr size_t kLargestMenuBlock = 65536 - 32;
constexpr float kNoticeSeconds = 5.0f;

std::string chooserTitle(size_t leftOut) {
  if (leftOut == 0) return kChooserTitle;
  return std::string(kChooserTitle) + " (" + std::to_string(leftOut) + " more not listed)";
}

// The block's size: every string followed by its NUL.
size_t blockSize(const std::string& title, const std::vector<std::string>& names) {
  size_t size = title.size() + 1 + sizeof kChooserPrompt;
  for (const std::string& name : names) size += name.size() + 1;
  return size;
}

}  // namespace

std::string configurationPathFor(const std::string& programPath) {
  std::string path = programPath;
  auto slash = path.find_last_of(std::string("/") + platform::kPathSeparator);
  auto dot = path.find_last_of('.');
  bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (hasExtension && path.size() - dot == 4) path.resize(dot);
  return path + ".XML";
}

BridgeConfig::BridgeConfig(std::string configPath, SimScreen& screen,
                           std::function<void()> requestQuit)
    : path_(std::move(configPath)), screen_(screen), requestQuit_(std::move(requestQuit)) {}

bool BridgeConfig::loadConfiguration() {
  // A failed load leaves the document that was loaded before untouched.
  auto document = std::make_unique<platform::XmlDocument>();
  if (!document->loadFile(path_)) {
    const platform::XmlParseError& error = document->parseError();
    if (error.code == platform::kXmlResourceNotFound) {
      platform::showMessageBox(kCaption,
                               "Unable to load configuration file.  Please check your installation.",
                               platform::MessageIcon::Error);
    } else {
      platform::showMessageBox(kCaption,
                               "Error loading " + path_ + " at line " +
                                   std::to_string(error.line) + "\n" + error.reason,
                               platform::MessageIcon::Error);
    }
    if (requestQuit_) requestQuit_();
    return false;
  }
  document_ = std::move(document);
  platform::XmlElement root = document_->root();
  modules_ = root ? root.selectNodes(kModulesQuery) : std::vector<platform::XmlElement>{};
  current_ = {};
  // A choice that could not be stored still holds for this run.
  auto name = choiceOfThisRun_ ? choiceOfThisRun_ : readRememberedConfig();
  if (name && root) current_ = root.selectSingleNode(kModuleByNameQuery, {{"name", *name}});
  if (!current_) showConfigChooser();
  return true;
}

std::vector<std::string> BridgeConfig::listedNames() const {
  std::vector<std::string> names;
  for (const platform::XmlElement& module : modules_) {
    auto name = module.attribute("name");
    if (name && !name->empty()) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> BridgeConfig::chooserNames(size_t* leftOut) const {
  std::vector<std::string> names = listedNames();
  if (blockSize(kChooserTitle, names) > kLargestMenuBlock) {
    // The names that fit, in order, under a title that says how many are
    // missing (room for it is kept with the count of all names).
    const size_t all = names.size();
    size_t used = blockSize(chooserTitle(all), {});
    size_t fitting = 0;
    while (fitting < all && used + names[fitting].size() + 1 <= kLargestMenuBlock)
      used += names[fitting++].size() + 1;
    names.resize(fitting);
    if (leftOut) *leftOut = all - fitting;
  } else if (leftOut) {
    *leftOut = 0;
  }
  return names;
}

void BridgeConfig::showConfigChooser() {
  size_t leftOut = 0;
  std::vector<std::string> names = chooserNames(&leftOut);
  std::string block;
  block.append(chooserTitle(leftOut)).push_back('\0');
  block.append(kChooserPrompt).push_back('\0');
  for (const std::string& name : names) block.append(name).push_back('\0');
  screen_.showMenu(block);
}

void BridgeConfig::applyChosenConfig(uint32_t result) {
  // Higher values are the simulator's notices about the menu itself
  // (displayed, queued, removed, replaced, timed out).
  if (result >= kChoices) return;
  std::vector<std::string> names = chooserNames(nullptr);
  if (result >= names.size()) return;
  const std::string& chosen = names[result];
  if (rememberConfig(chosen)) {
    choiceOfThisRun_.reset();
  } else {
    choiceOfThisRun_ = chosen;
    screen_.showSimText("Squarix: the choice of \"" + chosen +
                            "\" could not be stored; it holds until the bridge ends",
                        kNoticeSeconds);
  }
  loadConfiguration();
}
