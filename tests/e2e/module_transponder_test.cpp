// The transponder panel end to end: the lab's simulator, a transponder board
// in the lab's rack, the lab's peer window and the real kestrix-module.
#include <lab/boards.h>
#include <lab/peer_window.h>

#include <future>

#include "custom_event_listener.h"
#include "module_fixture.h"

namespace e2e {
namespace {

constexpr char kSerial[] = "0000A002";
constexpr char kCodeVariable[] = "TRANSPONDER CODE:1";
constexpr char kAvionicsVariable[] = "AVIONICS MASTER SWITCH";
constexpr char kPanelLightVariable[] = "LIGHT PANEL";

class ModuleTransponderTest : public ModuleTest {
 protected:
  void SetUp() override {
    rack = std::make_unique<lab::BoardRack>(env.runtimeDir());
    ASSERT_TRUE(peer.open());
  }
  void TearDown() override {
    ModuleTest::TearDown();
    peer.close();
    rack.reset();
  }

  // A running flight with one transponder board whose device is up and
  // showing the simulator's code.
  void startWithBoard(int variant = 2) {
    writeSettings({"Misc/Debug=1"});
    ASSERT_TRUE(rack->plug(lab::BoardSetup::panel(kSerial, 0x34, 0x02, variant)));
    startLab();
    startTheModule();
    ASSERT_TRUE(waitForDigits(2, "1200"));
  }

  std::string digits(int first, int count) const {
    auto view = rack->view(kSerial);
    return view ? view->digits(first, count) : "<gone>";
  }
  bool waitForDigits(int first, const std::string& wanted) const {
    int count = 0;
    for (char c : wanted) count += c != '.';
    return rack->waitUntil([&] { return digits(first, count) == wanted; }, kDeadline);
  }
  void tap(int key) {
    ASSERT_TRUE(rack->press(kSerial, key));
    ASSERT_TRUE(rack->release(kSerial, key));
  }
  bool waitForNotices(const std::vector<std::string>& tail) {
    return peer.waitUntil(
        [&](const std::vector<std::string>& notices) {
          return notices.size() >= tail.size() &&
                 std::equal(tail.begin(), tail.end(), notices.end() - static_cast<long>(tail.size()));
        },
        kDeadline);
  }
  size_t logCount(const std::string& fragment) const {
    std::string log = logText();
    size_t count = 0;
    for (size_t at = log.find(fragment); at != std::string::npos; at = log.find(fragment, at + 1))
      ++count;
    return count;
  }

