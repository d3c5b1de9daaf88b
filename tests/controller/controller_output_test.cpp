#include <platform/last_error.h>

#include <set>

#include "board_fixture.h"

namespace controller_test {
namespace {

using Reports = std::vector<std::vector<uint8_t>>;

class LedMatrixTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    ASSERT_TRUE(controller->EnableLedMatrix(true));
    rack.clearOutputReports(kSerial);
  }
  Reports taken() { return reportsTaken(kSerial, 1); }
};

TEST_F(LedMatrixTest, TextsAreShownOverTheirDigits) {
  struct Case {
    const char* text;
    int count, alignment;
    const char* shown;  // positions 1-6 as the board shows them, '.' after a lit point
  };
  const Case cases[] = {
      {"123.45", 6, 1, " 123.45"},
      {"1234567", 5, 0, "12345 "},
      {"1234567", 5, 1, "34567 "},
      {".5", 2, 0, " .5    "},  // a digit with only its point lit
      {"8..", -1, 0, "8. .    "},
      {"AbC-", 6, 0, "AbC-  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_EQ(controller->SetDisplay(1, "      ", 6, 0, ' '), 0);
    ASSERT_EQ(controller->SetDisplay(1, c.text, c.count, c.alignment, ' '), 0);
    EXPECT_EQ(view().digits(1, 6), c.shown);
  }
}

TEST_F(LedMatrixTest, OnlyRowsThatChangeAreSent) {
  ASSERT_EQ(controller->SetDisplay(3, "118.000", 6, 0, ' '), 0);
  const size_t sent = taken().size();
  EXPECT_GT(sent, 0u);
  EXPECT_LE(sent, 8u);
  for (const auto& row : taken()) EXPECT_EQ(row[0], 0x15);
  EXPECT_EQ(view().digits(3, 6), "118.000");

  ASSERT_EQ(controller->SetDisplay(3, "118.000", 6, 0, ' '), 0);
  EXPECT_EQ(taken().size(), sent);  // the same text again sends nothing
  ASSERT_EQ(controller->WriteMatrixRow(0, -1, -1, -1, -1, true), 0);
  EXPECT_EQ(taken().size(), sent);
}

TEST_F(LedMatrixTest, IndicatorLedsSitInRowsAndColumns) {
  ASSERT_EQ(controller->SetLed(9, true, false), 0);
  EXPECT_EQ(taken().back(), report({0x15, 0, 0x02, 0, 0, 0}));  // row 0, bit 1 of column byte 0
  EXPECT_TRUE(view().ledLit(9));
  ASSERT_EQ(controller->SetLed(256, true, false), 0);
  EXPECT_EQ(taken().back(), report({0x15, 7, 0, 0, 0, 0x80}));
  ASSERT_EQ(controller->SetLed(9, false, false), 0);
  EXPECT_EQ(view().litLeds, (std::vector<int>{256}));

  const size_t sent = taken().size();
  EXPECT_EQ(controller->SetLed(257, true, false), -1);
  EXPECT_EQ(controller->SetLed(0, true, false), -1);
  EXPECT_EQ(controller->WriteMatrixRow(8, 1, 2, 3, 4, false), -1);
  EXPECT_EQ(taken().size(), sent);
}

TEST_F(LedMatrixTest, NothingIsWrittenWhileTheMatrixIsOff) {
  ASSERT_EQ(controller->SetLed(1, true, false), 0);
  ASSERT_TRUE(controller->EnableLedMatrix(false));
  EXPECT_EQ(taken().back(), report({0x14, 0}));
  EXPECT_TRUE(controller->EnableLedMatrix(false));  // already off: nothing sent
  const size_t sent = taken().size();
  EXPECT_EQ(controller->SetDisplay(1, "12", 2, 0, ' '), -3);
  EXPECT_EQ(controller->SetLed(1, true, false), -3);
  EXPECT_EQ(controller->WriteMatrixRow(0, 1, 2, 3, 4, false), -3);
  EXPECT_EQ(controller->SetLed(257, true, false), -1);
  EXPECT_EQ(taken().size(), sent);

  // Switched on again, the board and the shadow start dark.
  ASSERT_TRUE(controller->EnableLedMatrix(true));
  ASSERT_EQ(controller->SetLed(1, true, false), 0);
  EXPECT_EQ(view().litLeds, (std::vector<int>{1}));
}

TEST_F(LedMatrixTest, ABatchSendsEachChangedRowOnceWhenItEnds) {
  // Two displays over the same rows, and a LED in one of them: without a
  // batch each display sends its rows; in one, each row that changed goes
  // out once, with the bytes of all three.
  controller->BeginOutputBatch();
  ASSERT_EQ(controller->SetDisplay(1, "118.00", 6, 0, ' '), 0);
  ASSERT_EQ(controller->SetDisplay(7, "121.50", 6, 0, ' '), 0);
  ASSERT_EQ(controller->SetLed(3, true, false), 0);
  EXPECT_TRUE(taken().empty()) << "nothing goes out before the batch ends";
  ASSERT_TRUE(controller->EndOutputBatch());
  const Reports batched = taken();
  std::set<uint8_t> rows;
  for (const auto& row : batched) EXPECT_TRUE(rows.insert(row[1]).second) << "row " << int(row[1]);
  EXPECT_EQ(view().digits(1, 12), "118.00 121.50 ");
  EXPECT_TRUE(view().ledLit(3));

  // The same three changes one by one send some rows more than once.
  ASSERT_TRUE(controller->EnableLedMatrix(false));
  ASSERT_TRUE(controller->EnableLedMatrix(true));
  rack.clearOutputReports(kSerial);
  ASSERT_EQ(controller->SetDisplay(1, "118.00", 6, 0, ' '), 0);
  ASSERT_EQ(controller->SetDisplay(7, "121.50", 6, 0, ' '), 0);
  ASSERT_EQ(controller->SetLed(3, true, false), 0);
  EXPECT_GT(taken().size(), batched.size());

  // A batch that changes nothing sends nothing.
  rack.clearOutputReports(kSerial);
  controller->BeginOutputBatch();
  ASSERT_EQ(controller->SetDisplay(1, "118.00", 6, 0, ' '), 0);
  ASSERT_TRUE(controller->EndOutputBatch());
  EXPECT_TRUE(taken().empty());
}

TEST_F(LedMatrixTest, RowsABatchCouldNotSendGoOutWithTheNextChange) {
  lab::BoardFaults stalled;
  stalled.stallWrites = true;
  ASSERT_TRUE(rack.setFaults(kSerial, stalled));
  controller->BeginOutputBatch();
  ASSERT_EQ(controller->SetDisplay(1, "888888", 6, 0, ' '), 0);
  EXPECT_FALSE(controller->EndOutputBatch());

  ASSERT_TRUE(rack.setFaults(kSerial, lab::BoardFaults{}));
  ASSERT_EQ(controller->SetLed(256, true, false), 0);
  ASSERT_TRUE(rack.waitUntil([&] { return view().digits(1, 6) == "888888"; }, kDeadline));
  EXPECT_TRUE(view().ledLit(256));
}

using PortTest = ControllerTest;

TEST_F(PortTest, TheFirstPortWriteLearnsTheOtherPortsFromTheBoard) {
  rack.clearOutputReports(kSerial);
  EXPECT_FALSE(controller->WritePort(4, 1));
  EXPECT_FALSE(controller->WritePort(-1, 1));
  ASSERT_TRUE(controller->WritePort(1, 0x5A));
  EXPECT_EQ(reportsTaken(kSerial, 1), (Reports{report({0xFF})}));
  EXPECT_EQ(reportsTaken(kSerial, 0), (Reports{report({0x00, 0xFF, 0x5A, 0xFF, 0xFF}, 5)}));
  EXPECT_EQ(view().ports, (std::array<uint8_t, 4>{0xFF, 0x5A, 0xFF, 0xFF}));

  ASSERT_TRUE(controller->WritePort(3, 0x01));
  EXPECT_EQ(reportsTaken(kSerial, 1).size(), 1u);  // no second question
  EXPECT_EQ(view().ports, (std::array<uint8_t, 4>{0xFF, 0x5A, 0xFF, 0x01}));

  int32_t ports[4] = {-1, -1, -1, -1};
  controller->ReadPinStatus(&ports[0], &ports[1], &ports[2], &ports[3]);
  EXPECT_EQ(ports[1], 0x5A);
  EXPECT_EQ(ports[3], 0x01);
}

// A board that answers late is waited for; one that never answers is given
// up after a while instead of holding the caller for ever.
TEST_F(PortTest, RepliesAreWaitedForButNotForEver) {
  lab::BoardFaults late;
  late.replyDelayMs = 300;
  ASSERT_TRUE(rack.setFaults(kSerial, late));
  int32_t port0 = -1;
  controller->ReadPinStatus(&port0, nullptr, nullptr, nullptr);
  EXPECT_EQ(port0, 0xFF);

  lab::BoardFaults mute;
  mute.dropReplies = true;
  ASSERT_TRUE(rack.setFaults(kSerial, mute));
  port0 = -7;
  controller->ReadPinStatus(&port0, nullptr, nullptr, nullptr);
  EXPECT_EQ(port0, -7);
  EXPECT_EQ(platform::lastError(), platform::kErrorTimeout);
}

using LockTest = ControllerTest;

TEST_F(LockTest, OneOwnerAtATime) {
  EXPECT_EQ(controller->Lock(), 0u);
  EXPECT_EQ(controller->Lock(), platform::kErrorLocked);
  CVantrixController other;
  other.SetDeviceHandle(iowDeviceHandle(1), true);
  EXPECT_EQ(other.Lock(), platform::kErrorAlreadyExists);
  controller->Unlock();
  EXPECT_EQ(other.Lock(), 0u);
}

}  // namespace
}  // namespace controller_test
