#include "session_work_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(SessionWorkQueue, RunsPostedWorkInOrderOnTheCallingThread) {
  SessionWorkQueue queue;
  std::vector<int> order;
  std::thread::id ranOn;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) queue.post([&, i] {
      order.push_back(i);
      ranOn = std::this_thread::get_id();
    });
  });
  poster.join();
  queue.runPending();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(SessionWorkQueue, WorkPostedByWorkWaitsForTheNextRound) {
  SessionWorkQueue queue;
  int runs = 0;
  queue.post([&] {
    ++runs;
    queue.post([&] { ++runs; });
  });
  queue.runPending();
  EXPECT_EQ(runs, 1);
  queue.runPending();
  EXPECT_EQ(runs, 2);
}

TEST(SessionWorkQueue, AWaitEndsAsSoonAsWorkIsPosted) {
  SessionWorkQueue queue;
  std::atomic<bool> posted{false};
  std::thread poster([&] {
    posted = true;
    queue.post([] {});
  });
  // A long timeout: the wait must end because of the post, not the clock.
  auto start = std::chrono::steady_clock::now();
  queue.waitForWork(std::chrono::seconds(60));
  poster.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(SessionWorkQueue, ClearDropsWaitingWork) {
  SessionWorkQueue queue;
  bool ran = false;
  queue.post([&] { ran = true; });
  queue.clear();
  queue.runPending();
  EXPECT_FALSE(ran);
}
