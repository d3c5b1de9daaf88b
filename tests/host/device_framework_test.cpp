// The device framework with a stand-in panel class, real lab boards and the
// lab simulator.
#include <gtest/gtest.h>
#include <controller/vantrix_controllers.h>
#include <lab/boards.h>
#include <lab/simulator.h>
#include <platform/named_mutex.h>

#include <cstdio>

#include "device_host.h"
#include "device_registry.h"
#include "session_work_queue.h"
#include "test_environment.h"

namespace {

using namespace std::chrono_literals;

// A panel that records what the framework does with it.
class ProbePanel : public CSimConnectDevice {
 public:
  static constexpr int kModel = 0x3401;
  static int constructed;
  explicit ProbePanel(const DeviceCreateInfo* info) : CSimConnectDevice(kModel, info) { ++constructed; }
  void RegisterSimConnectData(int) override {}
  void ReleaseSimConnectData() override {}
  void SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD) override {
    seen.push_back(message->dwID);
  }
  using CSimConnectDevice::postToSession;
  const std::string& serial() const { return serialText_; }
  int revision() const { return boardRevision_; }
  const DiagnosticLog& log() const { return log_; }
  std::vector<DWORD> seen;
};
int ProbePanel::constructed = 0;

class OtherPanel : public ProbePanel {
 public:
  explicit OtherPanel(const DeviceCreateInfo* info) : ProbePanel(info) { modelNumber_ = 0x3402; }
};

class TestHost : public DeviceHost {
 public:
  const std::string& settingsPath() const override { return settings; }
  const DiagnosticLog& sessionLog() const override { return log; }
  void post(std::function<void()> work) override { queue.post(std::move(work)); }
  std::string settings = "/nowhere/Kestrix.ini";
  DiagnosticLog log;
  SessionWorkQueue queue;
};

class DeviceFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProbePanel::constructed = 0;
    rack = std::make_unique<lab::BoardRack>(env.runtimeDir());
  }
  void TearDown() override {
    registry.DeleteAllDevices();
    boards.Close();
    rack.reset();
  }
  std::map<std::string, CVantrixController*> openBoards() {
    EXPECT_TRUE(boards.Open());
    return boards.SelectByModel({"3401", "3402"});
  }
  DeviceCreateInfo infoFor(CVantrixController* controller) {
    DeviceCreateInfo info;
    info.controller = controller;
    info.module = &host;
    return info;
  }

  testsupport::TestEnvironment env;
  std::unique_ptr<lab::BoardRack> rack;
  CVantrixControllers boards;
  TestHost host;
  DeviceRegistry registry;
};

}  // namespace

TEST_F(DeviceFrameworkTest, EachBoardGetsThePanelOfItsModelFromTheFirstFactoryThatFits) {
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000B002", 0x34, 0x02, 2)));
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000A001", 0x34, 0x01, 3)));
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<ProbePanel>>());
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<OtherPanel>>());
  auto selected = openBoards();
  ASSERT_EQ(selected.size(), 2u);
  for (const auto& [serial, controller] : selected) EXPECT_TRUE(registry.CreateDevice(infoFor(controller)));
  ASSERT_EQ(registry.deviceCount(), 2u);

  // The board of the first serial came first; each device claimed its board.
  std::vector<std::string> serials;
  registry.forEachDevice([&](CSimConnectDevice& d) {
    auto& panel = static_cast<ProbePanel&>(d);
    serials.push_back(panel.serial());
    EXPECT_EQ(panel.modelNumber(), panel.serial() == "0000A001" ? 0x3401 : 0x3402);
    EXPECT_EQ(panel.revision(), panel.serial() == "0000A001" ? 3 : 2);
  });
  EXPECT_EQ(serials, (std::vector<std::string>{"0000A001", "0000B002"}));
  EXPECT_TRUE(platform::NamedMutex::openExisting("3e8-0000A001:Locked"));

  EXPECT_EQ(registry.DeleteAllDevices(), 2u);
  EXPECT_FALSE(platform::NamedMutex::openExisting("3e8-0000A001:Locked"));
}

TEST_F(DeviceFrameworkTest, BoardsOfOtherModelsGetNoDeviceAndProbesTouchNoHardware) {
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000B002", 0x34, 0x02, 2)));
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<ProbePanel>>());
  auto selected = openBoards();
  ASSERT_EQ(selected.size(), 1u);
  rack->clearOutputReports("0000B002");
  EXPECT_FALSE(registry.CreateDevice(infoFor(selected.begin()->second)));
  EXPECT_EQ(registry.deviceCount(), 0u);
  EXPECT_EQ(ProbePanel::constructed, 1);  // the probe only
  EXPECT_TRUE(rack->outputReports("0000B002").empty());
  EXPECT_FALSE(registry.CreateDevice(DeviceCreateInfo{}));
}

