// `kestrix-lab fsuipc ...` against a real `kestrix-lab serve`, and the
// world file's [fsuipc] section.
#include <lab/command_forms.h>
#include <lab/control_protocol.h>
#include <lab/fsuipc_commands.h>
#include <lab/world_file.h>
#include <platform/window_messages.h>

#include "fsuipc_raw_client.h"
#include "view/lab_reader.h"
#include "lab_tool_fixture.h"

namespace labtest {
namespace {

using lab::FsuipcServer;

// The handshake a client makes, plus one write of its own.
FsuipcAnswer handshake(size_t& simulatorVersion) {
  FsuipcArea area;
  area.read(0x3304, 4);
  simulatorVersion = area.read(0x3308, 4);
  area.write(0x330A, {0xEC, 0x03});
  area.write(0x0354, {0x00, 0x77});
  return sendFsuipcArea(area);
}

class FsuipcToolTest : public LabToolFixture {};

TEST_F(FsuipcToolTest, TheDefaultWorldServesUipcmainAndLogsWrites) {
  auto lab = serve();
  EXPECT_NE(lab->output().find("lab: fsuipc server UIPCMAIN\nlab: serving on"), std::string::npos)
      << lab->output();
  EXPECT_EQ(run({"fsuipc", "writes"}).output, "");

  size_t simulatorVersion = 0;
  FsuipcAnswer answer = handshake(simulatorVersion);
  ASSERT_EQ(answer.sent.result, 1);
  EXPECT_EQ(answer.area.receivedValue(simulatorVersion), 0xFADE0008u);

  auto text = run({"fsuipc", "writes"});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(text.output, "330A 2 EC 03\n0354 2 00 77\n");
  EXPECT_EQ(withoutStamps(run({"fsuipc", "writes", "--json"}).output),
            "[{\"offset\":\"330A\",\"size\":2,\"bytes\":\"EC03\",\"exchange\":1},"
            "{\"offset\":\"0354\",\"size\":2,\"bytes\":\"0077\",\"exchange\":1}]\n");
  EXPECT_EQ(run({"fsuipc", "get", "0354", "2"}).output, "0354 2 = 0x7700 (30464)\n");
  EXPECT_EQ(run({"fsuipc", "get", "0x3308", "4", "--json"}).output,
            "{\"offset\":\"3308\",\"size\":4,\"value\":4208853000,\"hex\":\"FADE0008\"}\n");
  EXPECT_EQ(run({"fsuipc", "status"}).output,
            "window UIPCMAIN\nanswer normal\nexchanges 1\nclient library version 1004\n");

  EXPECT_EQ(run({"fsuipc", "clear"}).exitCode, 0);
  EXPECT_EQ(run({"fsuipc", "writes"}).output, "");
}

TEST_F(FsuipcToolTest, SetChangesWhatClientsRead) {
  auto lab = serve();
  struct Case {
    std::vector<std::string> set;
    const char* says;
    uint32_t offset;
    uint32_t count;
    uint32_t reads;
  };
  const Case cases[] = {
      {{"3308", "4", "0"}, "3308 4 = 0x00000000 (0)\n", 0x3308, 4, 0},
      {{"0x0354", "2", "-2"}, "0354 2 = 0xFFFE (65534)\n", 0x0354, 2, 0xFFFE},
      {{"7b91", "1", "0xff"}, "7B91 1 = 0xFF (255)\n", 0x7B91, 1, 0xFF},
      {{"FFFD", "3", "-8388608"}, "FFFD 3 = 0x800000 (8388608)\n", 0xFFFD, 3, 0x800000},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words{"fsuipc", "set"};
    words.insert(words.end(), c.set.begin(), c.set.end());
    auto result = run(words);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, c.says);
    FsuipcArea area;
    size_t read = area.read(c.offset, c.count);
    EXPECT_EQ(sendFsuipcArea(area).area.receivedValue(read), c.reads) << c.says;
  }
  EXPECT_TRUE(run({"fsuipc", "writes"}).output.empty());  // the lab's sets are no client writes
}

TEST_F(FsuipcToolTest, FaultsAndWindowKindsReachTheClient) {
  auto lab = serve();
  EXPECT_EQ(run({"fsuipc", "answer", "bad"}).output, "answering bad\n");
  size_t simulatorVersion = 0;
  EXPECT_EQ(handshake(simulatorVersion).sent.result, 0);
  EXPECT_EQ(run({"fsuipc", "answer", "normal"}).exitCode, 0);

  EXPECT_EQ(run({"fsuipc", "window", "fs98main"}).output, "fsuipc window FS98MAIN\n");
  EXPECT_FALSE(platform::findWindow("UIPCMAIN"));
  EXPECT_EQ(sendFsuipcArea(FsuipcArea(), "FS98MAIN").sent.result, 1);
  std::string status = run({"fsuipc", "status", "--json"}).output;
  EXPECT_NE(status.find("{\"window\":\"fs98main\",\"answer\":\"normal\",\"exchanges\":2,"
                        "\"areas\":[\"FsasmLib:IPC:"),
            std::string::npos)
      << status;
  // The bad answer dropped the handshake's library version.
  EXPECT_NE(status.find(",\"clientLibraryVersion\":null}"), std::string::npos) << status;

  EXPECT_EQ(run({"fsuipc", "window", "off"}).output, "fsuipc window off\n");
  EXPECT_FALSE(platform::findWindow("FS98MAIN"));
  EXPECT_EQ(run({"fsuipc", "status"}).output.substr(0, 11), "window off\n");
  EXPECT_EQ(run({"fsuipc", "window", "uipcmain"}).output, "fsuipc window UIPCMAIN\n");
  EXPECT_TRUE(platform::findWindow("UIPCMAIN"));
}

TEST_F(FsuipcToolTest, MistakesExitTwoAndSayWhy) {
  auto lab = serve();
  struct Case {
    std::vector<std::string> arguments;
    const char* says;
  };
  const Case cases[] = {
      {{"fsuipc", "get", "3304", "5"}, "SIZE is 1, 2, 3 or 4"},
      {{"fsuipc", "get", "33g4", "4"}, "OFFSET is 1 to 4 hex digits"},
      {{"fsuipc", "get", "12345", "1"}, "OFFSET is 1 to 4 hex digits"},
      {{"fsuipc", "get", "FFFE", "4"}, "reach past FSUIPC's last offset, FFFF"},
      {{"fsuipc", "set", "FFFF", "2", "1"}, "reach past FSUIPC's last offset, FFFF"},
      {{"fsuipc", "set", "0354", "1", "256"}, "fits in 1 byte, not \"256\""},
      {{"fsuipc", "set", "0354", "1", "-129"}, "fits in 1 byte"},
      {{"fsuipc", "set", "0354", "2", "0x-1"}, "fits in 2 bytes"},
      {{"fsuipc", "set", "0354", "2", "12abc"}, "VALUE is a decimal number"},
      {{"fsuipc", "set", "0354", "0", "1"}, "SIZE is 1, 2, 3 or 4"},
      {{"fsuipc", "answer", "loud"}, "MODE is normal, bad, silent or garbage"},
      {{"fsuipc", "window", "fs2004"}, "KIND is uipcmain, fs98main or off"},
      // Usage the tool refuses before it asks the lab.
      {{"fsuipc", "get", "3304"}, "usage:"},
      {{"fsuipc", "writes", "all"}, "usage:"},
  };
  for (const Case& c : cases) {
    auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
  }
  EXPECT_EQ(run({"fsuipc", "get", "0354", "2"}).output, "0354 2 = 0x0000 (0)\n");
}

TEST_F(FsuipcToolTest, TheWorldFileChoosesTheWindowAndTheAnswer) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world, "[FSUIPC]\nwindow = FS98MAIN\nanswer = garbage ; for the client\n");
  {
    auto lab = serve({"--world", world});
    EXPECT_NE(lab->output().find("lab: fsuipc server FS98MAIN\n"), std::string::npos);
    EXPECT_EQ(run({"fsuipc", "status"}).output.substr(0, 31),
              "window FS98MAIN\nanswer garbage\n");
  }
  testsupport::writeFile(world, "[fsuipc]\nwindow = off\n");
  auto lab = serve({"--world", world});
  EXPECT_NE(lab->output().find("lab: fsuipc server off\n"), std::string::npos);
  EXPECT_FALSE(platform::findWindow("UIPCMAIN"));
}

