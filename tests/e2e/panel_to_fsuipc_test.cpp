// The whole chain: a key of an emulated transponder panel, the real
// kestrix-module, the lab's simulator, the real squarix and the lab's FSUIPC
// server.
#include <lab/boards.h>

#include "squarix_fixture.h"

namespace e2e {
namespace {

constexpr char kSerial[] = "0000A002";

class PanelToFsuipcTest : public SquarixTest {
 protected:
  void TearDown() override {
    if (module && module->running()) {
      module->requestStop();
      module->waitForExit(kBridgeDeadline);
    }
    module.reset();
    SquarixTest::TearDown();
    rack.reset();
  }
  void startModule() {
    module = testsupport::startProgramIn(env, testsupport::programPath("kestrix-module"), {});
    ASSERT_TRUE(module);
  }
  void tap(int key) {
    ASSERT_TRUE(rack->press(kSerial, key));
    ASSERT_TRUE(rack->release(kSerial, key));
  }

  std::unique_ptr<lab::BoardRack> rack = std::make_unique<lab::BoardRack>(env.runtimeDir());
  std::unique_ptr<platform::ChildProcess> module;
};

TEST_F(PanelToFsuipcTest, TheSelectorsAndIdentKeyOfThePanelBecomeTheConfiguredWrites) {
  writeModules(R"(<module name="TCAS">
    <function name="TARA"><fsuipc offset="66C0" size="1" data="2"/><fsuipc offset="66C5" size="2" data="-1"/></function>
    <function name="RIGHT"><fsuipc offset="66C1" size="1" data="2"/></function>
    <function name="AUTO"><fsuipc offset="66C2" size="1" data="1"/></function>
    <function name="IDENTPRESSED"><fsuipc offset="66C3" size="1" data="1"/></function>
    <function name="IDENTRELEASED"><fsuipc offset="66C3" size="1" data="0"/></function>
  </module>)");
  remember("TCAS");
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel(kSerial, 0x34, 0x02, 2)));
  startLab();
  startTheBridge();
  startModule();
  ASSERT_TRUE(waitUntilListening());
  // The panel is up once it shows the simulator's code.
  ASSERT_TRUE(rack->waitUntil(
      [&] {
        auto view = rack->view(kSerial);
        return view && view->digits(2, 4) == "1200";
      },
      kBridgeDeadline));
  struct Step {
    std::function<void()> act;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> writes;
  } steps[] = {
      {[&] { tap(19); }, {{0x66C0, {2}}, {0x66C5, {0xFF, 0xFF}}}},  // mode selector to TA/RA
      {[&] { tap(10); }, {{0x66C1, {2}}}},                          // position RIGHT
      {[&] { tap(23); }, {{0x66C2, {1}}}},                          // status AUTO
      {[&] { ASSERT_TRUE(rack->press(kSerial, 12)); }, {{0x66C3, {1}}}},
      {[&] { ASSERT_TRUE(rack->release(kSerial, 12)); }, {{0x66C3, {0}}}},
  };
  // The panel announces its selectors' positions as it starts, so each step
  // is checked by the newest writes.
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    auto newest = [&] {
      auto writes = functionWrites();
      size_t count = steps[i].writes.size();
      std::vector<std::pair<uint32_t, std::vector<uint8_t>>> tail;
      for (size_t w = writes.size() >= count ? writes.size() - count : 0; w < writes.size(); ++w)
        tail.emplace_back(writes[w].offset, writes[w].bytes);
      return tail;
    };
    steps[i].act();
    EXPECT_TRUE(testsupport::eventually([&] { return newest() == steps[i].writes; }, kBridgeDeadline))
        << ::testing::PrintToString(newest());
  }
}

}  // namespace
}  // namespace e2e