  std::unique_ptr<lab::BoardRack> rack;
  lab::PeerWindow peer;
};

}  // namespace

TEST_F(ModuleTransponderTest, EnteredCodeGoesToTheSimulatorAndShowsWhenReported) {
  startWithBoard();
  ASSERT_EQ(sim->setVariable(kCodeVariable, 0x7000), lab::SetVariableResult::Done);
  ASSERT_TRUE(waitForDigits(2, "7000"));

  const std::pair<int, const char*> steps[] = {{11, "----"}, {2, "1---"}, {3, "12--"}, {1, "120-"}};
  for (const auto& [key, shown] : steps) {
    tap(key);
    EXPECT_TRUE(waitForDigits(2, shown)) << "after key " << key << ": " << digits(2, 4);
  }
  tap(1);
  EXPECT_TRUE(waitForLogLine("Sending 1200 to FS as 4608"));
  EXPECT_TRUE(sim->waitUntil([&] { return sim->radios().transponderCode == 0x1200; }, kDeadline));
  EXPECT_TRUE(waitForDigits(2, "1200"));

  // The same code again: no report comes, so the panel shows it at once.
  for (int key : {11, 2, 3, 1}) tap(key);
  ASSERT_TRUE(waitForDigits(2, "120-"));
  tap(1);
  EXPECT_TRUE(waitForDigits(2, "1200"));
  EXPECT_TRUE(waitForLogLine("SimConnect is instructed to only send changes, so lets update the display."));
}

TEST_F(ModuleTransponderTest, DigitsBeforeTheEntryKeyOnlyLog) {
  startWithBoard();
  tap(5);
  ASSERT_TRUE(waitForLogLine("Enter position: -1\tChar: 4"));
  EXPECT_EQ(digits(2, 4), "1200");
  EXPECT_EQ(sim->radios().transponderCode, 0x1200u);
}

TEST_F(ModuleTransponderTest, CodesKeepTheirFourDigitsWhenAvionicsComeBackOn) {
  startWithBoard();
  ASSERT_EQ(sim->setVariable(kPanelLightVariable, 1), lab::SetVariableResult::Done);
  ASSERT_TRUE(waitForDigits(6, "8.8."));
  ASSERT_EQ(sim->setVariable(kCodeVariable, 0x0400), lab::SetVariableResult::Done);
  ASSERT_TRUE(waitForDigits(2, "0400"));

  ASSERT_EQ(sim->setVariable(kAvionicsVariable, 0), lab::SetVariableResult::Done);
  EXPECT_TRUE(waitForDigits(2, "      "));  // code and panel light dark
  ASSERT_EQ(sim->setVariable(kPanelLightVariable, 0), lab::SetVariableResult::Done);
  ASSERT_TRUE(waitForLogLine("Panel light changed: 0"));
  EXPECT_EQ(digits(2, 6), "      ");

  ASSERT_EQ(sim->setVariable(kAvionicsVariable, 1), lab::SetVariableResult::Done);
  EXPECT_TRUE(waitForDigits(2, "0400"));
  EXPECT_EQ(digits(2, 6), "0400  ");
}

TEST_F(ModuleTransponderTest, EnteringTheCodeTheSimulatorHasShowsItAtOnce) {
  startWithBoard();  // the simulator has 1200
  for (int key : {11, 2, 3, 1}) tap(key);
  ASSERT_TRUE(waitForDigits(2, "120-"));
  tap(1);
  EXPECT_TRUE(waitForDigits(2, "1200"));
  EXPECT_EQ(sim->radios().transponderCode, 0x1200u);
}

TEST_F(ModuleTransponderTest, CodeReportedDuringAnEntryKeepsTheEntryPosition) {
  startWithBoard();
  tap(11);
  tap(4);
  ASSERT_TRUE(waitForDigits(2, "3---"));
  ASSERT_EQ(sim->setVariable(kCodeVariable, 0x0012), lab::SetVariableResult::Done);
  ASSERT_TRUE(waitForDigits(2, "0012"));
  // The entry goes on at its second digit, over the reported code.
  for (int key : {6, 7, 8}) tap(key);
  EXPECT_TRUE(sim->waitUntil([&] { return sim->radios().transponderCode == 0x0567; }, kDeadline));
  EXPECT_TRUE(waitForDigits(2, "0567"));
}

struct IndicatorCase {
  int variant;
  bool usesLeds;
};

class ModuleTransponderIndicatorTest : public ModuleTransponderTest,
                                       public ::testing::WithParamInterface<IndicatorCase> {
 protected:
  bool indicatorsOn() const {
    auto view = rack->view(kSerial);
    if (!view) return false;
    if (GetParam().usesLeds)
      return view->ledLit(1) && view->ledLit(2) && view->ledLit(3) && view->ledLit(4);
    return view->ports[1] == 8;
  }
  bool indicatorsOff() const {
    auto view = rack->view(kSerial);
    if (!view) return false;
    if (GetParam().usesLeds)
      return !view->ledLit(1) && !view->ledLit(2) && !view->ledLit(3) && !view->ledLit(4);
    return view->ports[1] == 0;
  }
};

TEST_P(ModuleTransponderIndicatorTest, FollowAvionicsPower) {
  startWithBoard(GetParam().variant);
  EXPECT_TRUE(rack->waitUntil([&] { return indicatorsOn(); }, kDeadline));
  ASSERT_EQ(sim->setVariable(kAvionicsVariable, 0), lab::SetVariableResult::Done);
  EXPECT_TRUE(rack->waitUntil([&] { return indicatorsOff(); }, kDeadline));
  ASSERT_EQ(sim->setVariable(kAvionicsVariable, 1), lab::SetVariableResult::Done);
  EXPECT_TRUE(rack->waitUntil([&] { return indicatorsOn(); }, kDeadline));
}

INSTANTIATE_TEST_SUITE_P(BoardRevisions, ModuleTransponderIndicatorTest,
                         ::testing::Values(IndicatorCase{1, true}, IndicatorCase{2, false},
                                           IndicatorCase{3, false}));

TEST_F(ModuleTransponderTest, SelectorsAndIdentReachOtherClientsAndThePeer) {
  startWithBoard();
  CustomEventListener listener;
  ASSERT_TRUE(listener.open());
  // Key input starts with a full report: IDENT, being up, is announced.
  ASSERT_TRUE(waitForNotices({"XPNDR_IDENT=0"}));

  tap(19);
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Mode", 3, kDeadline));
  EXPECT_TRUE(waitForNotices({"TCAS_MODE_SWITCH=4"}));
  tap(10);
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Position", 2, kDeadline));
  tap(23);
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Status", 2, kDeadline));

  ASSERT_TRUE(rack->press(kSerial, 12));
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Ident", 1, kDeadline));
  EXPECT_TRUE(waitForNotices({"XPNDR_IDENT=1"}));
  ASSERT_TRUE(rack->release(kSerial, 12));
  EXPECT_TRUE(waitForNotices({"XPNDR_IDENT=1", "XPNDR_IDENT=0"}));
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Ident", 0, kDeadline));

  // Keys without a control and releases of selector keys send nothing.
  size_t before = listener.received().size();
  size_t noticesBefore = peer.notices().size();
  tap(14);
  tap(9);  // one more known event marks the end of what the panel sent
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Position", 1, kDeadline));
  EXPECT_EQ(listener.received().size(), before + 1);
  EXPECT_EQ(peer.notices().size(), noticesBefore);
}

TEST_F(ModuleTransponderTest, AHungPeerDoesNotStallThePanel) {
  peer.close();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  platform::OwnedWindow hung;
  ASSERT_TRUE(hung.create("TCP_CLIENT", "", [released](const platform::WindowMessage&) {
    released.wait();
    return intptr_t{0};
  }));
  startWithBoard();
  CustomEventListener listener;
  ASSERT_TRUE(listener.open());

  // Each notice gives up on the peer; the keys after it still go out.
  tap(12);
  tap(17);
  tap(22);
  EXPECT_TRUE(listener.waitFor("ZRQ-XPNDR.Status", 1, kDeadline));
  release.set_value();
}

}  // namespace e2e
