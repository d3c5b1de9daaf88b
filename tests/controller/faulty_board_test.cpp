// Boards that misbehave: writes they never take, reports they send unasked
// or too late, reports of kinds nobody reads, and special-mode reports that
// are not 8 bytes long. None of them may hold a caller for ever, pass
// wrong data for right, or make the library pile up reports or spin.
#include <controller/transport.h>
#include <platform/last_error.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "board_fixture.h"
#include "transport_internal.h"

namespace controller_test {
namespace {

using lab::BoardSetup;
using Bytes = std::vector<uint8_t>;

class FaultyBoardTest : public ControllerTest {
 protected:
  // Sends reports as the board, and waits until they wait on the interface.
  void sendUnasked(const std::vector<Bytes>& reports) {
    const size_t before = queuedReportCount(controller->GetDeviceHandle(), 1);
    for (const Bytes& bytes : reports) ASSERT_TRUE(rack.sendInputReport(kSerial, 1, bytes));
    ASSERT_TRUE(waitUntil([&] {
      return queuedReportCount(controller->GetDeviceHandle(), 1) == before + reports.size();
    }));
  }
};

// A write the board never takes fails with a time-out, as an unanswered
// read does, and the controller goes on once the board takes reports again.
TEST_F(FaultyBoardTest, AWriteTheBoardNeverTakesTimesOut) {
  ASSERT_TRUE(controller->EnableLedMatrix(true));
  lab::BoardFaults stall;
  stall.stallWrites = true;
  ASSERT_TRUE(rack.setFaults(kSerial, stall));
  auto writing = std::async(std::launch::async, [&] {
    const int result = controller->SetLed(1, true, false);
    return std::make_pair(result, platform::lastError());
  });
  const bool ended = writing.wait_for(kDeadline) == std::future_status::ready;
  if (!ended) iowCloseDevices(nullptr);  // ends the write, so the test can end
  ASSERT_TRUE(ended);
  auto [result, error] = writing.get();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, platform::kErrorTimeout);

  ASSERT_TRUE(rack.setFaults(kSerial, lab::BoardFaults{}));
  EXPECT_EQ(controller->SetLed(2, true, false), 0);
  EXPECT_TRUE(view().ledLit(2));
}

// IIC reports that came before a request (sent unasked, or the reply of an
// exchange that gave up on them) never pass for the answer of a later read.
TEST_F(FaultyBoardTest, LeftOverIicReportsNeverPassForAReply) {
  ASSERT_TRUE(controller->EnableIic(true));
  struct Case {
    const char* what;
    std::vector<Bytes> leftOvers;
  };
  const Case cases[] = {
      {"an unasked read reply", {report({0x03, 2, 0xDE, 0xAD})}},
      {"a whole late exchange", {report({0x02, 2}), report({0x03, 2, 0xDE, 0xAD})}},
      {"a late address reply", {report({0x02, 2})}},
      {"a late error", {report({0x03, 0x80})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sendUnasked(c.leftOvers);
    uint8_t high = 0, low = 0;
    EXPECT_TRUE(controller->ReadEeprom(1, 0x80, &high, &low));
    EXPECT_EQ(high, 0x34);
    EXPECT_EQ(low, 0x01);
    // Nothing of it is left to throw the next read off.
    uint8_t variant = 0;
    EXPECT_TRUE(controller->ReadEeprom(1, 0x7F, &variant));
    EXPECT_EQ(variant, 2);
  }
  sendUnasked({report({0x02, 2}), report({0x03, 1, 9})});
  ASSERT_TRUE(controller->ReadConfiguration(true));
  EXPECT_EQ(controller->GetControllerInfo().variantNumber, 2u);
}

// A report that answers another request, coming while a read waits for its
// reply, is no reply to it either.
TEST_F(FaultyBoardTest, AReportOfAnotherRequestDuringARead) {
  ASSERT_TRUE(controller->EnableIic(true));
  lab::BoardFaults late;
  late.replyDelayMs = 200;
  ASSERT_TRUE(rack.setFaults(kSerial, late));
  auto reading = std::async(std::launch::async, [&] {
    std::array<uint8_t, 2> bytes{};
    const bool read = controller->ReadEeprom(1, 0x80, &bytes[0], &bytes[1]);
    return std::make_pair(read, bytes);
  });
  // A four-byte read's reply and a write's: neither answers a two-byte read.
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x03, 4, 0xDE, 0xAD, 0xBE, 0xEF})));
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x02, 1})));
  ASSERT_EQ(reading.wait_for(kDeadline), std::future_status::ready);
  auto [read, bytes] = reading.get();
  EXPECT_TRUE(read);
  EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x34, 0x01}));
}

