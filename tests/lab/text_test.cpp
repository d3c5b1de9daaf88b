// Texts on the simulator's screen: print and scroll texts, and menu texts
// that a person answers.
#include "simulator_fixture.h"

#include <cstring>

namespace labtest {
namespace {

constexpr uint32_t kNoGroup = 0xFFFFFFFF;
constexpr uint32_t kPrintWhite = 0x101;
constexpr uint32_t kMenu = 0x200;

std::vector<uint8_t> block(std::string_view bytes) { return {bytes.begin(), bytes.end()}; }

wire::Text printText(const std::string& text, float seconds, uint32_t eventId) {
  wire::Text request{kPrintWhite, seconds, eventId, block(text)};
  request.bytes.push_back(0);
  return request;
}

// The bridge's configuration chooser.
wire::Text chooser(std::string_view items) {
  std::string bytes("Squarix Configuration\0Choose one:\0", 34);
  bytes.append(items);
  return wire::Text{kMenu, 0.0f, 10, block(bytes)};
}

using TextTest = SimulatorFixture;

TEST_F(TextTest, PrintAndScrollTextsAreRecordedInOrder) {
  auto client = openClient("Squarix");
  client->send(printText("Squarix v1.9.17.0", 8.0f, 5));
  client->send(wire::Text{3, 2.5f, 6, block(std::string_view("scrolling\0tail", 14))});
  ASSERT_TRUE(sync(*client));  // and no answer to a print text
  auto texts = sim->texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].clientName, "Squarix");
  EXPECT_EQ(texts[0].type, kPrintWhite);
  EXPECT_EQ(texts[0].seconds, 8.0f);
  EXPECT_EQ(texts[0].eventId, 5u);
  EXPECT_EQ(texts[0].text, "Squarix v1.9.17.0");
  EXPECT_EQ(texts[1].type, 3u);
  EXPECT_EQ(texts[1].text, "scrolling");  // up to its NUL
}

TEST_F(TextTest, MenuTextIsShownAndAnsweredWithTheChoice) {
  auto client = openClient("Squarix");
  client->send(chooser(std::string_view("Default\0Airliner\0", 17)));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 10, SIMCONNECT_TEXT_RESULT_DISPLAYED));

  auto texts = sim->texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].type, kMenu);
  EXPECT_EQ(texts[0].text, "Squarix Configuration");
  EXPECT_EQ(texts[0].prompt, "Choose one:");
  EXPECT_EQ(texts[0].menuItems, (std::vector<std::string>{"Default", "Airliner"}));
  auto open = sim->openMenuText("Squarix");
  ASSERT_TRUE(open);
  EXPECT_EQ(open->menuItems.size(), 2u);

  ASSERT_TRUE(sim->choose("Squarix", "Airliner"));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 10, 1));
  EXPECT_FALSE(sim->openMenuText("Squarix"));  // a choice closes the menu
  EXPECT_FALSE(sim->choose("Squarix", "Airliner"));
}

TEST_F(TextTest, MenuEntryCanBeChosenByIndex) {
  auto client = openClient("Squarix");
  client->send(chooser(std::string_view("A\0B\0C\0", 6)));
  ASSERT_TRUE(nextIsEvent(*client, kNoGroup, 10, SIMCONNECT_TEXT_RESULT_DISPLAYED));
  EXPECT_FALSE(sim->choose("Squarix", "3"));  // no fourth entry
  ASSERT_TRUE(sim->choose("Squarix", "2"));
  EXPECT_TRUE(nextIsEvent(*client, kNoGroup, 10, 2));
}

TEST_F(TextTest, LaterMenuReplacesAndEmptyMenuRemoves) {
  auto client = openClient("Squarix");
  client->send(chooser(std::string_view("Old\0", 4)));
  ASSERT_TRUE(nextIsEvent(*client, kNoGroup, 10, SIMCONNECT_TEXT_RESULT_DISPLAYED));
  client->send(chooser(std::string_view("New\0", 4)));
  ASSERT_TRUE(nextIsEvent(*client, kNoGroup, 10, SIMCONNECT_TEXT_RESULT_DISPLAYED));
  EXPECT_FALSE(sim->choose("Squarix", "Old"));
  EXPECT_EQ(sim->openMenuText("Squarix")->menuItems, std::vector<std::string>{"New"});

  client->send(wire::Text{kMenu, 0.0f, 10, {}});
  ASSERT_TRUE(sync(*client));
  EXPECT_FALSE(sim->openMenuText("Squarix"));
  EXPECT_FALSE(sim->choose("Squarix", "0"));
}

struct BadText {
  const char* what;
  wire::Text request;
};

class BadTextTest : public SimulatorFixture, public ::testing::WithParamInterface<BadText> {};

TEST_P(BadTextTest, IsAnExceptionAndNothingIsShown) {
  auto client = openClient("Squarix");
  uint32_t sendId = client->send(GetParam().request);
  auto message = client->read(kPatience);
  ASSERT_TRUE(message) << GetParam().what;
  auto e = message->as<SIMCONNECT_RECV_EXCEPTION>();
  EXPECT_EQ(e.dwID, static_cast<DWORD>(SIMCONNECT_RECV_ID_EXCEPTION)) << GetParam().what;
  EXPECT_EQ(e.dwSendID, sendId) << GetParam().what;
  EXPECT_TRUE(sync(*client));
  EXPECT_TRUE(sim->texts().empty());
  EXPECT_FALSE(sim->openMenuText("Squarix"));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadTextTest,
    ::testing::Values(
        BadText{"print text without NUL", {kPrintWhite, 1.0f, 5, block("no end")}},
        BadText{"empty print text", {kPrintWhite, 1.0f, 5, {}}},
        BadText{"menu without final NUL",
                {kMenu, 0.0f, 10, block(std::string_view("T\0P\0item", 8))}},
        BadText{"menu without prompt", {kMenu, 0.0f, 10, block(std::string_view("T\0", 2))}},
        BadText{"unknown text type", {0x300, 1.0f, 5, block(std::string_view("x\0", 2))}}));

TEST_F(TextTest, ByteCountBeyondThePacketIsASizeMismatch) {
  auto client = openClient("Squarix");
  auto packet = wire::encodeRequest(printText("short", 1.0f, 5), 2);
  uint32_t lyingCount = 4000;
  std::memcpy(packet.data() + 28, &lyingCount, 4);  // the byteCount field
  ASSERT_TRUE(client->sendBytes(packet));
  EXPECT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_SIZE_MISMATCH, 2));
  EXPECT_TRUE(sync(*client));
  EXPECT_TRUE(sim->texts().empty());
}

}  // namespace
}  // namespace labtest
