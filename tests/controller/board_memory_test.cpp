#include <platform/named_mutex.h>

#include <controller/named_objects.h>

#include "board_fixture.h"

namespace controller_test {
namespace {

using lab::BoardSetup;

class BoardMemoryTest : public ControllerTest {
 protected:
  void SetUp() override {}  // each case plugs its own board
  void open(const BoardSetup& setup) {
    openController(setup);
    rack.clearOutputReports(setup.serial);
  }
};

TEST_F(BoardMemoryTest, ABlankMemoryDescribesNoBoard) {
  open(BoardSetup::blank(kSerial));
  ASSERT_TRUE(controller->ReadConfiguration(false));
  ControllerInfo info = controller->GetControllerInfo();
  EXPECT_STREQ(info.modelText, "FFFF");
  EXPECT_EQ(info.featureWord, 0u);
  EXPECT_EQ(info.variantNumber, 255u);
  EXPECT_STREQ(info.dateText, "");
  for (const auto& range : info.ranges) EXPECT_EQ(range.count + range.first + range.last, 0u);
  EXPECT_EQ(controller->GetModel(1, false), 0xFFFF);
}

TEST_F(BoardMemoryTest, AProgrammedBoardIsReadOnceThroughItsIicBus) {
  BoardSetup setup = BoardSetup::panel(kSerial, 0x34, 0x01, 3);
  setup.setFeatureWord(0x2101).setRange(1, 1, 0xFF).setRange(2, 6, 10).setRange(4, 0, 7);
  setup.setDate(100, 100, 100);
  open(setup);

  ASSERT_TRUE(controller->ReadConfiguration(false));
  ControllerInfo info = controller->GetControllerInfo();
  EXPECT_STREQ(info.modelText, "3401");
  EXPECT_EQ(info.featureWord, 0x2101u);
  EXPECT_EQ(info.variantNumber, 3u);
  EXPECT_STREQ(info.dateText, "");
  const uint32_t ranges[4][3] = {{256, 1, 256}, {5, 6, 10}, {0, 0, 0}, {0, 0, 7}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(info.ranges[i].count, ranges[i][0]) << "range " << i + 1;
    EXPECT_EQ(info.ranges[i].first, ranges[i][1]) << "range " << i + 1;
    EXPECT_EQ(info.ranges[i].last, ranges[i][2]) << "range " << i + 1;
  }
  // IIC was switched on for the reading only.
  const auto reports = reportsTaken(kSerial, 1);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), report({0x01, 1}));
  EXPECT_EQ(reports.back(), report({0x01, 0}));
  EXPECT_FALSE(view().iicOn);
  EXPECT_EQ(platform::NamedMutex::openExisting(iicMarkerName(0x03E8, kSerial)), nullptr);

  rack.clearOutputReports(kSerial);
  EXPECT_TRUE(controller->ReadConfiguration(false));
  EXPECT_EQ(controller->GetModel(1, false), 0x3401);
  EXPECT_TRUE(rack.outputReports(kSerial).empty());

  // A refresh reads the memory again.
  ASSERT_TRUE(rack.setMemory(kSerial, 0x7F, 4));
  ASSERT_TRUE(controller->ReadConfiguration(true));
  EXPECT_EQ(controller->GetControllerInfo().variantNumber, 4u);
  EXPECT_FALSE(rack.outputReports(kSerial).empty());
}

TEST_F(BoardMemoryTest, TwoEarlyBoardsAreKnownByTheirSerialNumbers) {
  BoardSetup setup = BoardSetup::panel("0000082E", 0x4C, 0x5A, 9);
  open(setup);
  EXPECT_EQ(controller->GetModel(1, false), 0x3305);
  ControllerInfo info = controller->GetControllerInfo();
  EXPECT_EQ(info.featureWord, 0x501u);
  EXPECT_EQ(info.variantNumber, 2u);
  EXPECT_EQ(info.ranges[0].first, 41u);
  EXPECT_EQ(info.ranges[0].last, 49u);
  EXPECT_STREQ(info.dateText, "17/06/23");
}

TEST_F(BoardMemoryTest, AFailingBusLeavesTheRecordAsItWas) {
  open(BoardSetup::panel(kSerial, 0x34, 0x02, 2));
  lab::BoardFaults faults;
  faults.iicError = true;
  ASSERT_TRUE(rack.setFaults(kSerial, faults));
  EXPECT_FALSE(controller->ReadConfiguration(false));
  EXPECT_STREQ(controller->GetControllerInfo().modelText, "");
  EXPECT_EQ(controller->GetModel(1, false), -1);
  // IIC stays on after a failed reading, ready for the next attempt.
  EXPECT_TRUE(view().iicOn);
  ASSERT_TRUE(rack.setFaults(kSerial, lab::BoardFaults{}));
  // Chips other than 1 are asked directly; this board has none.
  EXPECT_EQ(controller->GetModel(2, false), -1);
  EXPECT_EQ(controller->GetModel(9, false), -1);
  EXPECT_EQ(controller->GetModel(1, false), 0x3402);
}

TEST_F(BoardMemoryTest, MemoryReadsGiveTheBytesAtAnAddress) {
  open(BoardSetup::panel(kSerial, 0x34, 0x02, 2));
  ASSERT_TRUE(controller->EnableIic(true));
  EXPECT_TRUE(view().iicOn);
  uint8_t bytes[4] = {};
  ASSERT_TRUE(controller->ReadEeprom(1, 0x80, &bytes[0], &bytes[1], &bytes[2], &bytes[3]));
  EXPECT_EQ(bytes[0], 0x34);
  EXPECT_EQ(bytes[1], 0x02);
  EXPECT_EQ(bytes[3], 17);  // the date's first number at 0x83
  EXPECT_FALSE(controller->ReadEeprom(0, 0x80, &bytes[0]));
  EXPECT_FALSE(controller->ReadEeprom(9, 0x80, &bytes[0]));
  ASSERT_TRUE(controller->EnableIic(false));
  EXPECT_FALSE(view().iicOn);
}

}  // namespace
}  // namespace controller_test
