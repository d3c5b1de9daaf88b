// The transponder's notices to the peer window, against the lab's peer
// window in a runtime folder of each case's own.
#include <gtest/gtest.h>
#include <lab/peer_window.h>
#include <transponder/xpndr_peer_notice.h>

#include <future>

#include "test_environment.h"

namespace {

using namespace std::chrono_literals;

TEST(TransponderPeerNoticeText, ModePositionsMapToTheirTcasModes) {
  const std::pair<int, const char*> cases[] = {
      {1, "TCAS_MODE_SWITCH=0"}, {2, "TCAS_MODE_SWITCH=3"}, {3, "TCAS_MODE_SWITCH=4"},
      {4, "TCAS_MODE_SWITCH=2"}, {5, "TCAS_MODE_SWITCH=1"}, {0, "TCAS_MODE_SWITCH=0"},
      {6, "TCAS_MODE_SWITCH=0"}, {-1, "TCAS_MODE_SWITCH=0"}};
  for (const auto& [position, text] : cases)
    EXPECT_EQ(xpndr::tcasModeNoticeText(position), text) << "position " << position;
  EXPECT_EQ(xpndr::identNoticeText(true), "XPNDR_IDENT=1");
  EXPECT_EQ(xpndr::identNoticeText(false), "XPNDR_IDENT=0");
}

class TransponderPeerNoticeTest : public ::testing::Test {
 protected:
  testsupport::TestEnvironment env;
};

TEST_F(TransponderPeerNoticeTest, ReachesTheUntitledPeerWindowAndLeavesNoAtomBehind) {
  lab::PeerWindow peer;
  ASSERT_TRUE(peer.open());
  xpndr::sendPeerNotice("XPNDR_IDENT=1");
  xpndr::sendPeerNotice("TCAS_MODE_SWITCH=4");
  EXPECT_TRUE(peer.waitUntil([](const auto& notices) { return notices.size() == 2; }, 20s));
  EXPECT_EQ(peer.notices(), (std::vector<std::string>{"XPNDR_IDENT=1", "TCAS_MODE_SWITCH=4"}));
  // The atom went when the send returned: a new one gets the first number.
  uint16_t atom = platform::addAtom("probe");
  EXPECT_EQ(atom, 0xC000);
  platform::deleteAtom(atom);
}

TEST_F(TransponderPeerNoticeTest, AWindowWithATitleIsNoPeer) {
  std::atomic<int> received{0};
  platform::OwnedWindow titled;
  ASSERT_TRUE(titled.create("TCP_CLIENT", "Client", [&](const platform::WindowMessage&) {
    ++received;
    return intptr_t{1};
  }));
  xpndr::sendPeerNotice("XPNDR_IDENT=1");  // synchronous: nothing is in flight after it
  EXPECT_EQ(received.load(), 0);
}

TEST_F(TransponderPeerNoticeTest, AHungPeerDoesNotHoldTheSender) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  platform::OwnedWindow hung;
  ASSERT_TRUE(hung.create("TCP_CLIENT", "", [released](const platform::WindowMessage&) {
    released.wait();
    return intptr_t{0};
  }));
  auto sending = std::async(std::launch::async, [] { xpndr::sendPeerNotice("XPNDR_IDENT=1"); });
  EXPECT_EQ(sending.wait_for(20s), std::future_status::ready);
  release.set_value();
}

}  // namespace
