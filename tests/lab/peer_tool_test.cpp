// The lab's peer window: what it records, and `kestrix-lab peer notices`
// against a real `kestrix-lab serve`.
#include <lab/peer_window.h>
#include <platform/window_messages.h>

#include "lab_tool_fixture.h"

namespace labtest {
namespace {

using namespace std::chrono_literals;

// What the transponder panel does for one notice.
platform::SendResult notify(const std::string& text, const std::string& messageName = "SWITCH") {
  uint16_t atom = platform::addAtom(text);
  auto result = platform::sendMessage(platform::findWindow("TCP_CLIENT", std::string()),
                                      platform::registerWindowMessage(messageName), atom, 0, 10000);
  platform::deleteAtom(atom);
  return result;
}

class PeerWindowTest : public ::testing::Test {
 protected:
  testsupport::TestEnvironment environment;
  lab::PeerWindow peer;
};

TEST_F(PeerWindowTest, RecordsSwitchNoticesOnlyInOrder) {
  ASSERT_TRUE(peer.open());
  EXPECT_FALSE(peer.open());  // one window per object
  EXPECT_EQ(notify("XPNDR_IDENT=1").result, 1);
  EXPECT_EQ(notify("XPNDR_IDENT=9", "OTHER").result, 0);
  EXPECT_EQ(notify("TCAS_MODE_SWITCH=4").result, 1);
  EXPECT_EQ(peer.notices(), (std::vector<std::string>{"XPNDR_IDENT=1", "TCAS_MODE_SWITCH=4"}));
  peer.clearNotices();
  EXPECT_TRUE(peer.notices().empty());

  peer.close();
  EXPECT_FALSE(platform::findWindow("TCP_CLIENT", std::string()));
  EXPECT_EQ(notify("XPNDR_IDENT=0").status, platform::SendStatus::invalidWindow);
}

TEST_F(PeerWindowTest, WaitUntilSeesNoticesFromOtherThreads) {
  ASSERT_TRUE(peer.open());
  std::thread sender([] { notify("XPNDR_IDENT=1"); });
  EXPECT_TRUE(peer.waitUntil([](const auto& notices) { return notices.size() == 1; }, 20s));
  sender.join();
}

class PeerToolTest : public LabToolFixture {};

TEST_F(PeerToolTest, TheDefaultWorldHasThePeerWindow) {
  auto lab = serve();
  EXPECT_NE(lab->output().find("lab: peer window open\n"), std::string::npos) << lab->output();
  auto empty = run({"peer", "notices"});
  EXPECT_EQ(empty.exitCode, 0);
  EXPECT_EQ(empty.output, "");

  ASSERT_TRUE(notify("XPNDR_IDENT=1").ok());
  ASSERT_TRUE(notify("XPNDR_IDENT=0").ok());
  auto text = run({"peer", "notices"});
  EXPECT_EQ(text.output, "XPNDR_IDENT=1\nXPNDR_IDENT=0\n");
  auto json = run({"peer", "notices", "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.output, "[\"XPNDR_IDENT=1\",\"XPNDR_IDENT=0\"]\n");
}

TEST_F(PeerToolTest, AWorldCanDoWithoutThePeerWindow) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world, "[peer]\nwindow = off\n");
  auto lab = serve({"--world", world});
  EXPECT_NE(lab->output().find("lab: peer window off\n"), std::string::npos) << lab->output();
  EXPECT_FALSE(platform::findWindow("TCP_CLIENT", std::string()));
  auto notices = run({"peer", "notices"});
  EXPECT_NE(notices.exitCode, 0);
  EXPECT_NE(notices.output.find("the peer window is off"), std::string::npos) << notices.output;
}

}  // namespace
}  // namespace labtest
