// The control socket in-process: request lines, command matching, and the
// answers of the "sim" commands from a live Simulator.
#include "simulator_fixture.h"

#include <lab/command_forms.h>
#include <lab/control_protocol.h>
#include <lab/control_server.h>
#include <lab/sim_commands.h>

namespace labtest {
namespace {

using namespace lab::control;

TEST(ControlRequestTest, WordsSurviveTheLineWhateverTheyHold) {
  std::vector<std::vector<std::string>> cases = {
      {"sim", "clients", "--json"},
      {"sim", "choose", "Squarix", "Change configuraiton"},
      {"sim", "choose", "A \"quoted\" name", "back\\slash", ""},
  };
  for (const auto& words : cases) {
    std::string line = encodeRequest(words);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(decodeRequest(line), words) << line;
  }
  EXPECT_EQ(decodeRequest("sim  choose   Kestrix \"About...\"\n"),
            (std::vector<std::string>{"sim", "choose", "Kestrix", "About..."}));
  EXPECT_FALSE(decodeRequest("sim choose \"unclosed"));
}

TEST(ControlReplyTest, StatusAndTextRoundTrip) {
  Reply reply{2, "kestrix-lab: nothing\nsecond line\n"};
  auto decoded = decodeReply(encodeReply(reply));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->status, 2);
  EXPECT_EQ(decoded->text, reply.text);
  EXPECT_FALSE(decodeReply("status x\n"));
  EXPECT_FALSE(decodeReply(""));
}

TEST(CommandFormTest, MatchesArgumentsAndTheJsonFlag) {
  auto choose = matchCommand({"sim", "choose", "Kestrix", "Kestrix/About..."});
  ASSERT_TRUE(choose);
  EXPECT_EQ(choose->form, "sim choose CLIENT ITEM");
  EXPECT_EQ(choose->arguments, (std::vector<std::string>{"Kestrix", "Kestrix/About..."}));
  auto clients = matchCommand({"sim", "clients", "--json"});
  ASSERT_TRUE(clients);
  EXPECT_TRUE(clients->json);
  EXPECT_FALSE(matchCommand({"sim", "quit", "--json"}));  // quit has no JSON answer
  EXPECT_FALSE(matchCommand({"sim", "refuse", "maybe"}));
  EXPECT_FALSE(matchCommand({"sim"}));
  EXPECT_TRUE(isFamily("sim"));
  EXPECT_FALSE(isFamily("teleport"));
}

// Every form of the table has a handler behind it.
TEST(CommandFormTest, EverySimFormIsServed) {
  lab::Simulator simulator({"", 0, true});
  auto handler = simCommands(simulator);
  for (const CommandForm& form : commandForms()) {
    if (!form.form.starts_with("sim ")) continue;
    MatchedCommand command{form.form, {"x", "y"}, false};
    auto reply = handler(command);
    EXPECT_EQ(reply.text.find("is not served"), std::string::npos) << form.form;
  }
}

class SimCommandsTest : public SimulatorFixture {
 protected:
  void SetUp() override {
    SimulatorFixture::SetUp();
    control = std::make_unique<ControlServer>(controlSocketPath());
    control->addFamily("sim", simCommands(*sim));
    ASSERT_TRUE(control->start()) << control->lastError();
  }

  Reply ask(const std::vector<std::string>& words) {
    auto reply = sendRequest(controlSocketPath(), words);
    return reply ? *reply : Reply{-1, "no reply"};
  }

