#include <platform/wake_event.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::WakeEvent;

constexpr int kGenerousMs = 60000;

TEST(WakeEventTest, ASetWakesOneWaitAndIsUsedUpByIt) {
  WakeEvent wake;
  ASSERT_TRUE(wake.valid());
  EXPECT_FALSE(wake.wait(0));
  EXPECT_FALSE(wake.wait(10));
  wake.set();
  wake.set();  // two sets before a wait wake it once
  EXPECT_TRUE(wake.wait(0));
  EXPECT_FALSE(wake.wait(0));

  auto waited = std::async(std::launch::async, [&] { return wake.wait(-1); });
  wake.set();
  EXPECT_TRUE(waited.get()) << "a wait without limit ends on a set from another thread";
}

TEST(WakeEventTest, AWatchedSocketWakesEveryWaitUntilItsInputIsRead) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  WakeEvent wake;
  wake.watchSocket(pair[0]);
  EXPECT_FALSE(wake.wait(0));

  auto waited = std::async(std::launch::async, [&] { return wake.wait(kGenerousMs); });
  ASSERT_EQ(write(pair[1], "x", 1), 1);
  EXPECT_TRUE(waited.get());
  EXPECT_TRUE(wake.wait(0)) << "the input is still there";
  char byte = 0;
  ASSERT_EQ(read(pair[0], &byte, 1), 1);
  EXPECT_FALSE(wake.wait(0));

  // A socket no longer watched wakes nobody.
  wake.watchSocket(-1);
  ASSERT_EQ(write(pair[1], "y", 1), 1);
  EXPECT_FALSE(wake.wait(0));

  // A peer that hangs up wakes the waiter, so its owner learns of it.
  wake.watchSocket(pair[0]);
  ASSERT_EQ(read(pair[0], &byte, 1), 1);
  close(pair[1]);
  EXPECT_TRUE(wake.wait(kGenerousMs));
  wake.watchSocket(-1);
  close(pair[0]);
}

}  // namespace
}  // namespace platform_test
