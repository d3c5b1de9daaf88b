// Boards that misbehave: writes they never take, reports they send unasked
// or too late, reports of kinds nobody reads, and special-mode reports that
// are not 8 bytes long. None of them may hold a caller for ever, pass
// wrong data for right, or make the library pile up reports or spin.
#include <controller/transport.h>
#include <platform/last_error.h>

#include <future>

#include "board_fixture.h"

namespace controller_test {
namespace {

using FaultyBoardTest = ControllerTest;

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

}  // namespace
}  // namespace controller_test