  std::unique_ptr<ControlServer> control;
};

TEST_F(SimCommandsTest, ExceptionsNameTheClientTheCallAndTheSendId) {
  auto client = openClient("Kestrix");
  uint32_t sendId = client->send(wire::MapClientEventToSimEvent{1, "NO_SUCH_EVENT"});
  ASSERT_TRUE(nextIsException(*client, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, sendId));

  auto text = ask({"sim", "exceptions"});
  EXPECT_EQ(text.status, kOk);
  EXPECT_EQ(text.text, "Kestrix (client 1): NAME_UNRECOGNIZED (7) for send id 2, index 2\n");
  auto json = ask({"sim", "exceptions", "--json"});
  EXPECT_EQ(json.text,
            "[{\"clientId\":1,\"client\":\"Kestrix\",\"exception\":7,"
            "\"exceptionName\":\"NAME_UNRECOGNIZED\",\"sendId\":2,\"index\":2}]\n");
}

TEST_F(SimCommandsTest, TextsAndMenusShowWhatIsOnScreen) {
  auto client = openClient("Squarix");
  std::string print = "Error \"FSUIPC\"\n";
  wire::Text text{0x101, 5.0f, 5, {print.begin(), print.end()}};
  text.bytes.push_back(0);
  client->send(text);
  std::string menu("Squarix Configuration\0Choose:\0Default\0", 38);
  client->send(wire::Text{0x200, 0.0f, 10, {menu.begin(), menu.end()}});
  ASSERT_TRUE(client->readUntil(SIMCONNECT_RECV_ID_EVENT, kPatience));

  auto json = ask({"sim", "texts", "--json"});
  EXPECT_EQ(json.status, kOk);
  EXPECT_NE(json.text.find("\"typeName\":\"PRINT_WHITE\",\"seconds\":5,\"eventId\":5,"
                           "\"text\":\"Error \\\"FSUIPC\\\"\\n\""),
            std::string::npos)
      << json.text;
  EXPECT_NE(json.text.find("\"typeName\":\"MENU\""), std::string::npos) << json.text;
  auto menus = ask({"sim", "menus", "--json"});
  EXPECT_EQ(menus.text,
            "{\"items\":[],\"menuTexts\":[{\"clientId\":1,\"client\":\"Squarix\",\"eventId\":10,"
            "\"title\":\"Squarix Configuration\",\"prompt\":\"Choose:\","
            "\"items\":[\"Default\"]}]}\n");
  auto chosen = ask({"sim", "choose", "Squarix", "Default"});
  EXPECT_EQ(chosen.status, kOk) << chosen.text;
  EXPECT_EQ(ask({"sim", "menus"}).text, "no menu items\n");
}

TEST_F(SimCommandsTest, EventsListWhatClientsTransmitted) {
  auto client = openClient("Kestrix");
  client->send(wire::MapClientEventToSimEvent{13, "XPNDR_SET"});
  client->send(wire::TransmitClientEvent{0, 13, 0x7700, 1, 0x10});
  ASSERT_TRUE(sync(*client));
  auto text = ask({"sim", "events"});
  EXPECT_EQ(text.text,
            "Kestrix (client 1): XPNDR_SET data 30464 (0x7700), id 13, group 1, flags 0x10\n");
  auto json = ask({"sim", "events", "--json"});
  EXPECT_NE(json.text.find("\"name\":\"XPNDR_SET\",\"eventId\":13,\"data\":30464"),
            std::string::npos)
      << json.text;
}

TEST_F(SimCommandsTest, PersonActionsReachTheSimulator) {
  auto client = openClient("Kestrix");
  EXPECT_EQ(ask({"sim", "flight", "stop"}).status, kOk);
  EXPECT_FALSE(sim->flightRunning());
  EXPECT_EQ(ask({"sim", "refuse", "on"}).status, kOk);
  EXPECT_TRUE(sim->refusing());
  EXPECT_EQ(ask({"sim", "refuse", "off"}).status, kOk);
  EXPECT_EQ(ask({"sim", "quit"}).text, "sent QUIT to 1 client\n");
  auto quit = client->read(kPatience);
  ASSERT_TRUE(quit);
  EXPECT_EQ(quit->id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
  EXPECT_EQ(ask({"sim", "clients"}).text, "Kestrix (client 1): ended\n");
}

TEST_F(SimCommandsTest, UnknownRequestIsBadUsageWithTheFamilysForms) {
  auto reply = ask({"sim", "fly"});
  EXPECT_EQ(reply.status, kBadUsage);
  EXPECT_NE(reply.text.find("kestrix-lab sim flight start"), std::string::npos) << reply.text;
  EXPECT_EQ(control->answer("\"unclosed").status, kBadUsage);
  EXPECT_EQ(control->answer("").status, kBadUsage);
}

}  // namespace
}  // namespace labtest
