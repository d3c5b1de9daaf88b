// The [aircraft] section of world files: every key, and the values it
// refuses naming the line.
#include <lab/world_file.h>

#include <gtest/gtest.h>

namespace {

TEST(AircraftWorldFileTest, EveryKeySetsItsRadioOrSwitch) {
  lab::WorldSettings world;
  std::string error;
  ASSERT_TRUE(lab::parseWorld("[Aircraft]\n"
                              "com1-active = 119.250\n"
                              "com1-standby = 120.3\n"
                              "com2-active = 136.975\n"
                              "com2-standby = 118.000\n"
                              "nav1-active = 108.00\n"
                              "nav1-standby = 117.95\n"
                              "nav2-active = 112.1\n"
                              "nav2-standby = 109.55\n"
                              "adf1-active = 100\n"
                              "adf1-standby = 1799.9\n"
                              "adf2-active = 521.5\n"
                              "adf2-standby = 330\n"
                              "transponder-code = 7700\n"
                              "transponder-available = 0\n"
                              "avionics-master = OFF\n"
                              "panel-light = 1\n"
                              "radio-tuning = Active\n",
                              "w.ini", world, error))
      << error;
  lab::AircraftRadios expected;
  expected.com1 = {119250, 120300};
  expected.com2 = {136975, 118000};
  expected.nav1 = {108000, 117950};
  expected.nav2 = {112100, 109550};
  expected.adf1 = {100, 1799.9};
  expected.adf2 = {521.5, 330};
  expected.transponderCode = 0x7700;
  expected.transponderAvailable = false;
  expected.avionicsMaster = false;
  expected.panelLight = true;
  EXPECT_EQ(world.aircraft, expected);
  EXPECT_EQ(world.radioTuning, lab::RadioTuning::Active);
}

TEST(AircraftWorldFileTest, WithoutTheSectionTheAircraftIsTheDefaultOne) {
  lab::WorldSettings world;
  std::string error;
  ASSERT_TRUE(lab::parseWorld("[simulator]\nflight = running\n", "w.ini", world, error));
  EXPECT_EQ(world.aircraft, lab::AircraftRadios{});
  EXPECT_EQ(world.aircraft.com1, (lab::RadioFrequencies{122800, 118000}));
  EXPECT_EQ(world.aircraft.adf1, (lab::RadioFrequencies{350, 1234.5}));
  EXPECT_EQ(world.aircraft.transponderCode, 0x1200u);
  EXPECT_TRUE(world.aircraft.avionicsMaster);
  EXPECT_FALSE(world.aircraft.panelLight);
  EXPECT_EQ(world.radioTuning, lab::RadioTuning::Standby);
}

TEST(AircraftWorldFileTest, ValuesThatDoNotFitAreRefusedNamingTheLine) {
  struct Case {
    const char* line;
    const char* error;
  } cases[] = {
      {"com1-active = 117.975", "w.ini:2: com1-active takes MHz from 118.000 to 136.975"},
      {"nav1-standby = 118.00", "w.ini:2: nav1-standby takes MHz from 108.00 to 117.95"},
      {"adf2-active = 1800", "w.ini:2: adf2-active takes kHz from 100.0 to 1799.9"},
      {"transponder-code = 12345", "w.ini:2: transponder-code takes a code of four octal"},
      {"panel-light = maybe", "w.ini:2: panel-light takes 0 or 1"},
      {"radio-tuning = both", "w.ini:2: radio-tuning is standby or active"},
      {"com3-active = 121.5", "w.ini:2: unknown key \"com3-active\" in [aircraft]"},
  };
  for (const Case& c : cases) {
    lab::WorldSettings world;
    std::string error;
    EXPECT_FALSE(lab::parseWorld(std::string("[aircraft]\n") + c.line + "\n", "w.ini", world,
                                 error))
        << c.line;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

}  // namespace
