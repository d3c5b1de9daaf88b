#include <platform/named_event.h>
#include <platform/named_mutex.h>
#include <platform/named_shared_memory.h>

#include <cstring>

#include "contract_fixture.h"

namespace platform_contract {
namespace {

class NamedObjectsContract : public ContractTest {
 protected:
  // A manual-reset event the helper waits on before it ends.
  std::unique_ptr<platform::NamedEvent> makeGo(const std::string& name) {
    auto go = platform::NamedEvent::createOrOpen(name, true, false);
    EXPECT_NE(go, nullptr);
    return go;
  }
};

TEST_F(NamedObjectsContract, MutexOwnedInAnotherProcessIsFoundAndWaitedFor) {
  const std::string mutexName = uniqueName("mutex"), goName = uniqueName("go");
  auto go = makeGo(goName);
  auto helper = startHelper({"mutex-create " + mutexName + " 1", "event-create " + goName + " 1 0",
                             "event-wait " + goName + " 120000"});
  ASSERT_NE(helper, nullptr);
  ASSERT_TRUE(helper->waitForOutput("created existed=0 owned=1", kLongWait)) << helper->output();
  ASSERT_TRUE(helper->waitForOutput("created existed=1", kLongWait)) << helper->output();

  EXPECT_NE(platform::NamedMutex::openExisting(mutexName), nullptr);
  bool existed = false;
  auto mine = platform::NamedMutex::create(mutexName, true, &existed);
  ASSERT_NE(mine, nullptr);
  EXPECT_TRUE(existed);
  EXPECT_FALSE(mine->owned()) << "initial ownership of an existing mutex is not granted";
  EXPECT_EQ(mine->wait(100), platform::NamedMutex::WaitResult::Timeout);

  go->set();
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  // The holder's end lets go of it, even without a release.
  EXPECT_EQ(mine->wait(60000), platform::NamedMutex::WaitResult::Acquired);
  EXPECT_TRUE(mine->owned());
}

TEST_F(NamedObjectsContract, MutexIsGoneWithItsLastHolder) {
  const std::string mutexName = uniqueName("mutex");
  auto helper = startHelper({"mutex-create " + mutexName + " 1"});
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  EXPECT_NE(helper->output().find("created existed=0 owned=1"), std::string::npos) << helper->output();
  EXPECT_EQ(platform::NamedMutex::openExisting(mutexName), nullptr);
}

TEST_F(NamedObjectsContract, EventSetHereWakesAWaiterInAnotherProcess) {
  const std::string eventName = uniqueName("event");
  auto event = platform::NamedEvent::createOrOpen(eventName, false, false);
  ASSERT_NE(event, nullptr);
  auto helper = startHelper({"event-create " + eventName + " 0 0", "event-wait " + eventName + " 120000"});
  ASSERT_NE(helper, nullptr);
  ASSERT_TRUE(helper->waitForOutput("created existed=1", kLongWait)) << helper->output();
  event->set();
  EXPECT_TRUE(helper->waitForOutput("signaled", kLongWait)) << helper->output();
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  EXPECT_FALSE(event->isSignaled()) << "an auto-reset event is used up by the wait that saw it";
}

TEST_F(NamedObjectsContract, EventWaitInAnotherProcessEndsAtItsTimeout) {
  const std::string eventName = uniqueName("event");
  auto event = platform::NamedEvent::createOrOpen(eventName, true, false);
  ASSERT_NE(event, nullptr);
  auto helper = startHelper({"event-create " + eventName + " 1 0", "event-wait " + eventName + " 200"});
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  EXPECT_NE(helper->output().find("timeout"), std::string::npos) << helper->output();
}

TEST_F(NamedObjectsContract, SharedMemoryCarriesBytesBothWaysBetweenProcesses) {
  const std::string memoryName = uniqueName("memory"), goName = uniqueName("go");
  auto go = makeGo(goName);
  auto helper = startHelper({"memory-create " + memoryName + " 64 hello",
                             "memory-write " + memoryName + " 10 world",
                             "event-create " + goName + " 1 0", "event-wait " + goName + " 120000",
                             "memory-read " + memoryName + " 20 5"});
  ASSERT_NE(helper, nullptr);
  ASSERT_TRUE(helper->waitForOutput("created existed=1", kLongWait)) << helper->output();
  EXPECT_NE(helper->output().find("created existed=0"), std::string::npos);

  bool existed = false;
  auto mine = platform::NamedSharedMemory::createOrOpen(memoryName, 64, "ignored", &existed);
  ASSERT_NE(mine, nullptr);
  EXPECT_TRUE(existed);
  ASSERT_GE(mine->size(), 64u);
  char text[6] = {};
  ASSERT_TRUE(mine->read(0, text, 5));
  EXPECT_STREQ(text, "hello") << "an existing block keeps its content";
  ASSERT_TRUE(mine->read(10, text, 5));
  EXPECT_STREQ(text, "world");
  EXPECT_FALSE(mine->read(mine->size() - 2, text, 4)) << "a range beyond the end";
  ASSERT_TRUE(mine->write(20, "reply", 5));

  go->set();
  EXPECT_TRUE(helper->waitForOutput("reply", kLongWait)) << helper->output();
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  mine.reset();
  EXPECT_EQ(platform::NamedSharedMemory::openExisting(memoryName), nullptr)
      << "the block goes with its last holder";
}

}  // namespace
}  // namespace platform_contract
