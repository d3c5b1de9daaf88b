// The radio device in-process, on a lab board, fed simulator messages
// directly: what the end-to-end runs cannot easily provoke.
#include <controller/vantrix_controllers.h>
#include <device_kestrix_radio.h>
#include <device_host.h>
#include <lab/boards.h>
#include <platform/profile_file.h>
#include <session_work_queue.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_environment.h"

namespace {

constexpr char kSerial[] = "0000A001";

class TestHost : public DeviceHost {
 public:
  const std::string& settingsPath() const override { return settings; }
  const DiagnosticLog& sessionLog() const override { return log; }
  void post(std::function<void()> work) override { queue.post(std::move(work)); }
  std::string settings;
  DiagnosticLog log;
  SessionWorkQueue queue;
};

// A tagged data message: request id, then (datum id, 32-bit value) pairs.
// defineCount may claim more entries than the message holds.
std::vector<uint32_t> objectData(uint32_t requestId,
                                 const std::vector<std::pair<uint32_t, uint32_t>>& entries,
                                 uint32_t defineCount) {
  std::vector<uint32_t> words = {0, 4, SIMCONNECT_RECV_ID_SIMOBJECT_DATA, requestId, 0, 101, 3, 1,
                                 1, defineCount};
  for (const auto& [datum, value] : entries) {
    words.push_back(datum);
    words.push_back(value);
  }
  words[0] = static_cast<uint32_t>(words.size() * 4);
  return words;
}

uint32_t floatBits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  return bits;
}

class RadioDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rack = std::make_unique<lab::BoardRack>(env.runtimeDir());
    host.settings = env.root() + "/Kestrix.ini";
    host.log.setFileName(env.root() + "/Kestrix.log");
    host.log.setEnabled(true);
  }
  void TearDown() override {
    radio.reset();
    boards.Close();
    rack.reset();
  }
  void createRadio(int variant, bool eventsAlreadyMapped = false) {
    ASSERT_TRUE(rack->plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, variant)));
    ASSERT_TRUE(boards.Open());
    auto selected = boards.SelectByModel({"3401"});
    ASSERT_EQ(selected.size(), 1u);
    DeviceCreateInfo info;
    info.controller = selected.begin()->second;
    info.module = &host;
    info.eventsAlreadyMapped = eventsAlreadyMapped;
    radio = std::make_unique<CDeviceKestrixRadio>(&info);
  }
  void dispatch(std::vector<uint32_t> message) {
    radio->SimConnectModuleDispatchProc(reinterpret_cast<SIMCONNECT_RECV*>(message.data()),
                                        static_cast<DWORD>(message.size() * 4));
  }
  std::string digits(int first, int count) const { return rack->view(kSerial)->digits(first, count); }
  bool waitForDigits(int first, int count, const std::string& text) const {
    return testsupport::eventually([&] { return digits(first, count) == text; });
  }
  std::string logText() const { return testsupport::readFile(env.root() + "/Kestrix.log"); }

  testsupport::TestEnvironment env;
  std::unique_ptr<lab::BoardRack> rack;
  CVantrixControllers boards;
  TestHost host;
  std::unique_ptr<CDeviceKestrixRadio> radio;
};

TEST_F(RadioDeviceTest, DataBeyondTheEndOfAMessageIsNotRead) {
  createRadio(1);
  // Claims five entries but holds three.
  dispatch(objectData(101, {{0, 1}, {1, 1}, {2, floatBits(118000.0f)}}, 5));
  EXPECT_TRUE(waitForDigits(1, 6, "118.000"));
  EXPECT_TRUE(waitForDigits(14, 1, "8."));
  // A message too short for its own header changes nothing.
  std::vector<uint32_t> cut = objectData(101, {{3, floatBits(121500.0f)}}, 1);
  cut.resize(6);
  cut[0] = 24;
  dispatch(cut);
  dispatch(objectData(101, {{0, 0}}, 1));
  ASSERT_TRUE(waitForDigits(14, 1, " "));
  EXPECT_EQ(digits(7, 6), "      ");
}

TEST_F(RadioDeviceTest, OnlyItsOwnRequestAndItsOwnDatumsChangeTheDisplays) {
  createRadio(1);
  dispatch(objectData(101, {{1, 1}, {2, floatBits(122800.0f)}, {3, floatBits(118000.0f)}}, 3));
  ASSERT_TRUE(waitForDigits(1, 12, "122.800118.000"));
  dispatch(objectData(201, {{2, floatBits(130000.0f)}}, 1));
  dispatch(objectData(101, {{14, floatBits(30464.0f)}}, 1));
  EXPECT_EQ(digits(1, 12), "122.800118.000");
  // Another radio's data arrives for later but is not shown on COM1.
  dispatch(objectData(101, {{4, floatBits(124850.0f)}}, 1));
  // The board shows writes in order: once the light is on, any earlier
  // frequency write would be visible too.
  dispatch(objectData(101, {{0, 1}}, 1));
  ASSERT_TRUE(waitForDigits(14, 1, "8."));
  EXPECT_EQ(digits(1, 12), "122.800118.000");
}

TEST_F(RadioDeviceTest, AStoredChannelOutsideTheSelectorCountsAsNone) {
  for (const char* stored : {"9", "2", "0", "-7", "COM2"}) {
    SCOPED_TRACE(stored);
    ASSERT_TRUE(platform::writeProfileString("Config", kSerial, stored, host.settings));
    createRadio(2);
    // The panel starts on COM1 and stores nothing invalid.
    EXPECT_TRUE(testsupport::eventually([&] { return rack->view(kSerial)->ports[1] == 1; }));
    EXPECT_EQ(platform::getProfileInt("Config", kSerial, -1, host.settings), 3);
    // The selector works from there.
    radio->ProcessInput(4, false);
    EXPECT_EQ(platform::getProfileInt("Config", kSerial, -1, host.settings), 4);
    EXPECT_TRUE(testsupport::eventually([&] { return rack->view(kSerial)->ports[1] == 2; }));
    EXPECT_EQ(logText().find("No events for this device."), std::string::npos);
    radio.reset();
    boards.Close();
    ASSERT_TRUE(rack->unplug(kSerial));
  }
}

TEST_F(RadioDeviceTest, AlreadyMappedEventsAreNotMappedAgainButTheDataIsRequested) {
  createRadio(1, true);
  const std::string log = logText();
  const auto mapping = log.find("Mapping client events");
  ASSERT_NE(mapping, std::string::npos);
  EXPECT_NE(log.find("Already mapped, skipping", mapping), std::string::npos);
  EXPECT_NE(log.find("Requesting data on sim object"), std::string::npos);
  EXPECT_EQ(log.find("   COM1 Radio"), std::string::npos);
}

}  // namespace
