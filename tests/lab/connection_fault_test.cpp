// Broken streams from clients, and the simulator going away: quit, a broken
// connection, and the faults tests inject into a client's stream.
#include "simulator_fixture.h"

#include <cstring>

namespace labtest {
namespace {

using ConnectionFaultTest = SimulatorFixture;

std::vector<uint8_t> header(uint32_t size, uint32_t type, uint32_t sendId) {
  std::vector<uint8_t> bytes(16);
  uint32_t fields[] = {size, 4, type, sendId};
  std::memcpy(bytes.data(), fields, 16);
  return bytes;
}

TEST_F(ConnectionFaultTest, UnknownCallTypeIsAnErrorNamingItsSendId) {
  auto client = openClient("Kestrix");
  ASSERT_TRUE(client->sendBytes(header(16, 0xF0000099, 2)));
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_ERROR, 2));
  EXPECT_TRUE(sync(*client));
}

TEST_F(ConnectionFaultTest, CallWithTheWrongLayoutIsASizeMismatch) {
  auto client = openClient("Kestrix");
  // A MenuDeleteItem (one u32) carrying two.
  auto packet = header(24, 0xF0000032, 2);
  packet.resize(24);
  ASSERT_TRUE(client->sendBytes(packet));
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_SIZE_MISMATCH, 2));
  // A MapClientEventToSimEvent cut short.
  packet = header(20, 0xF0000004, 3);
  packet.resize(20);
  ASSERT_TRUE(client->sendBytes(packet));
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_SIZE_MISMATCH, 3));
  EXPECT_TRUE(sync(*client));
}

struct CorruptStream {
  const char* what;
  std::vector<uint8_t> bytes;
};

class CorruptStreamTest : public SimulatorFixture,
                          public ::testing::WithParamInterface<CorruptStream> {};

TEST_P(CorruptStreamTest, EndsThatConnectionOnly) {
  auto bystander = openClient("Bystander");
  auto client = openClient("Broken");
  ASSERT_TRUE(client->sendBytes(GetParam().bytes));
  EXPECT_FALSE(client->read(kPatience)) << GetParam().what;
  EXPECT_TRUE(client->ended()) << GetParam().what;
  EXPECT_TRUE(sync(*bystander));
  auto fresh = openClient("Fresh");
  EXPECT_TRUE(sync(*fresh));
  EXPECT_FALSE(sim->clients().at(1).connected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CorruptStreamTest,
    ::testing::Values(CorruptStream{"size below a header", header(8, 0xF0000032, 2)},
                      CorruptStream{"size beyond any packet", header(0x7FFFFFFF, 0xF0000032, 2)},
                      CorruptStream{"no call-type marker", header(16, 0x32, 2)}));

TEST_F(ConnectionFaultTest, QuitSendsQuitThenEndsEveryConnection) {
  auto first = openClient("Kestrix");
  auto second = openClient("Squarix");
  sim->quit();
  for (ProbeClient* client : {first.get(), second.get()}) {
    auto message = client->read(kPatience);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
    EXPECT_EQ(message->bytes.size(), 12u);
    EXPECT_FALSE(client->read(kPatience));
    EXPECT_TRUE(client->ended());
  }
  for (const auto& info : sim->clients()) EXPECT_FALSE(info.connected) << info.name;
  auto later = openClient("Kestrix");  // the lab still accepts clients
  EXPECT_TRUE(sync(*later));
}

TEST_F(ConnectionFaultTest, BreakEndsEveryConnectionWithoutQuit) {
  auto first = openClient("Kestrix");
  auto second = openClient("Squarix");
  sim->breakConnections();
  for (ProbeClient* client : {first.get(), second.get()}) {
    EXPECT_FALSE(client->read(kPatience));
    EXPECT_TRUE(client->ended());
  }
  for (const auto& info : sim->clients()) EXPECT_FALSE(info.connected) << info.name;
}

TEST_F(ConnectionFaultTest, OfConnectionsThatEndedTheNewestThousandAreRemembered) {
  auto lasting = openClient("Lasting");
  constexpr int kEnded = 1050;
  for (int i = 0; i < kEnded; ++i) {
    auto client = openClient("Passing" + std::to_string(i));
    ASSERT_TRUE(client);
    for (uint32_t k = 0; k < 20; ++k) client->send(wire::MapClientEventToSimEvent{k, "ZRQ-XPNDR.Mode"});
    client->close();
  }
  ASSERT_TRUE(sim->waitUntil(
      [&] {
        auto clients = sim->clients();
        size_t ended = 0;
        for (const auto& info : clients) ended += !info.connected;
        return ended == 1000 && clients.size() == 1001;
      },
      std::chrono::seconds(30)));
  auto clients = sim->clients();
  EXPECT_EQ(clients.front().name, "Lasting");
  EXPECT_TRUE(clients.front().connected);
  EXPECT_EQ(clients.back().name, "Passing" + std::to_string(kEnded - 1));
  EXPECT_TRUE(sync(*lasting));
}

TEST_F(ConnectionFaultTest, RawBytesArriveAsSent) {
  auto client = openClient("Kestrix");
  auto event = wire::encodeEventMessage(1, 2, 3);
  ASSERT_TRUE(sim->sendRaw("Kestrix", event));
  auto message = client->read(kPatience);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->bytes, event);
  EXPECT_FALSE(sim->sendRaw("Nobody", event));
}

TEST_F(ConnectionFaultTest, CloseMidPacketLeavesHalfAMessageThenEnd) {
  auto client = openClient("Kestrix");
  ASSERT_TRUE(sim->closeMidPacket("1"));  // by the lab's number for it
  EXPECT_FALSE(client->read(kPatience));
  EXPECT_TRUE(client->ended());
  EXPECT_FALSE(client->corrupt());
  EXPECT_FALSE(sim->clients().at(0).connected);
}

TEST_F(ConnectionFaultTest, DisconnectEndsOneClient) {
  auto kept = openClient("Kept");
  auto dropped = openClient("Dropped");
  ASSERT_TRUE(sim->disconnect("Dropped"));
  EXPECT_FALSE(dropped->read(kPatience));
  EXPECT_TRUE(dropped->ended());
  EXPECT_TRUE(sync(*kept));
}

}  // namespace
}  // namespace labtest
