// The rack itself: which boards it takes, what it leaves behind, and the
// boards a world file lists.
#include <lab/boards.h>
#include <lab/world_file.h>
#include <platform/hid.h>
#include <platform/hid_lab.h>
#include <test_environment.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace labtest {
namespace {

namespace fs = std::filesystem;
using lab::BoardSetup;

class BoardRackTest : public ::testing::Test {
 protected:
  testsupport::TestEnvironment environment;
};

TEST_F(BoardRackTest, RefusesBoardsItCannotPlug) {
  lab::BoardRack rack(environment.runtimeDir());
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000A1B2")));
  EXPECT_FALSE(rack.plug(BoardSetup::blank("0000A1B2"))) << "the same serial twice";
  for (int interfaces : {0, 4}) {
    auto setup = BoardSetup::blank("0000C0DE");
    setup.matchingInterfaces = interfaces;
    EXPECT_FALSE(rack.plug(setup)) << interfaces << " interfaces";
  }
  EXPECT_EQ(rack.boards().size(), 1u);
  EXPECT_EQ(platform::enumerateHidInterfaces().size(), 2u);

  // A second rack in the same folder cannot take the board over.
  lab::BoardRack other(environment.runtimeDir());
  EXPECT_FALSE(other.plug(BoardSetup::blank("0000A1B2")));
  auto listed = platform::enumerateHidInterfaces();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_TRUE(platform::HidDevice::open(listed[1].path, platform::HidDevice::Access::Write));

  EXPECT_FALSE(rack.unplug("0000C0DE"));
  EXPECT_FALSE(rack.view("0000C0DE"));
  EXPECT_FALSE(rack.setMemory("0000C0DE", 0, 0));
  EXPECT_FALSE(rack.setFaults("0000C0DE", {}));
  EXPECT_FALSE(rack.unplugMidTransfer("0000C0DE"));
  EXPECT_TRUE(rack.outputReports("0000C0DE").empty());
}

TEST_F(BoardRackTest, PanelsCarryTheirModelInMemory) {
  auto radio = BoardSetup::panel("00000001", 0x34, 0x01, 2);
  EXPECT_EQ(radio.model(), 0x3401);
  EXPECT_EQ(radio.variant(), 2);
  EXPECT_EQ(radio.memory[lab::boardmemory::kDate], 17);
  auto blank = BoardSetup::blank("00000002");
  EXPECT_EQ(blank.memory, lab::blankBoardMemory());
  blank.setFeatureWord(0x04030201).setRange(3, 7, 9);
  EXPECT_EQ(blank.memory[0x65], 0x01);
  EXPECT_EQ(blank.memory[0x66], 0x02);
  EXPECT_EQ(blank.memory[0x90], 0x03);
  EXPECT_EQ(blank.memory[0x91], 0x04);
  EXPECT_EQ(blank.memory[0x67], 7);
  EXPECT_EQ(blank.memory[0x68], 9);
}

// A board plugged with its special-mode interface first lists that one
// alone until the rest of it is plugged.
TEST_F(BoardRackTest, HeldBackInterfacesComeWithCompletePlug) {
  lab::BoardRack rack(environment.runtimeDir());
  BoardSetup reversed = BoardSetup::blank("0000A1B2");
  reversed.interfaceOrder = BoardSetup::InterfaceOrder::SpecialFirst;
  ASSERT_TRUE(rack.plug(reversed));
  auto listed = platform::enumerateHidInterfaces();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].interfaceNumber, lab::kSpecialInterface);

  EXPECT_TRUE(rack.completePlug("0000A1B2"));
  EXPECT_EQ(platform::enumerateHidInterfaces().size(), 2u);
  EXPECT_FALSE(rack.completePlug("0000A1B2")) << "nothing is held back any more";
  EXPECT_FALSE(rack.completePlug("0000C0DE"));

  // Unplugged before it was complete, it leaves nothing behind either.
  BoardSetup half = reversed;
  half.serial = "0000C0DE";
  ASSERT_TRUE(rack.plug(half));
  ASSERT_TRUE(rack.unplug("0000C0DE"));
  ASSERT_TRUE(rack.unplug("0000A1B2"));
  EXPECT_TRUE(fs::is_empty(rack.hidFolder()));
}