// The titles of the view's extra sections, and the lines of "fsuipc writes".
std::vector<std::string> viewSections(std::vector<std::string>* fsuipcLines = nullptr) {
  lab::view::ViewState state = lab::view::readLab(lab::control::controlSocketPath());
  std::vector<std::string> titles;
  for (const auto& section : state.extraSections) {
    titles.push_back(section.title);
    if (fsuipcLines && section.title == "fsuipc writes") *fsuipcLines = section.lines;
  }
  return titles;
}

TEST_F(FsuipcToolTest, TheViewShowsTheNewestWritesWhileTheServerHasItsWindow) {
  auto lab = serve();
  std::vector<std::string> lines;
  EXPECT_EQ(viewSections(&lines), (std::vector<std::string>{"fsuipc writes", "peer notices"}));
  EXPECT_EQ(lines, std::vector<std::string>{"(none)"});

  FsuipcArea area;
  for (uint8_t i = 0; i < 6; ++i) area.write(0x0400 + i, {i});
  area.write(0x0B00, {0xEC, 0x03});
  ASSERT_EQ(sendFsuipcArea(area).sent.result, 1);
  viewSections(&lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"0403 1 03", "0404 1 04", "0405 1 05",
                                             "0B00 2 EC 03"}));

  run({"fsuipc", "window", "off"});
  EXPECT_EQ(viewSections(), std::vector<std::string>{"peer notices"});
}

