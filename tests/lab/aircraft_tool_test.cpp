// The aircraft as a person reaches it through `kestrix-lab`: a world file's
// [aircraft] section, `sim radios`, `sim get` and `sim set`, against a
// `serve` child process that a probe client watches.
#include "data_request_reading.h"
#include "lab_tool_fixture.h"

#include <platform/child_process.h>

#include <bit>

namespace labtest {
namespace {

class AircraftToolTest : public LabToolFixture {};

TEST_F(AircraftToolTest, WorldFileSetsTheAircraftAndSimCommandsShowAndChangeIt) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world,
                         "[aircraft]\n"
                         "com1-active = 121.500   ; guard\n"
                         "NAV2-Standby = 109.10\n"
                         "adf1-standby = 382.5\n"
                         "transponder-code = 7000\n"
                         "panel-light = on\n"
                         "radio-tuning = active\n");
  auto lab = serve({"--world", world});
  ASSERT_TRUE(lab);

  auto json = run({"sim", "radios", "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.output,
            "{\"com1\":{\"active\":121500,\"standby\":118000},"
            "\"com2\":{\"active\":124850,\"standby\":121500},"
            "\"nav1\":{\"active\":110500,\"standby\":113900},"
            "\"nav2\":{\"active\":114700,\"standby\":109100},"
            "\"adf1\":{\"active\":350,\"standby\":382.5},"
            "\"adf2\":{\"active\":410,\"standby\":275},"
            "\"transponder\":{\"code\":\"7000\",\"available\":true},"
            "\"avionicsMaster\":true,\"panelLight\":true,\"radioTuning\":\"active\"}\n");

  // A client watching COM1 standby hears what a person sets.
  auto probe = std::make_unique<ProbeClient>();
  ASSERT_TRUE(probe->connectUnix(simulatorSocket()));
  ASSERT_TRUE(probe->open("Probe", kPatience));
  probe->send(wire::AddToDataDefinition{1, "COM STANDBY FREQUENCY:1", "Khz",
                                        SIMCONNECT_DATATYPE_FLOAT32, 0.0f, 3});
  probe->send(wire::RequestDataOnSimObject{1, 1, 0, SIMCONNECT_PERIOD_VISUAL_FRAME, 3, 0, 0, 0});
  ASSERT_TRUE(nextAnswerOf(*probe, 1));
  auto set = run({"sim", "set", "COM STANDBY FREQUENCY:1", "119.1"});
  EXPECT_EQ(set.exitCode, 0);
  EXPECT_EQ(set.output, "COM STANDBY FREQUENCY:1 = 119.100\n");
  auto heard = nextAnswerOf(*probe, 1);
  ASSERT_TRUE(heard);
  EXPECT_EQ(taggedWords(*heard), (std::vector<std::pair<uint32_t, uint32_t>>{
                                     {3, std::bit_cast<uint32_t>(119100.0f)}}));

  auto got = run({"sim", "get", "com standby frequency:1"});
  EXPECT_EQ(got.exitCode, 0);
  EXPECT_EQ(got.output, "119.100\n");
  EXPECT_EQ(run({"sim", "get", "TRANSPONDER CODE:1"}).output, "7000\n");
  EXPECT_EQ(run({"sim", "get", "radio-tuning"}).output, "active\n");
  EXPECT_EQ(run({"sim", "set", "radio-tuning", "standby"}).exitCode, 0);
  EXPECT_EQ(run({"sim", "set", "LIGHT PANEL", "0"}).output, "LIGHT PANEL = 0\n");

  auto text = run({"sim", "radios"});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_NE(text.output.find("COM1   active 121.500   standby 119.100\n"), std::string::npos)
      << text.output;
  EXPECT_NE(text.output.find("XPNDR  7000\n"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("panel light off, inc/dec tune the standby frequencies"),
            std::string::npos)
      << text.output;
}

TEST_F(AircraftToolTest, WrongNamesAndValuesAreRefusedWithWhatWouldFit) {
  auto lab = serve({});
  ASSERT_TRUE(lab);
  struct Case {
    std::vector<std::string> words;
    const char* says;
  } cases[] = {
      {{"sim", "set", "COM ACTIVE FREQUENCY:1", "137.000"}, "MHz from 118.000 to 136.975"},
      {{"sim", "set", "NAV ACTIVE FREQUENCY:2", "1e2"}, "MHz from 108.00 to 117.95"},
      {{"sim", "set", "ADF ACTIVE FREQUENCY:1", "50"}, "kHz from 100.0 to 1799.9"},
      {{"sim", "set", "TRANSPONDER CODE:1", "7800"}, "four octal digits"},
      {{"sim", "set", "AVIONICS MASTER SWITCH", "2"}, "0 or 1"},
      {{"sim", "set", "radio-tuning", "sideways"}, "standby or active"},
      {{"sim", "set", "COM ACTIVE FREQUENCY:3", "121.5"}, "COM ACTIVE FREQUENCY:2\n"},
      {{"sim", "get", "WARP DRIVE"}, "TRANSPONDER AVAILABLE\n"},
  };
  for (const Case& c : cases) {
    auto result = run(c.words);
    EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(c.words);
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
  }
  EXPECT_EQ(run({"sim", "get", "COM ACTIVE FREQUENCY:1"}).output, "122.800\n");
}

}  // namespace
}  // namespace labtest