TEST_F(FaultyBoardTest, AnUnaskedPinStatusIsNoAnswer) {
  sendUnasked({report({0xFF, 1, 2, 3, 4})});
  int32_t ports[4] = {-1, -1, -1, -1};
  controller->ReadPinStatus(&ports[0], &ports[1], &ports[2], &ports[3]);
  EXPECT_EQ(ports[0], 0xFF);
  EXPECT_EQ(ports[3], 0xFF);
}

// Reports of a kind nobody reads are kept as the transport keeps them: the
// newest 128, so that they never pile up.
TEST_F(FaultyBoardTest, ReportsNobodyReadsKeepOnlyTheNewest128) {
  constexpr int kUnreadKind = 2;  // report ids 0x04-0x06
  constexpr int kPinStatusKind = 5;
  int sent = 0;
  for (int round = 0; round < 3; ++round) {
    std::vector<Bytes> reports;
    for (int i = 0; i < 100; ++i, ++sent)
      reports.push_back(report({0x04, uint8_t(sent), uint8_t(sent >> 8)}));
    reports.push_back(report({0xFF}));
    sendUnasked(reports);
    // On its way to the pin status the controller keeps the others.
    uint8_t pins[8];
    ASSERT_EQ(controller->ReadWithQueue(kPinStatusKind, 1, pins, 8), 8);
  }
  std::vector<int> kept;
  uint8_t buffer[8];
  while (controller->ReadWithQueue(kUnreadKind, 1, buffer, 8) == 8)
    kept.push_back(buffer[1] | buffer[2] << 8);
  ASSERT_EQ(kept.size(), 128u);
  for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], sent - 128 + int(i)) << i;
}

// The lines of every controller log written in this test's world.
std::vector<std::string> controllerLogLines(const testsupport::TestEnvironment& env) {
  std::vector<std::string> lines;
  const std::string folder = env.configHome() + "/Quornel Limited/Controller Logs";
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path());
    for (std::string line; std::getline(file, line);) lines.push_back(line);
  }
  return lines;
}

class OddReportLengthTest : public ControllerTest {
 protected:
  void SetUp() override {}  // each case plugs its own board
};

// Special-mode reports that are not 8 bytes long give no keys and no board
// memory: the controller says so once in its log, and starts no key thread
// that could only spin.
TEST_F(OddReportLengthTest, IsLoggedOnceAndStartsNoKeyThread) {
  struct Case {
    const char* serial;
    uint16_t input, output;
  };
  const Case cases[] = {{"0000E016", 16, 8}, {"0000E005", 5, 8}, {"0000E816", 8, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.serial);
    controller.reset();
    BoardSetup setup = BoardSetup::panel(c.serial, 0x34, 0x01, 2);
    setup.specialInputLength = c.input;
    setup.specialOutputLength = c.output;
    openController(setup);
    KeyRecorder recorder;
    for (int attempt = 0; attempt < 2; ++attempt) {
      EXPECT_FALSE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
      EXPECT_FALSE(controller->ReadConfiguration(true));
      int32_t port = -3;
      controller->ReadPinStatus(&port, nullptr, nullptr, nullptr);
      EXPECT_EQ(port, -3);
    }
    EXPECT_EQ(recorder.count(), 0u);
    auto lines = controllerLogLines(env);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.find(std::string("Board ") + c.serial) !=
                                     std::string::npos;
                            }),
              1);
    controller.reset();
    ASSERT_TRUE(rack.unplug(c.serial));
  }
}

}  // namespace
}  // namespace controller_test
