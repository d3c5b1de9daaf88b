// The kestrix-lab tool as a person or a script runs it: `serve` as a child
// process, the other commands against it.
#include "lab_tool_fixture.h"
#include "simulator_fixture.h"

#include <platform/child_process.h>
#include <platform/runtime_dir.h>

#include <filesystem>

namespace labtest {
namespace {

constexpr uint32_t kNoGroup = 0xFFFFFFFF;

class LabToolTest : public LabToolFixture {
 protected:
  std::unique_ptr<ProbeClient> openProbe(const std::string& name) {
    auto client = std::make_unique<ProbeClient>();
    EXPECT_TRUE(client->connectUnix(simulatorSocket()));
    EXPECT_TRUE(client->open(name, kPatience));
    return client;
  }

};

TEST_F(LabToolTest, ServeAnswersSimCommandsAndEndsCleanlyOnSigterm) {
  auto lab = serve();
  ASSERT_TRUE(lab);
  auto probe = openProbe("Probe");
  probe->send(wire::SubscribeToSystemEvent{6, "SimStop"});
  ASSERT_TRUE(sync(*probe));

  auto clients = run({"sim", "clients", "--json"});
  EXPECT_EQ(clients.exitCode, 0);
  EXPECT_EQ(clients.output, "[{\"id\":1,\"name\":\"Probe\",\"connected\":true,\"opened\":true}]\n");

  auto stop = run({"sim", "flight", "stop"});
  EXPECT_EQ(stop.exitCode, 0);
  EXPECT_EQ(stop.output, "flight stopped\n");
  EXPECT_TRUE(nextIsEvent(*probe, kNoGroup, 6, 0));

  lab->requestStop();
  EXPECT_EQ(lab->waitForExit(kPatience), 0) << lab->output();
  EXPECT_FALSE(probe->read(kPatience));
  EXPECT_TRUE(probe->ended());
  EXPECT_FALSE(std::filesystem::exists(simulatorSocket()));
  EXPECT_FALSE(std::filesystem::exists(environment.runtimeDir() + "/lab/control.sock"));
}

TEST_F(LabToolTest, ChooseReachesTheClientAndUnknownItemsAreRefused) {
  auto lab = serve();
  auto probe = openProbe("Kestrix");
  probe->send(wire::MenuAddItem{"Kestrix", 1, 0});
  probe->send(wire::MenuAddSubItem{1, "About...", 3, 0});
  ASSERT_TRUE(sync(*probe));

  auto chosen = run({"sim", "choose", "Kestrix", "Kestrix/About..."});
  EXPECT_EQ(chosen.exitCode, 0) << chosen.output;
  EXPECT_TRUE(nextIsEvent(*probe, kNoGroup, 3, 0));
  auto unknown = run({"sim", "choose", "Kestrix", "Nothing here"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("Nothing here"), std::string::npos) << unknown.output;

  auto menus = run({"sim", "menus"});
  EXPECT_EQ(menus.exitCode, 0);
  EXPECT_NE(menus.output.find("About...  [id 3, data 0]"), std::string::npos) << menus.output;
}

TEST_F(LabToolTest, ServeListensOnANamedPipeInsteadOfTheDefaultOne) {
  auto lab = platform::ChildProcess::start({tool(), {"serve", "--pipe", "Custom/SimConnect"}, {}, {}, ""});
  ASSERT_TRUE(lab);
  const std::string pipe = platform::runtimeDir() + "/pipe.custom%2Fsimconnect.sock";
  ASSERT_TRUE(lab->waitForOutput("lab: serving on " + pipe + "\n", kToolPatience)) << lab->output();
  ProbeClient probe;
  ASSERT_TRUE(probe.connectUnix(pipe));
  EXPECT_TRUE(probe.open("OnThePipe", kPatience));
  EXPECT_FALSE(std::filesystem::exists(simulatorSocket()));
  lab->requestStop();
  EXPECT_EQ(lab->waitForExit(kToolPatience), 0);
  EXPECT_EQ(run({"serve", "--pipe"}).exitCode, 2);
}

TEST_F(LabToolTest, WorldFileAndOptionsChooseTheFlight) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world, "[simulator]\nflight = stopped\n");
  auto lab = serve({"--world", world});
  auto probe = openProbe("Squarix");
  probe->send(wire::RequestSystemState{0, "Sim"});
  auto answer = probe->read(kPatience);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->as<SIMCONNECT_RECV_SYSTEM_STATE>().dwInteger, 0u);
}

TEST_F(LabToolTest, BadWorldFileIsRefusedWithItsLine) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world, "[simulator]\nflight = maybe\n");
  auto result = run({"serve", "--world", world});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.output.find(world + ":2:"), std::string::npos) << result.output;
}

TEST_F(LabToolTest, SecondServeIsRefusedWhileOneRuns) {
  auto lab = serve();
  auto second = run({"serve"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.output.find("running already"), std::string::npos) << second.output;
  auto stillThere = run({"sim", "clients"});
  EXPECT_EQ(stillThere.exitCode, 0) << stillThere.output;
}

TEST_F(LabToolTest, WithoutALabCommandsSaySoAndExitOne) {
  auto result = run({"sim", "clients"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output,
            "kestrix-lab: no lab is running (start one with: kestrix-lab serve)\n");
}

TEST_F(LabToolTest, BadUsageExitsTwoWithoutNeedingALab) {
  for (auto arguments : {std::vector<std::string>{"sim", "fly"},
                         std::vector<std::string>{"sim", "choose", "OnlyAClient"},
                         std::vector<std::string>{"sim", "clients", "--yaml"},
                         std::vector<std::string>{"teleport"},
                         std::vector<std::string>{"serve", "--tcp", "many"},
                         std::vector<std::string>{"help", "teleport"},
                         std::vector<std::string>{}}) {
    auto result = run(arguments);
    EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments) << result.output;
  }
}

TEST_F(LabToolTest, HelpNamesEveryCommand) {
  auto all = run({"help"});
  EXPECT_EQ(all.exitCode, 0);
  for (const char* form : {"kestrix-lab serve [--world FILE] [--tcp PORT] [--pipe NAME] [--no-flight]",
                           "kestrix-lab sim choose CLIENT ITEM", "kestrix-lab sim refuse on",
                           "kestrix-lab sim exceptions [--json]", "kestrix-lab help [COMMAND]"})
    EXPECT_NE(all.output.find(form), std::string::npos) << form;
  auto one = run({"help", "sim", "flight"});
  EXPECT_EQ(one.exitCode, 0);
  EXPECT_NE(one.output.find("sim flight stop"), std::string::npos);
  EXPECT_EQ(one.output.find("sim quit"), std::string::npos);
}

}  // namespace
}  // namespace labtest