TEST_F(DeviceFrameworkTest, EveryDeviceSeesEveryMessageInOrder) {
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000A001", 0x34, 0x01, 1)));
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000A002", 0x34, 0x01, 1)));
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<ProbePanel>>());
  for (const auto& [serial, controller] : openBoards()) registry.CreateDevice(infoFor(controller));
  SIMCONNECT_RECV quit{12, 4, SIMCONNECT_RECV_ID_QUIT};
  SIMCONNECT_RECV open{12, 4, SIMCONNECT_RECV_ID_OPEN};
  registry.DispatchToDevices(&open, 12);
  registry.DispatchToDevices(&quit, 12);
  size_t devices = 0;
  registry.forEachDevice([&](CSimConnectDevice& d) {
    ++devices;
    EXPECT_EQ(static_cast<ProbePanel&>(d).seen, (std::vector<DWORD>{2, 3}));
  });
  EXPECT_EQ(devices, 2u);
}

TEST_F(DeviceFrameworkTest, WorkPostedForADeletedDeviceIsDropped) {
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000A001", 0x34, 0x01, 1)));
  registry.addFactory(std::make_unique<SimConnectDeviceFactory<ProbePanel>>());
  ASSERT_TRUE(registry.CreateDevice(infoFor(openBoards().begin()->second)));
  int ran = 0;
  registry.forEachDevice([&](CSimConnectDevice& d) {
    auto& panel = static_cast<ProbePanel&>(d);
    panel.postToSession([&] { ++ran; });
    panel.postToSession([&] { ++ran; });
  });
  host.queue.runPending();
  EXPECT_EQ(ran, 2);
  registry.forEachDevice([&](CSimConnectDevice& d) { static_cast<ProbePanel&>(d).postToSession([&] { ++ran; }); });
  registry.DeleteAllDevices();
  host.queue.runPending();
  EXPECT_EQ(ran, 2);
}

TEST_F(DeviceFrameworkTest, DevicesWriteIntoTheSessionsLogWhenItIsOn) {
  host.log.setFileName(env.root() + "/Kestrix.log");
  host.log.setEnabled(true);
  DeviceCreateInfo info = infoFor(nullptr);
  ProbePanel panel(&info);
  EXPECT_TRUE(panel.log().enabled());
  EXPECT_EQ(panel.log().fileName(), env.root() + "/Kestrix.log");

  host.log.setEnabled(false);
  ProbePanel quiet(&info);
  EXPECT_FALSE(quiet.log().enabled());
}

TEST_F(DeviceFrameworkTest, AFailedTransmissionIsLoggedAndItsResultReturned) {
  lab::Simulator sim(lab::Simulator::Options{});
  ASSERT_TRUE(sim.start());
  HANDLE handle = nullptr;
  ASSERT_EQ(SimConnect_Open(&handle, "Probe", nullptr, 0, nullptr, 0), S_OK);
  host.log.setFileName(env.root() + "/Kestrix.log");
  host.log.setEnabled(true);
  DeviceCreateInfo info = infoFor(nullptr);
  info.simConnect = handle;
  {
    ProbePanel panel(&info);
    sim.breakConnections();
    HRESULT result = S_OK;
    ASSERT_TRUE(testsupport::eventually([&] {
      result = panel.TransmitClientEvent(105, 7);
      return FAILED(result);
    }));
    EXPECT_EQ(result, SIMCONNECT_E_PIPE_BROKEN);
  }
  SimConnect_Close(handle);
  std::string log = testsupport::readFile(env.root() + "/Kestrix.log");
  EXPECT_NE(log.find(" 2 "), std::string::npos);
  EXPECT_NE(log.find("[CSimConnectDevice::TransmitClientEvent] Error C000014B sending event 105 with data 7 to SimConnect."),
            std::string::npos)
      << log;
}

TEST(SendIdTracker, RecordsTheLastSentPacketAndExplainsItLater) {
  testsupport::TestEnvironment env;
  lab::Simulator sim(lab::Simulator::Options{});
  ASSERT_TRUE(sim.start());
  HANDLE handle = nullptr;
  ASSERT_EQ(SimConnect_Open(&handle, "Probe", nullptr, 0, nullptr, 0), S_OK);
  CSimConnectSendIDTracker tracker(handle);
  SimConnect_MapClientEventToSimEvent(handle, 102, "COM_RADIO_FRACT_DEC");
  tracker.AddSendRecord("first");
  tracker.AddSendRecord("second");  // the same packet: the later text wins
  EXPECT_EQ(tracker.GetSendRecord(2), "second");
  EXPECT_EQ(tracker.GetSendRecord(1), "Send record not found");
  SimConnect_Close(handle);

  CSimConnectSendIDTracker without(nullptr);
  without.AddSendRecord("lost");
  for (DWORD id : {0u, 1u, 2u}) EXPECT_EQ(without.GetSendRecord(id), "Send record not found");
}
