// Add-on menu items kept per client, and choosing them as a person would.
#include "simulator_fixture.h"

namespace labtest {
namespace {

constexpr uint32_t kNoGroup = 0xFFFFFFFF;

class MenuTest : public SimulatorFixture {
 protected:
  // The panel driver's menu: "Kestrix" with "Reload devices" and "About...".
  void addKestrixMenu(ProbeClient& client) {
    client.send(wire::MenuAddItem{"Kestrix", 1, 0});
    client.send(wire::MenuAddSubItem{1, "Reload devices", 2, 0});
    client.send(wire::MenuAddSubItem{1, "About...", 3, 77});
    ASSERT_TRUE(sync(client));
  }
};

TEST_F(MenuTest, ItemsAreListedWithTheirParents) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  auto menus = sim->menus();
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_EQ(menus[0].text, "Kestrix");
  EXPECT_FALSE(menus[0].parentEventId);
  EXPECT_EQ(menus[2].clientName, "Kestrix");
  EXPECT_EQ(menus[2].text, "About...");
  EXPECT_EQ(menus[2].eventId, 3u);
  EXPECT_EQ(menus[2].data, 77u);
  EXPECT_EQ(menus[2].parentEventId, 1u);
}

TEST_F(MenuTest, ChoosingAnItemSendsItsEventAndData) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 3, 77));
  ASSERT_TRUE(sim->choose("Kestrix", "Kestrix/Reload devices"));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 2, 0));
}

TEST_F(MenuTest, WhatCannotBeChosenIsRefusedQuietly) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  EXPECT_FALSE(sim->choose("Kestrix", "Kestrix"));  // it only opens its sub-items
  EXPECT_FALSE(sim->choose("Kestrix", "Nothing"));
  EXPECT_FALSE(sim->choose("Kestrix", "Other/About..."));
  EXPECT_FALSE(sim->choose("Nobody", "About..."));
  EXPECT_TRUE(sync(*client));  // and no event reached the client
}

TEST_F(MenuTest, ChoiceGoesToTheNamedClientOnly) {
  auto kestrix = openClient("Kestrix");
  addKestrixMenu(*kestrix);
  auto squarix = openClient("Squarix");
  squarix->send(wire::MenuAddItem{"Squarix", 0, 0});
  squarix->send(wire::MenuAddSubItem{0, "About...", 1, 0});
  ASSERT_TRUE(sync(*squarix));

  ASSERT_TRUE(sim->choose("Squarix", "About..."));
  EXPECT_TRUE(nextIsEvent(*squarix, kNoGroup, 1, 0));
  EXPECT_TRUE(sync(*kestrix));
}

TEST_F(MenuTest, DeletingAnItemTakesItsSubItemsAlong) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  client->send(wire::MenuDeleteSubItem{1, 2});
  ASSERT_TRUE(sync(*client));
  EXPECT_EQ(sim->menus().size(), 2u);
  client->send(wire::MenuDeleteItem{1});
  ASSERT_TRUE(sync(*client));
  EXPECT_TRUE(sim->menus().empty());
  EXPECT_FALSE(sim->choose("Kestrix", "About..."));
}

TEST_F(MenuTest, ItemsOfAClientThatLeftAreGone) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  client->close();
  EXPECT_TRUE(sim->waitUntil([&] { return sim->menus().empty(); }, kPatience));
}

struct MenuFault {
  const char* what;
  wire::Request request;
  uint32_t exception;
};

class MenuFaultTest : public MenuTest, public ::testing::WithParamInterface<MenuFault> {};

TEST_P(MenuFaultTest, BadChangeIsAnExceptionNamingItsSendId) {
  auto client = openClient("Kestrix");
  addKestrixMenu(*client);
  uint32_t sendId = client->send(GetParam().request);
  EXPECT_TRUE(nextIsException(*client, GetParam().exception, sendId)) << GetParam().what;
  EXPECT_EQ(sim->menus().size(), 3u);
  auto recorded = sim->exceptions();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].clientName, "Kestrix");
  EXPECT_EQ(recorded[0].sendId, sendId);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MenuFaultTest,
    ::testing::Values(
        MenuFault{"item id taken", wire::MenuAddItem{"Again", 1, 0},
                  SIMCONNECT_EXCEPTION_DUPLICATE_ID},
        MenuFault{"item id taken by a sub-item", wire::MenuAddItem{"Again", 3, 0},
                  SIMCONNECT_EXCEPTION_DUPLICATE_ID},
        MenuFault{"sub-item id taken", wire::MenuAddSubItem{1, "Again", 2, 0},
                  SIMCONNECT_EXCEPTION_DUPLICATE_ID},
        MenuFault{"sub-item of no item", wire::MenuAddSubItem{9, "Lost", 10, 0},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        MenuFault{"delete unknown item", wire::MenuDeleteItem{9},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        MenuFault{"delete a sub-item as an item", wire::MenuDeleteItem{2},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        MenuFault{"delete unknown sub-item", wire::MenuDeleteSubItem{1, 9},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        MenuFault{"delete sub-item of unknown item", wire::MenuDeleteSubItem{9, 2},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID}));

}  // namespace
}  // namespace labtest
