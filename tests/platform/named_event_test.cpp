#include <platform/named_event.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "helper_process.h"
#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::NamedEvent;
using WaitResult = platform::NamedEvent::WaitResult;

constexpr char kName[] = "KestrixQuitEvent";
constexpr int kGenerousMs = 60000;

class NamedEventTest : public PlatformTest {
 protected:
  // Waits, without a fixed sleep, until the count reaches the goal.
  static bool reaches(const std::atomic<int>& count, int goal) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerousMs);
    while (count < goal && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return count == goal;
  }
};

TEST_F(NamedEventTest, ResetModesDecideWhetherAWaitConsumesTheSignal) {
  struct Case {
    bool manualReset;
    bool initiallySignaled;
    WaitResult first, second;
  };
  const Case cases[] = {
      {false, true, WaitResult::Signaled, WaitResult::Timeout},
      {true, true, WaitResult::Signaled, WaitResult::Signaled},
      {false, false, WaitResult::Timeout, WaitResult::Timeout},
      {true, false, WaitResult::Timeout, WaitResult::Timeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual=" << c.manualReset << " signaled=" << c.initiallySignaled);
    auto event = NamedEvent::createOrOpen(kName, c.manualReset, c.initiallySignaled);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->isSignaled(), c.initiallySignaled);
    EXPECT_EQ(event->wait(0), c.first);
    EXPECT_EQ(event->wait(10), c.second);

    event->set();
    EXPECT_TRUE(event->isSignaled());
    event->reset();
    EXPECT_FALSE(event->isSignaled());
    EXPECT_EQ(event->wait(0), WaitResult::Timeout);
    event->set();
    event->set();  // a second set on a signalled event adds nothing
    EXPECT_EQ(event->wait(0), WaitResult::Signaled);
    EXPECT_EQ(event->isSignaled(), c.manualReset);
  }
}

TEST_F(NamedEventTest, OpeningKeepsTheStateAndModeOfTheExistingEvent) {
  EXPECT_EQ(NamedEvent::openExisting(kName), nullptr);
  bool existed = true;
  auto created = NamedEvent::createOrOpen(kName, true, true, &existed);
  ASSERT_NE(created, nullptr);
  EXPECT_FALSE(existed);

  auto again = NamedEvent::createOrOpen(kName, false, false, &existed);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(existed);
  EXPECT_TRUE(again->isSignaled());
  EXPECT_EQ(again->wait(0), WaitResult::Signaled);
  EXPECT_EQ(again->wait(0), WaitResult::Signaled) << "still the manual-reset event";

  auto opened = NamedEvent::openExisting(kName);
  ASSERT_NE(opened, nullptr);
  opened->reset();
  EXPECT_FALSE(created->isSignaled());
}

TEST_F(NamedEventTest, ANameNobodyHoldsStartsAfreshNotSignalled) {
  {
    auto signaled = NamedEvent::createOrOpen(kName, true, true);
    ASSERT_NE(signaled, nullptr);
  }
  EXPECT_EQ(NamedEvent::openExisting(kName), nullptr);
  bool existed = true;
  auto fresh = NamedEvent::createOrOpen(kName, false, false, &existed);
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_FALSE(fresh->isSignaled());
  fresh->set();
  EXPECT_EQ(fresh->wait(0), WaitResult::Signaled);
  EXPECT_EQ(fresh->wait(0), WaitResult::Timeout) << "auto reset, as asked this time";
}

TEST_F(NamedEventTest, LeftoverContentOfTheObjectFileIsIgnored) {
  // The file a holder that was killed leaves behind.
  std::vector<std::filesystem::path> files;
  {
    auto held = NamedEvent::createOrOpen(kName, true, true);
    ASSERT_NE(held, nullptr);
    for (const auto& entry : std::filesystem::directory_iterator(path("runtime/objects")))
      files.push_back(entry.path());
  }
  ASSERT_EQ(files.size(), 1u);
  for (const std::string& leftover : {std::string(), std::string("\x01"), std::string(4096, '\xff')}) {
    writeFile(files[0], leftover);
    EXPECT_EQ(NamedEvent::openExisting(kName), nullptr);
    auto event = NamedEvent::createOrOpen(kName, false, false);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->wait(0), WaitResult::Timeout);
    event->set();
    EXPECT_EQ(event->wait(0), WaitResult::Signaled);
  }
}

TEST_F(NamedEventTest, ManualResetSetReleasesEveryWaiter) {
  auto event = NamedEvent::createOrOpen(kName, true, false);
  constexpr int kWaiters = 4;
  std::vector<std::future<WaitResult>> waits;
  for (int i = 0; i < kWaiters; ++i) {
    waits.push_back(std::async(std::launch::async, [&] {
      auto own = NamedEvent::openExisting(kName);
      return own ? own->wait(kGenerousMs) : WaitResult::Failed;
    }));
  }
  event->set();
  for (auto& wait : waits) EXPECT_EQ(wait.get(), WaitResult::Signaled);
}

