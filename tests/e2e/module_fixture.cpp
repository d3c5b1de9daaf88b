#include "module_fixture.h"

#include <platform/named_event.h>

#include <filesystem>

namespace e2e {

void ModuleTest::TearDown() {
  if (module && module->running()) {
    module->requestStop();
    module->waitForExit(kDeadline);
  }
  module.reset();
  sim.reset();
}

void ModuleTest::startLab(bool flightRunning) {
  lab::Simulator::Options options;
  options.flightRunning = flightRunning;
  sim = std::make_unique<lab::Simulator>(options);
  ASSERT_TRUE(sim->start());
}

void ModuleTest::writeSettings(const std::vector<std::string>& entries) {
  std::string text;
  std::string section;
  for (const auto& entry : entries) {
    auto slash = entry.find('/');
    std::string s = entry.substr(0, slash);
    if (s != section) {
      text += "[" + s + "]\n";
      section = s;
    }
    text += entry.substr(slash + 1) + "\n";
  }
  testsupport::writeFile(settingsPath(), text);
}

std::unique_ptr<platform::ChildProcess> ModuleTest::startModule(const std::vector<std::string>& args) {
  auto process = testsupport::startProgramIn(env, testsupport::programPath("kestrix-module"), args);
  EXPECT_TRUE(process) << "cannot start kestrix-module";
  return process;
}

bool ModuleTest::waitForConnection(size_t count) {
  return sim->waitUntil(
      [&] {
        size_t seen = 0;
        bool connected = false;
        for (const auto& c : sim->clients()) {
          if (c.name != "Kestrix") continue;
          ++seen;
          connected = c.connected;
        }
        return seen >= count && connected;
      },
      kDeadline);
}

bool ModuleTest::waitForMenu() {
  return sim->waitUntil(
      [&] {
        size_t items = 0;
        for (const auto& m : sim->menus())
          if (m.clientName == "Kestrix") ++items;
        return items == 3;
      },
      kDeadline);
}

std::vector<lab::TextRecord> ModuleTest::textsEqualTo(const std::string& text) const {
  std::vector<lab::TextRecord> found;
  for (const auto& t : sim->texts())
    if (t.text == text) found.push_back(t);
  return found;
}

bool ModuleTest::waitForText(const std::string& text) {
  return sim->waitUntil([&] { return !textsEqualTo(text).empty(); }, kDeadline);
}

std::string ModuleTest::logText() const {
  return testsupport::readFile(env.dataFolder() + "/Kestrix.log");
}

bool ModuleTest::waitForLogLine(const std::string& fragment) {
  return testsupport::eventually([&] { return logText().find(fragment) != std::string::npos; },
                                 kDeadline);
}

void ModuleTest::setQuitEventFromOutside() {
  auto quit = platform::NamedEvent::createOrOpen("{392BF99C-47D1-4625-A8C5-3117E545D3B0}", true, false);
  ASSERT_TRUE(quit);
  quit->set();
}

}  // namespace e2e
