#include "squarix_fixture.h"

#include <SimConnect.h>
#include <simconnect/wire.h>

#include <filesystem>

#include "remembered_config.h"

namespace e2e {

TransponderSender::~TransponderSender() {
  if (simConnect_) SimConnect_Close(simConnect_);
}

bool TransponderSender::open() {
  if (FAILED(SimConnect_Open(&simConnect_, "Panel", nullptr, 0, nullptr, 0))) return false;
  const char* names[] = {"ZRQ-XPNDR.Mode", "ZRQ-XPNDR.Position", "ZRQ-XPNDR.Status",
                         "ZRQ-XPNDR.Ident"};
  for (DWORD id = 0; id < 4; ++id)
    if (FAILED(SimConnect_MapClientEventToSimEvent(simConnect_, 200 + id, names[id]))) return false;
  return true;
}

bool TransponderSender::send(const std::string& name, uint32_t data) {
  const char* names[] = {"ZRQ-XPNDR.Mode", "ZRQ-XPNDR.Position", "ZRQ-XPNDR.Status",
                         "ZRQ-XPNDR.Ident"};
  for (DWORD id = 0; id < 4; ++id)
    if (name == names[id])
      return SUCCEEDED(SimConnect_TransmitClientEvent(simConnect_, 0, 200 + id, data,
                                                      SIMCONNECT_GROUP_PRIORITY_HIGHEST,
                                                      SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY));
  return false;
}

SquarixTest::SquarixTest() : programFolder(env.root() + "/program") {
  namespace fs = std::filesystem;
  fs::create_directories(programFolder);
  fs::copy_file(testsupport::programPath("squarix"), programPath());
  EXPECT_TRUE(fsuipc.open());
}

void SquarixTest::TearDown() {
  if (bridge && bridge->running()) {
    bridge->requestStop();
    bridge->waitForExit(kBridgeDeadline);
  }
  bridge.reset();
  sim.reset();
}

void SquarixTest::startLab(bool flightRunning) {
  lab::Simulator::Options options;
  options.flightRunning = flightRunning;
  sim = std::make_unique<lab::Simulator>(options);
  ASSERT_TRUE(sim->start());
}

void SquarixTest::writeModules(const std::string& modules) {
  testsupport::writeFile(configPath(),
                         "<?xml version=\"1.0\"?>\n<quornellimited><squarix><modules>\n" + modules +
                             "\n</modules></squarix></quornellimited>\n");
}

void SquarixTest::remember(const std::string& name) { ASSERT_TRUE(rememberConfig(name)); }

std::unique_ptr<platform::ChildProcess> SquarixTest::startBridge(const std::vector<std::string>& args) {
  auto process = testsupport::startProgramIn(env, programPath(), args);
  EXPECT_TRUE(process) << "cannot start " << programPath();
  return process;
}

std::pair<std::optional<int>, std::string> SquarixTest::runToEnd(const std::vector<std::string>& args) {
  auto process = startBridge(args);
  if (!process) return {};
  auto exitCode = process->waitForExit(kBridgeDeadline);
  return {exitCode, process->output()};
}

bool SquarixTest::waitForConnection() {
  return sim->waitUntil(
      [&] {
        for (const auto& c : sim->clients())
          if (c.name == "Squarix" && c.connected && c.opened) return true;
        return false;
      },
      kBridgeDeadline);
}

std::vector<std::string> SquarixTest::bridgeMenu() const {
  std::vector<std::string> items;
  for (const auto& m : sim->menus())
    if (m.clientName == "Squarix")
      items.push_back((m.parentEventId ? "  " : "") + m.text + " [" + std::to_string(m.eventId) + "]");
  return items;
}

bool SquarixTest::waitForMenu() {
  return sim->waitUntil([&] { return bridgeMenu().size() == 3; }, kBridgeDeadline);
}

bool SquarixTest::waitUntilListening() {
  return sim->waitUntil(
      [&] {
        // Setting the group's priority is the last call of the set-up.
        for (const auto& r : sim->requests())
          if (r.clientName == "Squarix" &&
              r.callType == static_cast<uint32_t>(simconnect::wire::CallType::SetNotificationGroupPriority))
            return true;
        return false;
      },
      kBridgeDeadline);
}

bool SquarixTest::waitForText(const std::string& text) {
  return sim->waitUntil(
      [&] {
        for (const auto& t : sim->texts())
          if (t.clientName == "Squarix" && t.text == text) return true;
        return false;
      },
      kBridgeDeadline);
}

namespace {

std::vector<lab::FsuipcWrite> withoutHandshake(const std::vector<lab::FsuipcWrite>& all) {
  std::vector<lab::FsuipcWrite> writes;
  for (auto& write : all)
    if (write.offset != lab::FsuipcServer::kLibraryVersionOffset) writes.push_back(write);
  return writes;
}

}  // namespace

void SquarixTest::startListeningWith(const std::string& modules, const std::string& module) {
  writeModules(modules);
  remember(module);
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitUntilListening());
  ASSERT_TRUE(panel.open());
}

std::vector<lab::FsuipcWrite> SquarixTest::functionWrites() const {
  return withoutHandshake(fsuipc.writes());
}

bool SquarixTest::waitForFunctionWrites(size_t count, std::chrono::milliseconds timeout) const {
  return fsuipc.waitUntil(
      [&](const std::vector<lab::FsuipcWrite>& all) { return withoutHandshake(all).size() > count; },
      timeout);
}

}  // namespace e2e
