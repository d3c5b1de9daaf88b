// Connecting: Open and its answer, protocol versions, refused connections,
// requests sent before the answer, and TCP.
#include "simulator_fixture.h"

namespace labtest {
namespace {

using HandshakeTest = SimulatorFixture;

TEST_F(HandshakeTest, OpenIsAnsweredWithThePublishedOpenMessage) {
  auto client = connect();
  wire::Open open;
  open.applicationName = "Kestrix";
  ASSERT_EQ(client->send(open), 1u);
  auto answer = client->read(kPatience);
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->bytes.size(), 308u);
  auto recv = answer->as<SIMCONNECT_RECV_OPEN>();
  EXPECT_EQ(recv.dwSize, 308u);
  EXPECT_EQ(recv.dwVersion, 4u);
  EXPECT_EQ(recv.dwID, static_cast<DWORD>(SIMCONNECT_RECV_ID_OPEN));
  EXPECT_STREQ(recv.szApplicationName, "Kestrix Lab Simulator");
  EXPECT_EQ(recv.dwSimConnectVersionMajor, 10u);
  EXPECT_EQ(recv.dwSimConnectBuildMajor, 61259u);

  auto clients = sim->clients();
  ASSERT_EQ(clients.size(), 1u);
  EXPECT_EQ(clients[0].id, 1u);
  EXPECT_EQ(clients[0].name, "Kestrix");
  EXPECT_TRUE(clients[0].connected);
  EXPECT_TRUE(clients[0].opened);
}

struct ProtocolCase {
  uint32_t protocol;
  bool accepted;
};

class ProtocolVersionTest : public SimulatorFixture,
                            public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(ProtocolVersionTest, OnlyVersionsTwoToFourAreServed) {
  auto client = connect();
  wire::Open open;
  open.applicationName = "Old";
  uint32_t sendId = client->send(open, GetParam().protocol);
  if (GetParam().accepted) {
    auto answer = client->read(kPatience);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_OPEN));
    EXPECT_TRUE(sync(*client));
    return;
  }
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_VERSION_MISMATCH, sendId));
  EXPECT_FALSE(client->read(kPatience));
  EXPECT_TRUE(client->ended());
  EXPECT_TRUE(sim->waitUntil([&] { return !sim->clients().at(0).connected; }, kPatience));
  EXPECT_FALSE(sim->clients().at(0).opened);
}

INSTANTIATE_TEST_SUITE_P(Versions, ProtocolVersionTest,
                         ::testing::Values(ProtocolCase{1, false}, ProtocolCase{2, true},
                                           ProtocolCase{3, true}, ProtocolCase{4, true},
                                           ProtocolCase{5, false}));

TEST_F(HandshakeTest, RefusingClosesConnectionsUnansweredUntilSwitchedOff) {
  sim->setRefusing(true);
  auto refused = connect();
  wire::Open open;
  open.applicationName = "Kestrix";
  refused->send(open);
  EXPECT_FALSE(refused->read(kPatience));
  EXPECT_TRUE(refused->ended());
  EXPECT_TRUE(sim->clients().empty());

  sim->setRefusing(false);
  auto accepted = openClient("Kestrix");
  EXPECT_EQ(sim->clients().size(), 1u);
}

TEST_F(HandshakeTest, RequestsSentRightBehindOpenAreServedInOrder) {
  auto client = connect();
  std::vector<uint8_t> batch;
  auto add = [&](const wire::Request& request, uint32_t sendId) {
    auto packet = wire::encodeRequest(request, sendId);
    batch.insert(batch.end(), packet.begin(), packet.end());
  };
  add(wire::Open{"Squarix"}, 1);
  add(wire::MenuAddItem{"Squarix", 0, 0}, 2);
  add(wire::MenuAddSubItem{0, "About...", 1, 0}, 3);
  add(wire::SubscribeToSystemEvent{3, "SimStart"}, 4);
  add(wire::RequestSystemState{0, "Sim"}, 5);
  ASSERT_TRUE(client->sendBytes(batch));

  auto open = client->read(kPatience);
  ASSERT_TRUE(open);
  EXPECT_EQ(open->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_OPEN));
  auto state = client->read(kPatience);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_SYSTEM_STATE));
  EXPECT_EQ(state->as<SIMCONNECT_RECV_SYSTEM_STATE>().dwInteger, 1u);
  EXPECT_EQ(sim->menus().size(), 2u);
  EXPECT_EQ(sim->subscriptions().size(), 1u);
}

TEST_F(HandshakeTest, RequestBeforeOpenIsUnopenedAndOpenStillWorks) {
  auto client = connect();
  uint32_t sendId = client->send(wire::MenuAddItem{"Early", 1, 0});
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_UNOPENED, sendId));
  wire::Open open;
  open.applicationName = "Late";
  client->send(open);
  auto answer = client->read(kPatience);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_OPEN));
  EXPECT_TRUE(sim->menus().empty());
}

TEST_F(HandshakeTest, SecondOpenOnOneConnectionIsAnError) {
  auto client = openClient("Twice");
  wire::Open open;
  open.applicationName = "Twice";
  uint32_t sendId = client->send(open);
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_ERROR, sendId));
}

TEST_F(HandshakeTest, TcpPortServesLikeTheUnixSocket) {
  lab::Simulator::Options options;
  options.tcpOnAnyFreePort = true;
  startSimulator(options);
  ASSERT_NE(sim->tcpPort(), 0);
  ProbeClient overTcp;
  ASSERT_TRUE(overTcp.connectTcp(sim->tcpPort()));
  EXPECT_TRUE(overTcp.open("Remote", kPatience));
  auto overUnix = openClient("Local");
  EXPECT_EQ(sim->clients().size(), 2u);
}

}  // namespace
}  // namespace labtest
