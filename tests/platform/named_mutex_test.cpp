#include <platform/named_mutex.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <future>

#include "helper_process.h"
#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::NamedMutex;
using WaitResult = platform::NamedMutex::WaitResult;

constexpr char kName[] = "{086CE50B-E565-468e-AB46-91D5F61B5300}";
constexpr int kGenerousMs = 60000;

class NamedMutexTest : public PlatformTest {};

TEST_F(NamedMutexTest, ExistsExactlyWhileSomeHandleIsOpen) {
  EXPECT_EQ(NamedMutex::openExisting(kName), nullptr);
  bool existed = true;
  auto first = NamedMutex::create(kName, true, &existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_TRUE(first->owned());

  auto second = NamedMutex::create(kName, true, &existed);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(existed);
  EXPECT_FALSE(second->owned()) << "an existing mutex is opened, not taken";

  auto opened = NamedMutex::openExisting(kName);
  ASSERT_NE(opened, nullptr);
  first.reset();
  second.reset();
  EXPECT_NE(NamedMutex::openExisting(kName), nullptr) << "the opened handle still holds it";
  opened.reset();
  EXPECT_EQ(NamedMutex::openExisting(kName), nullptr);

  NamedMutex::create(kName, false, &existed);
  EXPECT_FALSE(existed) << "a name nobody holds is created afresh";
}

TEST_F(NamedMutexTest, OwnershipBelongsToOneHandleAtATime) {
  auto a = NamedMutex::create(kName, true);
  auto b = NamedMutex::openExisting(kName);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->wait(0), WaitResult::Timeout);
  EXPECT_EQ(b->wait(20), WaitResult::Timeout);

  // Acquired twice, so held until released twice.
  EXPECT_EQ(a->wait(0), WaitResult::Acquired);
  a->release();
  EXPECT_TRUE(a->owned());
  EXPECT_EQ(b->wait(0), WaitResult::Timeout);
  a->release();
  EXPECT_FALSE(a->owned());
  a->release();  // one release too many changes nothing

  EXPECT_EQ(b->wait(0), WaitResult::Acquired);
  EXPECT_EQ(a->wait(0), WaitResult::Timeout);
  b.reset();  // closing an owned handle releases it
  EXPECT_EQ(a->wait(0), WaitResult::Acquired);
}

TEST_F(NamedMutexTest, WaitReturnsWhenTheOwnerReleases) {
  auto owner = NamedMutex::create(kName, true);
  auto waiter = NamedMutex::openExisting(kName);
  ASSERT_NE(waiter, nullptr);
  for (int timeoutMs : {kGenerousMs, -1}) {
    SCOPED_TRACE(timeoutMs);
    auto result = std::async(std::launch::async, [&] { return waiter->wait(timeoutMs); });
    owner->release();
    EXPECT_EQ(result.get(), WaitResult::Acquired);
    waiter->release();
    ASSERT_EQ(owner->wait(0), WaitResult::Acquired);
  }
}

TEST_F(NamedMutexTest, NamesAreKeptApart) {
  const std::string names[] = {
      "Global\\Kestrix", "Global/Kestrix", "Global%5CKestrix", "Global%2FKestrix",
      "..",             "../escape",      "kestrix",          "KESTRIX",
      std::string(300, 'x'), std::string(300, 'x') + "y",     "tab\tand space",
  };
  std::vector<std::unique_ptr<NamedMutex>> held;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    bool existed = true;
    held.push_back(NamedMutex::create(name, true, &existed));
    ASSERT_NE(held.back(), nullptr);
    EXPECT_FALSE(existed);
    EXPECT_TRUE(held.back()->owned());
  }
  // Every name stays a plain file in the objects folder.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path("runtime")))
    if (entry.is_directory()) {
      EXPECT_EQ(entry.path(), path("runtime/objects"));
    }
}

TEST_F(NamedMutexTest, AnEmptyNameCannotBeUsed) {
  EXPECT_EQ(NamedMutex::create("", true), nullptr);
  EXPECT_EQ(NamedMutex::openExisting(""), nullptr);
}

TEST_F(NamedMutexTest, AnotherProcessSeesAndSharesTheMutex) {
  auto mine = NamedMutex::create(kName, true);
  ASSERT_NE(mine, nullptr);
  HelperProcess other;
  EXPECT_EQ(other.ask(std::string("mutex-create ") + kName + " 1"), "created existed=1 owned=0");
  EXPECT_EQ(other.ask(std::string("mutex-wait ") + kName + " 0"), "timeout");

  other.send(std::string("mutex-wait ") + kName + " " + std::to_string(kGenerousMs));
  mine->release();
  EXPECT_EQ(other.readLine(), "acquired");
  EXPECT_EQ(mine->wait(0), WaitResult::Timeout);

  auto mineWaits = std::async(std::launch::async, [&] { return mine->wait(kGenerousMs); });
  EXPECT_EQ(other.ask(std::string("mutex-release ") + kName), "released");
  EXPECT_EQ(mineWaits.get(), WaitResult::Acquired);
}

// However the holding process ends, its handle and its ownership end with it.
TEST_F(NamedMutexTest, GoesAwayWithTheProcessThatHeldIt) {
  struct Ending {
    const char* what;
    void (*end)(HelperProcess&);
  };
  const Ending endings[] = {
      {"exit", [](HelperProcess& p) { p.send("exit"); }},
      {"end of input", [](HelperProcess& p) { p.closeInput(); }},
      {"SIGKILL", [](HelperProcess& p) { p.signal(SIGKILL); }},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.what);
    HelperProcess holder;
    ASSERT_EQ(holder.ask(std::string("mutex-create ") + kName + " 1"), "created existed=0 owned=1");
    ASSERT_NE(NamedMutex::openExisting(kName), nullptr);
    ending.end(holder);
    holder.waitForExit();
    EXPECT_EQ(NamedMutex::openExisting(kName), nullptr);
  }
}

TEST_F(NamedMutexTest, AWaiterGetsTheMutexWhenItsOwnerIsKilled) {
  HelperProcess owner;
  ASSERT_EQ(owner.ask(std::string("mutex-create ") + kName + " 1"), "created existed=0 owned=1");
  auto mine = NamedMutex::openExisting(kName);
  ASSERT_NE(mine, nullptr);
  auto result = std::async(std::launch::async, [&] { return mine->wait(kGenerousMs); });
  owner.signal(SIGKILL);
  EXPECT_EQ(result.get(), WaitResult::Acquired);
  owner.waitForExit();
  EXPECT_NE(NamedMutex::openExisting(kName), nullptr) << "our handle keeps it";
}

}  // namespace
}  // namespace platform_test