TEST_F(BoardRackTest, FaultsAreTheBoardsOwnAndReadBack) {
  lab::BoardRack rack(environment.runtimeDir());
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000A1B2")));
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000C0DE")));
  lab::BoardFaults faults;
  faults.partialKeyReports = true;
  faults.replyDelayMs = 5;
  ASSERT_TRUE(rack.setFaults("0000A1B2", faults));
  auto read = rack.faults("0000A1B2");
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->partialKeyReports);
  EXPECT_EQ(read->replyDelayMs, 5);
  EXPECT_FALSE(rack.faults("0000C0DE")->partialKeyReports);
  EXPECT_FALSE(rack.faults("nobody"));
}

TEST_F(BoardRackTest, TidiesUpAfterItselfAndAfterARackThatDied) {
  std::string folder;
  {
    lab::BoardRack rack(environment.runtimeDir());
    folder = rack.hidFolder();
    ASSERT_TRUE(rack.plug(BoardSetup::blank("0000A1B2")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
  }
  // The folder goes too: it tells programs to use the lab's boards.
  EXPECT_FALSE(fs::exists(folder)) << "descriptors, sockets or the folder left behind";

  // What a rack killed mid-run leaves: a descriptor and a socket file nobody
  // listens on. A live rack's boards in the same folder stay.
  lab::BoardRack live(environment.runtimeDir());
  ASSERT_TRUE(live.plug(BoardSetup::blank("0000BEEF")));
  platform::hidlab::Descriptor dead;
  dead.path = platform::hidlab::interfacePath(0x1FD1, 0x03E8, 1, "7&dead&0&0001");
  dead.socketName = "dead-1.sock";
  ASSERT_TRUE(platform::hidlab::writeDescriptor(folder, dead));
  testsupport::writeFile(folder + "/dead-1.sock", "");

  lab::BoardRack next(environment.runtimeDir());
  EXPECT_FALSE(fs::exists(folder + "/" + platform::hidlab::descriptorFileName(dead.path)));
  EXPECT_FALSE(fs::exists(folder + "/dead-1.sock"));
  EXPECT_EQ(platform::enumerateHidInterfaces().size(), 2u);
}

TEST_F(BoardRackTest, WorldFilesListBoardsOrGetTheDefaultOnes) {
  lab::WorldSettings world;
  std::string error;
  ASSERT_TRUE(lab::parseWorld("[simulator]\nflight = running\n", "w", world, error)) << error;
  ASSERT_EQ(world.boards.size(), 2u);
  EXPECT_EQ(lab::setupOf(world.boards[0]).model(), 0x3401);
  EXPECT_EQ(lab::setupOf(world.boards[1]).model(), 0x3402);
  EXPECT_EQ(lab::setupOf(world.boards[1]).variant(), 2);

  world = {};
  ASSERT_TRUE(lab::parseWorld("[board 0000a1b2]\nmodel = 3402\nvariant = 7\n"
                              "[BOARD C0DE]\nMODEL = blank ; unprogrammed\n"
                              "vendor = 7C0, Product = 1583\n",
                              "w", world, error))
      << error;
  ASSERT_EQ(world.boards.size(), 2u);
  BoardSetup first = lab::setupOf(world.boards[0]);
  EXPECT_EQ(first.serial, "0000a1b2");
  EXPECT_EQ(first.model(), 0x3402);
  EXPECT_EQ(first.variant(), 7);
  BoardSetup second = lab::setupOf(world.boards[1]);
  EXPECT_EQ(second.serial, "C0DE");
  EXPECT_EQ(second.memory, lab::blankBoardMemory());
  EXPECT_EQ(second.vendorId, 0x07C0);
  EXPECT_EQ(second.productId, 0x1583);
}

TEST_F(BoardRackTest, BadBoardSectionsNameTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"[board 0000A1B2]\nmodel = 34\n", "w:2: model is 4 hex digits (3401) or blank"},
      {"[board 0000A1B2]\nvariant = 256\n", "w:2: variant is a number from 0 to 255"},
      {"[board 0000A1B2]\nvendor = 12345\n", "w:2: vendor is 1 to 4 hex digits"},
      {"[board 0000A1B2]\ncolour = red\n", "w:2: unknown key \"colour\" in [board 0000A1B2]"},
      {"[board 123456789]\n", "w:1: a board's serial number is 1 to 8 characters without blanks"},
      {"[board A]\n[board A]\n", "w:2: board A is listed twice"},
      {"[board A]\nmodel = 3401, variant\n", "w:2: expected key = value after the comma"},
      {"[board A]\nmodel = 3401, variant = x\n", "w:2: variant is a number from 0 to 255"},
  };
  for (const Case& c : cases) {
    lab::WorldSettings world;
    std::string error;
    EXPECT_FALSE(lab::parseWorld(c.text, "w", world, error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace labtest
