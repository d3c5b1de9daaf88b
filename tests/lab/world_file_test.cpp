// World files: what they set, and the mistakes they are refused for.
#include <lab/world_file.h>

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(WorldFileTest, SettingsAreReadWithCommentsAndAnyLetterCase) {
  lab::WorldSettings world;
  std::string error;
  ASSERT_TRUE(lab::parseWorld("# a world\n"
                              "\n"
                              "[Simulator]\n"
                              "  Flight = Stopped   ; no flight yet\n"
                              "tcp-port=5100\n"
                              "refuse = on\n",
                              "w.ini", world, error))
      << error;
  EXPECT_FALSE(world.flightRunning);
  EXPECT_EQ(world.tcpPort, 5100);
  EXPECT_TRUE(world.refusing);
}

TEST(WorldFileTest, EmptyFileIsTheDefaultWorld) {
  lab::WorldSettings world;
  std::string error;
  ASSERT_TRUE(lab::parseWorld("", "w.ini", world, error));
  EXPECT_TRUE(world.flightRunning);
  EXPECT_EQ(world.tcpPort, 0);
  EXPECT_FALSE(world.refusing);
}

TEST(WorldFileTest, TheShippedDefaultWorldIsTheBuiltInOne) {
  // Start from a world unlike the default in every setting, so that the
  // file must set each one.
  lab::WorldSettings world;
  world.flightRunning = false;
  world.tcpPort = 9;
  world.refusing = true;
  world.boards = {{"0000FFFF"}};
  for (auto* radio : {&world.aircraft.com1, &world.aircraft.com2, &world.aircraft.nav1,
                      &world.aircraft.nav2, &world.aircraft.adf1, &world.aircraft.adf2})
    *radio = {1, 2};
  world.aircraft.transponderCode = 0x7777;
  world.aircraft.transponderAvailable = false;
  world.aircraft.avionicsMaster = false;
  world.aircraft.panelLight = true;
  world.radioTuning = lab::RadioTuning::Active;
  world.peerWindow = false;
  world.fsuipcWindow = std::nullopt;
  world.fsuipcAnswer = lab::FsuipcServer::AnswerMode::Bad;
  std::string error;
  ASSERT_TRUE(lab::loadWorldFile(KESTRIX_SOURCE_DIR "/lab/worlds/default.ini", world, error)) << error;

  const lab::WorldSettings builtIn;
  EXPECT_EQ(world.flightRunning, builtIn.flightRunning);
  EXPECT_EQ(world.tcpPort, builtIn.tcpPort);
  EXPECT_EQ(world.refusing, builtIn.refusing);
  ASSERT_EQ(world.boards.size(), builtIn.boards.size());
  for (size_t i = 0; i < world.boards.size(); ++i) {
    const auto &got = world.boards[i], &wanted = builtIn.boards[i];
    EXPECT_EQ(std::tie(got.serial, got.blank, got.model, got.variant, got.vendorId, got.productId),
              std::tie(wanted.serial, wanted.blank, wanted.model, wanted.variant, wanted.vendorId,
                       wanted.productId));
  }
  EXPECT_EQ(world.aircraft, builtIn.aircraft);
  EXPECT_EQ(world.radioTuning, builtIn.radioTuning);
  EXPECT_EQ(world.peerWindow, builtIn.peerWindow);
  EXPECT_EQ(world.fsuipcWindow, builtIn.fsuipcWindow);
  EXPECT_EQ(world.fsuipcAnswer, builtIn.fsuipcAnswer);
}

struct BadWorld {
  const char* text;
  const char* error;
};

class BadWorldTest : public ::testing::TestWithParam<BadWorld> {};

TEST_P(BadWorldTest, IsRefusedNamingTheLine) {
  lab::WorldSettings world;
  std::string error;
  EXPECT_FALSE(lab::parseWorld(GetParam().text, "w.ini", world, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BadWorldTest,
    ::testing::Values(
        BadWorld{"flight = running\n", "w.ini:1: a key before any [section]"},
        BadWorld{"[simulator]\nflight = maybe\n", "w.ini:2: flight is running or stopped"},
        BadWorld{"[simulator]\n\ntcp-port = 70000\n",
                 "w.ini:3: tcp-port is a number from 0 to 65535"},
        BadWorld{"[simulator]\nrefuse = yes\n", "w.ini:2: refuse is on or off"},
        BadWorld{"[simulator]\nflihgt = running\n",
                 "w.ini:2: unknown key \"flihgt\" in [simulator]"},
        BadWorld{"[weather]\n", "w.ini:1: unknown section [weather]"},
        BadWorld{"[simulator\n", "w.ini:1: a section line is [name]"},
        BadWorld{"[simulator]\njust words\n", "w.ini:2: expected key = value"}));

TEST(WorldFileTest, MissingFileIsReported) {
  lab::WorldSettings world;
  std::string error;
  EXPECT_FALSE(lab::loadWorldFile("/nonexistent/world.ini", world, error));
  EXPECT_EQ(error, "/nonexistent/world.ini: cannot be read");
}

}  // namespace