TEST(FsuipcWorldFileTest, BadValuesAreRefusedNamingTheLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"[fsuipc]\nwindow = on\n", "w.ini:2: window is uipcmain, fs98main or off"},
      {"[fsuipc]\n\nanswer = slow\n", "w.ini:3: answer is normal, bad, silent or garbage"},
      {"[fsuipc]\nport = 1\n", "w.ini:2: unknown key \"port\" in [fsuipc]"},
  };
  for (const Case& c : cases) {
    lab::WorldSettings world;
    std::string error;
    EXPECT_FALSE(lab::parseWorld(c.text, "w.ini", world, error));
    EXPECT_EQ(error, c.error);
  }
  lab::WorldSettings defaults;
  EXPECT_EQ(defaults.fsuipcWindow, FsuipcServer::WindowKind::Fsuipc);
  EXPECT_EQ(defaults.fsuipcAnswer, FsuipcServer::AnswerMode::Normal);
}

// Every fsuipc form of the table has a handler behind it.
TEST(FsuipcCommandFormTest, EveryFsuipcFormIsServed) {
  FsuipcServer server;
  auto handler = lab::control::fsuipcCommands(server);
  for (const auto& form : lab::control::commandForms()) {
    if (!form.form.starts_with("fsuipc ")) continue;
    auto reply = handler({form.form, {"x", "y", "z"}, false});
    EXPECT_EQ(reply.text.find("unknown fsuipc command"), std::string::npos) << form.form;
  }
}

TEST_F(FsuipcToolTest, HelpTellsTheFsuipcForms) {
  auto help = run({"help", "fsuipc"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* form : {"fsuipc writes [--json]", "fsuipc get OFFSET SIZE [--json]",
                           "fsuipc set OFFSET SIZE VALUE", "fsuipc answer MODE",
                           "fsuipc window KIND", "fsuipc clear", "fsuipc status [--json]"})
    EXPECT_NE(help.output.find(form), std::string::npos) << form;
  EXPECT_NE(help.output.find("FS98MAIN (WideClient)"), std::string::npos) << help.output;
}

}  // namespace
}  // namespace labtest
