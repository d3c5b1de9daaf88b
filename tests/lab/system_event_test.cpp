// System events ("SimStart", "SimStop", ...) and system states ("Sim", ...).
#include "simulator_fixture.h"

namespace labtest {
namespace {

constexpr uint32_t kNoGroup = 0xFFFFFFFF;

using SystemEventTest = SimulatorFixture;

TEST_F(SystemEventTest, SubscribersHearTheFlightStartAndStop) {
  auto client = openClient("Kestrix");
  client->send(wire::SubscribeToSystemEvent{5, "SimStart"});
  client->send(wire::SubscribeToSystemEvent{6, "SimStop"});
  client->send(wire::SubscribeToSystemEvent{7, "Sim"});
  ASSERT_TRUE(sync(*client));
  auto bystander = openClient("Bystander");

  sim->stopFlight();
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 6, 0));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 7, 0));
  sim->startFlight();
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 5, 0));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 7, 1));
  EXPECT_TRUE(sync(*bystander));  // heard nothing
}

TEST_F(SystemEventTest, UnsubscribedEventIsNoLongerSent) {
  auto client = openClient("Squarix");
  client->send(wire::SubscribeToSystemEvent{3, "SimStart"});
  client->send(wire::SubscribeToSystemEvent{4, "SimStop"});
  client->send(wire::UnsubscribeFromSystemEvent{3});
  ASSERT_TRUE(sync(*client));
  sim->startFlight();
  sim->stopFlight();
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 4, 0));
  ASSERT_EQ(sim->subscriptions().size(), 1u);
  EXPECT_EQ(sim->subscriptions()[0].name, "SimStop");
}

TEST_F(SystemEventTest, QuietEventsAndAnyLetterCaseAreAccepted) {
  auto client = openClient("Kestrix");
  uint32_t id = 20;
  for (const char* name : {"1sec", "4sec", "6Hz", "Frame", "Pause", "Crashed", "simstart"})
    client->send(wire::SubscribeToSystemEvent{id++, name});
  ASSERT_TRUE(sync(*client));
  EXPECT_TRUE(sim->exceptions().empty());
  sim->startFlight();
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 26, 0));  // "simstart" is "SimStart"
}

TEST_F(SystemEventTest, SimStateFollowsTheFlight) {
  auto client = openClient("Kestrix");
  for (bool running : {true, false, true}) {
    if (running)
      sim->startFlight();
    else
      sim->stopFlight();
    client->send(wire::RequestSystemState{1, "Sim"});
    auto answer = client->readUntil(SIMCONNECT_RECV_ID_SYSTEM_STATE, kPatience);
    ASSERT_TRUE(answer);
    auto state = answer->as<SIMCONNECT_RECV_SYSTEM_STATE>();
    EXPECT_EQ(state.dwSize, 284u);
    EXPECT_EQ(state.dwRequestID, 1u);
    EXPECT_EQ(state.dwInteger, running ? 1u : 0u);
  }
}

TEST_F(SystemEventTest, NoFlightAtStartAnswersSimZero) {
  startSimulator({"", 0, false});
  auto client = openClient("Squarix");
  client->send(wire::RequestSystemState{0, "Sim"});
  auto answer = client->read(kPatience);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->as<SIMCONNECT_RECV_SYSTEM_STATE>().dwInteger, 0u);
}

TEST_F(SystemEventTest, OtherStatesAreAnswered) {
  auto client = openClient("Kestrix");
  uint32_t requestId = 40;
  for (const char* name : {"AircraftLoaded", "DialogMode", "FlightLoaded", "FlightPlan"}) {
    client->send(wire::RequestSystemState{requestId, name});
    auto answer = client->read(kPatience);
    ASSERT_TRUE(answer) << name;
    EXPECT_EQ(answer->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_SYSTEM_STATE)) << name;
    EXPECT_EQ(answer->as<SIMCONNECT_RECV_SYSTEM_STATE>().dwRequestID, requestId++) << name;
  }
  client->send(wire::RequestSystemState{50, "AircraftLoaded"});
  auto aircraft = client->read(kPatience);
  ASSERT_TRUE(aircraft);
  EXPECT_STRNE(aircraft->as<SIMCONNECT_RECV_SYSTEM_STATE>().szString, "");
}

struct SystemFault {
  const char* what;
  wire::Request request;
  uint32_t exception;
};

class SystemFaultTest : public SimulatorFixture,
                        public ::testing::WithParamInterface<SystemFault> {};

TEST_P(SystemFaultTest, BadRequestIsAnExceptionNamingItsSendId) {
  auto client = openClient("Kestrix");
  client->send(wire::SubscribeToSystemEvent{5, "SimStart"});
  uint32_t sendId = client->send(GetParam().request);
  EXPECT_TRUE(nextIsException(*client, GetParam().exception, sendId)) << GetParam().what;
  EXPECT_TRUE(sync(*client));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SystemFaultTest,
    ::testing::Values(
        SystemFault{"unknown event", wire::SubscribeToSystemEvent{6, "SimStrat"},
                    SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED},
        SystemFault{"id subscribed already", wire::SubscribeToSystemEvent{5, "SimStop"},
                    SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE},
        SystemFault{"unsubscribe unknown id", wire::UnsubscribeFromSystemEvent{9},
                    SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        SystemFault{"unknown state", wire::RequestSystemState{1, "Weather"},
                    SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED}));

}  // namespace
}  // namespace labtest
