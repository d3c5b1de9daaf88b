// Client events: mapping names, transmitting, and custom events that reach
// the clients that put them in a notification group.
#include "simulator_fixture.h"

namespace labtest {
namespace {

using ClientEventTest = SimulatorFixture;

// The bridge's registration: four transponder events in group 0, priority 1.
void registerLikeTheBridge(ProbeClient& client) {
  const char* names[] = {"ZRQ-XPNDR.Mode", "ZRQ-XPNDR.Position", "ZRQ-XPNDR.Status",
                         "ZRQ-XPNDR.Ident"};
  for (uint32_t i = 0; i < 4; ++i)
    client.send(wire::MapClientEventToSimEvent{6 + i, names[i]});
  for (uint32_t i = 0; i < 4; ++i) client.send(wire::AddClientEventToNotificationGroup{0, 6 + i, 0});
  client.send(wire::SetNotificationGroupPriority{0, 1});
  ASSERT_TRUE(sync(client));
}

TEST_F(ClientEventTest, CustomEventReachesClientsThatGroupedIt) {
  auto bridge = openClient("Squarix");
  registerLikeTheBridge(*bridge);
  auto mappedOnly = openClient("MappedOnly");
  mappedOnly->send(wire::MapClientEventToSimEvent{1, "ZRQ-XPNDR.Mode"});
  ASSERT_TRUE(sync(*mappedOnly));
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{40, "zrq-xpndr.mode"});  // letter case is free
  panel->send(wire::TransmitClientEvent{0, 40, 3, 0xFFFFFFFF, 0});
  ASSERT_TRUE(sync(*panel));

  EXPECT_TRUE(nextIsEvent(*bridge, 0, 6, 3));
  EXPECT_TRUE(sync(*bridge));
  EXPECT_TRUE(sync(*mappedOnly));  // mapped, but in no group: hears nothing
  auto events = sim->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].clientName, "Kestrix");
  EXPECT_EQ(events[0].name, "zrq-xpndr.mode");
  EXPECT_EQ(events[0].eventId, 40u);
  EXPECT_EQ(events[0].data, 3u);
}

TEST_F(ClientEventTest, EventsReachTheGroupOfHighestPriority) {
  auto listener = openClient("Listener");
  listener->send(wire::MapClientEventToSimEvent{7, "Lab.Test"});
  listener->send(wire::AddClientEventToNotificationGroup{20, 7, 0});
  listener->send(wire::AddClientEventToNotificationGroup{21, 7, 0});
  listener->send(wire::SetNotificationGroupPriority{20, 2000000000});
  listener->send(wire::SetNotificationGroupPriority{21, 1});
  listener->send(wire::TransmitClientEvent{0, 7, 9, 0, 0});  // a sender hears itself
  EXPECT_TRUE(nextIsEvent(*listener, 21, 7, 9));
  EXPECT_TRUE(sync(*listener));
  auto mappings = sim->eventMappings();
  ASSERT_EQ(mappings.size(), 1u);
  EXPECT_EQ(mappings[0].groupIds, (std::vector<uint32_t>{20, 21}));
}

TEST_F(ClientEventTest, SimulatorEventsAreRecorded) {
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{12, "COM_STBY_RADIO_SWAP"});
  panel->send(wire::MapClientEventToSimEvent{13, "XPNDR_SET"});
  panel->send(wire::TransmitClientEvent{0, 12, 0, 1, 0x10});
  panel->send(wire::TransmitClientEvent{0, 13, 0x7700, 1, 0x10});
  ASSERT_TRUE(sync(*panel));
  auto events = sim->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "COM_STBY_RADIO_SWAP");
  EXPECT_EQ(events[0].flags, 0x10u);
  EXPECT_EQ(events[1].name, "XPNDR_SET");
  EXPECT_EQ(events[1].data, 0x7700u);
}

struct EventFault {
  const char* what;
  wire::Request request;
  uint32_t exception;
};

class EventFaultTest : public SimulatorFixture,
                       public ::testing::WithParamInterface<EventFault> {};

TEST_P(EventFaultTest, BadRequestIsAnExceptionNamingItsSendId) {
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{12, "COM_STBY_RADIO_SWAP"});
  uint32_t sendId = panel->send(GetParam().request);
  EXPECT_TRUE(nextIsException(*panel, GetParam().exception, sendId)) << GetParam().what;
  EXPECT_TRUE(sync(*panel));
  auto recorded = sim->exceptions();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].clientId, sim->clients().at(0).id);
  EXPECT_EQ(recorded[0].exception, GetParam().exception);
  EXPECT_EQ(recorded[0].sendId, sendId);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EventFaultTest,
    ::testing::Values(
        EventFault{"unknown event name", wire::MapClientEventToSimEvent{13, "COM_RADIO_WARP"},
                   SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED},
        EventFault{"id mapped already", wire::MapClientEventToSimEvent{12, "XPNDR_SET"},
                   SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE},
        EventFault{"transmit unmapped id", wire::TransmitClientEvent{0, 99, 0, 1, 0x10},
                   SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID}));

}  // namespace
}  // namespace labtest