TEST_F(NamedEventTest, AutoResetSetReleasesOneWaiterPerSet) {
  auto event = NamedEvent::createOrOpen(kName, false, false);
  constexpr int kWaiters = 3;
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i) {
    waiters.emplace_back([&] {
      auto own = NamedEvent::openExisting(kName);
      if (own && own->wait(kGenerousMs) == WaitResult::Signaled) ++released;
    });
  }
  for (int set = 1; set <= kWaiters; ++set) {
    event->set();
    ASSERT_TRUE(reaches(released, set));
    // The waiter that woke took the signal with it.
    EXPECT_FALSE(event->isSignaled());
  }
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(released, kWaiters);
}

TEST_F(NamedEventTest, EndWaitsEndsTheWaitsOfOneHandleOnly) {
  auto ended = NamedEvent::createOrOpen(kName, true, false);
  auto other = NamedEvent::openExisting(kName);
  ASSERT_NE(other, nullptr);
  auto waitWithoutLimit = std::async(std::launch::async, [&] { return ended->wait(-1); });
  auto otherWait = std::async(std::launch::async, [&] { return other->wait(kGenerousMs); });
  ended->endWaits();
  EXPECT_EQ(waitWithoutLimit.get(), WaitResult::Ended);
  EXPECT_EQ(ended->wait(kGenerousMs), WaitResult::Ended) << "later waits end at once too";
  // The other handle still waits, and a set still reaches it.
  EXPECT_EQ(otherWait.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  ended->set();
  EXPECT_EQ(otherWait.get(), WaitResult::Signaled);
}

TEST_F(NamedEventTest, ASetInAnotherProcessWakesTheWaiter) {
  for (bool manualReset : {false, true}) {
    SCOPED_TRACE(manualReset);
    auto event = NamedEvent::createOrOpen(kName, manualReset, false);
    HelperProcess other;
    ASSERT_EQ(other.ask(std::string("event-create ") + kName + " 0 0"), "created existed=1");
    auto wait = std::async(std::launch::async, [&] { return event->wait(kGenerousMs); });
    EXPECT_EQ(other.ask(std::string("event-set ") + kName), "done");
    EXPECT_EQ(wait.get(), WaitResult::Signaled);

    // And the other way round, with the reset of one seen by the other.
    EXPECT_EQ(other.ask(std::string("event-reset ") + kName), "done");
    EXPECT_EQ(other.ask(std::string("event-wait ") + kName + " 0"), "timeout");
    other.send(std::string("event-wait ") + kName + " " + std::to_string(kGenerousMs));
    event->set();
    EXPECT_EQ(other.readLine(), "signaled");
    other.send("exit");
    other.waitForExit();
    event = nullptr;
  }
}

TEST_F(NamedEventTest, OutlivesTheProcessThatMadeItOnlyWhileSomeoneHoldsIt) {
  HelperProcess maker;
  ASSERT_EQ(maker.ask(std::string("event-create ") + kName + " 1 1"), "created existed=0");
  auto held = NamedEvent::openExisting(kName);
  ASSERT_NE(held, nullptr);
  maker.signal(SIGKILL);
  maker.waitForExit();
  EXPECT_TRUE(held->isSignaled()) << "our handle kept the event and its state";
  held = nullptr;

  HelperProcess another;
  ASSERT_EQ(another.ask(std::string("event-create ") + kName + " 1 1"), "created existed=0");
  another.signal(SIGKILL);
  another.waitForExit();
  bool existed = true;
  auto fresh = NamedEvent::createOrOpen(kName, true, false, &existed);
  EXPECT_FALSE(existed);
  EXPECT_FALSE(fresh->isSignaled());
}

TEST_F(NamedEventTest, AWaiterKilledMidWaitLeavesTheEventWorking) {
  auto event = NamedEvent::createOrOpen(kName, false, false);
  HelperProcess doomed;
  ASSERT_EQ(doomed.ask(std::string("event-create ") + kName + " 0 0"), "created existed=1");
  doomed.send(std::string("event-wait ") + kName + " -1");
  doomed.signal(SIGKILL);
  doomed.waitForExit();

  auto wait = std::async(std::launch::async, [&] { return event->wait(kGenerousMs); });
  auto setter = NamedEvent::openExisting(kName);
  ASSERT_NE(setter, nullptr);
  setter->set();
  EXPECT_EQ(wait.get(), WaitResult::Signaled);
}

}  // namespace
}  // namespace platform_test
