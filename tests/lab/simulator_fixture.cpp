#include "simulator_fixture.h"

namespace labtest {
namespace {

// A request id no test uses, so that sync() knows its own answer.
constexpr uint32_t kSyncRequestId = 0x5EC0;

std::string describe(const ProbeClient::Message& message) {
  auto head = message.as<SIMCONNECT_RECV>();
  std::string text = "message id " + std::to_string(head.dwID) + " size " +
                     std::to_string(head.dwSize);
  if (head.dwID == SIMCONNECT_RECV_ID_EXCEPTION) {
    auto e = message.as<SIMCONNECT_RECV_EXCEPTION>();
    text += " (exception " + std::to_string(e.dwException) + " send id " +
            std::to_string(e.dwSendID) + ")";
  } else if (head.dwID == SIMCONNECT_RECV_ID_EVENT) {
    auto e = message.as<SIMCONNECT_RECV_EVENT>();
    text += " (event " + std::to_string(e.uEventID) + " group " + std::to_string(e.uGroupID) +
            " data " + std::to_string(e.dwData) + ")";
  }
  return text;
}

}  // namespace

void SimulatorFixture::startSimulator(lab::Simulator::Options options) {
  sim.reset();
  sim = std::make_unique<lab::Simulator>(std::move(options));
  ASSERT_TRUE(sim->start()) << sim->lastError();
}

std::unique_ptr<ProbeClient> SimulatorFixture::connect() {
  auto client = std::make_unique<ProbeClient>();
  EXPECT_TRUE(client->connectUnix(sim->socketPath()));
  return client;
}

std::unique_ptr<ProbeClient> SimulatorFixture::openClient(const std::string& name) {
  auto client = connect();
  EXPECT_TRUE(client->open(name, kPatience)) << name << " was not answered with OPEN";
  return client;
}

::testing::AssertionResult sync(ProbeClient& client) {
  client.send(wire::RequestSystemState{kSyncRequestId, "Sim"});
  auto message = client.read(kPatience);
  if (!message) return ::testing::AssertionFailure() << "no answer to the sync request";
  auto state = message->as<SIMCONNECT_RECV_SYSTEM_STATE>();
  if (state.dwID == SIMCONNECT_RECV_ID_SYSTEM_STATE && state.dwRequestID == kSyncRequestId)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "unexpected " << describe(*message);
}

::testing::AssertionResult nextIsException(ProbeClient& client, uint32_t exception,
                                           uint32_t sendId) {
  auto message = client.read(kPatience);
  if (!message) return ::testing::AssertionFailure() << "no message";
  auto e = message->as<SIMCONNECT_RECV_EXCEPTION>();
  if (e.dwID == SIMCONNECT_RECV_ID_EXCEPTION && e.dwSize == sizeof e &&
      e.dwException == exception && e.dwSendID == sendId)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "wanted exception " << exception << " for send id " << sendId << ", got "
         << describe(*message);
}

::testing::AssertionResult nextIsEvent(ProbeClient& client, uint32_t groupId, uint32_t eventId,
                                       uint32_t data) {
  auto message = client.read(kPatience);
  if (!message) return ::testing::AssertionFailure() << "no message";
  auto e = message->as<SIMCONNECT_RECV_EVENT>();
  if (e.dwID == SIMCONNECT_RECV_ID_EVENT && e.dwSize == sizeof e && e.uGroupID == groupId &&
      e.uEventID == eventId && e.dwData == data)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "wanted event " << eventId << " group " << groupId
                                       << " data " << data << ", got " << describe(*message);
}

}  // namespace labtest
