// Loading the configuration, the chooser and the remembered choice.
#include <filesystem>

#include "bridge_fixture.h"

namespace bridgetest {
namespace {

using Entries = std::vector<std::string>;

const Entries kChooserHead = {"Squarix Configuration",
                              "Please choose one of the available configurations:"};

Entries chooserWith(const Entries& names) {
  Entries entries = kChooserHead;
  entries.insert(entries.end(), names.begin(), names.end());
  return entries;
}

// A module whose TARA function writes its own number to 0x66C0.
std::string module(const std::string& nameAttribute, int number) {
  return "<module " + nameAttribute + "><function name=\"TARA\"><fsuipc offset=\"66C0\" size=\"1\" data=\"" +
         std::to_string(number) + "\"/></function></module>\n";
}

class BridgeConfigTest : public BridgeFixture {};

TEST_F(BridgeConfigTest, AMissingFileIsReportedAndEndsTheBridge) {
  EXPECT_FALSE(config.loadConfiguration());
  EXPECT_EQ(messageBoxes,
            (std::vector<MessageBox>{{"Squarix Bridge",
                                      "Unable to load configuration file.  Please check your installation."}}));
  EXPECT_TRUE(quitRequested);
  EXPECT_TRUE(screen.menus.empty());
}

TEST_F(BridgeConfigTest, AMalformedFileIsReportedWithItsPathLineAndReason) {
  writeConfig("<?xml version=\"1.0\"?>\n<quornellimited>\n<squarix>\n</modules>\n");
  EXPECT_FALSE(config.loadConfiguration());
  ASSERT_EQ(messageBoxes.size(), 1u);
  EXPECT_EQ(messageBoxes[0].caption, "Squarix Bridge");
  const std::string head = "Error loading " + configPath + " at line 4\n";
  EXPECT_EQ(messageBoxes[0].text.substr(0, head.size()), head) << messageBoxes[0].text;
  EXPECT_GT(messageBoxes[0].text.size(), head.size()) << "the parser's reason follows";
  EXPECT_TRUE(quitRequested);
}

TEST_F(BridgeConfigTest, AFailedReloadKeepsTheModuleThatWasCurrent) {
  writeModules(module("name=\"A\"", 1));
  remember("A");
  ASSERT_TRUE(config.loadConfiguration());
  writeConfig("<quornellimited>");
  EXPECT_FALSE(config.loadConfiguration());
  EXPECT_EQ(writesOf("TARA").size(), 1u);
}

TEST_F(BridgeConfigTest, TheChooserListsNamedModulesOnlyAndAChoiceIsRememberedAndLoaded) {
  writeModules(module("name=\"A\"", 1) + module("", 2) + module("name=\"\"", 3) +
               module("name=\"B\"", 4));
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_FALSE(config.currentModule());
  ASSERT_EQ(screen.menus.size(), 1u) << "no remembered module: the chooser comes up";
  EXPECT_EQ(entriesOf(screen.menus[0]), chooserWith({"A", "B"}));
  EXPECT_EQ(screen.menus[0].back(), '\0');

  config.applyChosenConfig(1);
  EXPECT_EQ(rememberedName(), std::optional<std::string>("B"));
  ASSERT_TRUE(config.currentModule());
  EXPECT_EQ(config.currentModule().attribute("name"), std::optional<std::string>("B"));
  auto writes = writesOf("TARA");
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes, std::vector<uint8_t>{4});
  EXPECT_EQ(screen.menus.size(), 1u) << "with a current module no chooser follows";
}

TEST_F(BridgeConfigTest, ResultsThatChooseNothingChangeNothing) {
  writeModules(module("name=\"A\"", 1) + module("name=\"B\"", 2));
  ASSERT_TRUE(config.loadConfiguration());
  // Beyond the names listed, beyond the ten choices, and the simulator's
  // notices about the menu (displayed, queued, removed, replaced, timeout).
  for (uint32_t result : {2u, 9u, 10u, 0x10000u, 0x10001u, 0x10002u, 0x10003u, 0x10004u, 0xFFFFFFFFu})
    config.applyChosenConfig(result);
  EXPECT_FALSE(rememberedName());
  EXPECT_FALSE(config.currentModule());
  EXPECT_EQ(screen.menus.size(), 1u);
}

TEST_F(BridgeConfigTest, MoreThanTenModulesAreAllListedButOnlyTenCanBeChosen) {
  std::string modules;
  Entries names;
  for (int i = 0; i < 12; ++i) {
    names.push_back("M" + std::to_string(i));
    modules += module("name=\"" + names.back() + "\"", i);
  }
  writeModules(modules);
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_EQ(entriesOf(screen.menus.at(0)), chooserWith(names));
  config.applyChosenConfig(9);
  EXPECT_EQ(rememberedName(), std::optional<std::string>("M9"));
}

TEST_F(BridgeConfigTest, AChooserTooLargeForOneMessageListsWhatFitsAndCountsTheRest) {
  std::string modules;
  Entries names;
  for (int i = 0; i < 1200; ++i) {
    names.push_back("Module number " + std::to_string(i) + " of a large fleet of add-on aircraft, each with its own panel");
    modules += module("name=\"" + names.back() + "\"", i % 100);
  }
  writeModules(modules);
  ASSERT_TRUE(config.loadConfiguration());
  ASSERT_EQ(screen.menus.size(), 1u);
  const std::string& block = screen.menus[0];
  EXPECT_LE(block.size(), 65536u - 32u) << "one SimConnect message";
  Entries entries = entriesOf(block);
  ASSERT_GT(entries.size(), 12u);
  const size_t listed = entries.size() - 2;
  EXPECT_LT(listed, names.size());
  EXPECT_EQ(entries[0], "Squarix Configuration (" + std::to_string(names.size() - listed) + " more not listed)");
  EXPECT_EQ(Entries(entries.begin() + 2, entries.end()), Entries(names.begin(), names.begin() + static_cast<long>(listed)));
  // Not even one more name would have fitted.
  EXPECT_GT(block.size() + names[listed].size() + 1, 65536u - 32u);
  config.applyChosenConfig(3);
  EXPECT_EQ(rememberedName(), std::optional<std::string>(names[3]));
}

TEST_F(BridgeConfigTest, AChoiceThatCannotBeStoredIsSaidAndHoldsForThisRun) {
  writeModules(module("name=\"A\"", 1) + module("name=\"B\"", 2));
  // A hive that is a folder can be neither read nor written, by anyone.
  std::filesystem::create_directories(env.root() + "/registry/HKEY_CURRENT_USER.reg");
  ASSERT_TRUE(config.loadConfiguration());
  ASSERT_EQ(screen.menus.size(), 1u);
  config.applyChosenConfig(1);
  EXPECT_EQ(screen.texts, (std::vector<ShownText>{
                              {"Squarix: the choice of \"B\" could not be stored; it holds until the bridge ends", 5.0f}}));
  EXPECT_EQ(screen.menus.size(), 1u) << "no chooser again";
  EXPECT_EQ(writesOf("TARA").at(0).bytes, std::vector<uint8_t>{2});
  // Later loads of this run keep it too.
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_EQ(screen.menus.size(), 1u);
  EXPECT_TRUE(config.currentModule());
}

TEST_F(BridgeConfigTest, TheRememberedNameIsMatchedExactlyAndTheFirstOfTwinsWins) {
  writeModules(module("name=\"Twin\"", 1) + module("name=\"Twin\"", 2) + module("name=\"twin\"", 3));
  remember("Twin");
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_TRUE(screen.menus.empty());
  EXPECT_EQ(writesOf("TARA").at(0).bytes, std::vector<uint8_t>{1});

  remember("TWIN");
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_FALSE(config.currentModule()) << "letter case counts for module names";
  EXPECT_EQ(screen.menus.size(), 1u);
}

TEST_F(BridgeConfigTest, ARememberedNameThatCannotBeUsedOffersTheChooser) {
  writeModules(module("name=\"A\"", 1));
  struct Case {
    const char* what;
    std::optional<std::string> value;
  } cases[] = {
      {"no value", std::nullopt},
      {"empty", ""},
      {"naming no module", "Gone"},
      {"longer than the buffer", std::string(300, 'A')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.value) remember(*c.value);
    screen.menus.clear();
    ASSERT_TRUE(config.loadConfiguration());
    EXPECT_FALSE(config.currentModule());
    EXPECT_EQ(screen.menus.size(), 1u);
  }
  EXPECT_TRUE(messageBoxes.empty()) << "nothing is reported";
}

TEST_F(BridgeConfigTest, NamesWithQuotesAndApostrophesAreMatchedAsTheyStand) {
  const std::string quoted = "Jet \"Classic\" 'v2'";
  writeModules(module("name=\"A\"", 1) +
               module("name=\"Jet &quot;Classic&quot; 'v2'\"", 2) +
               module("name='\"]|//module[@name=\"A'", 3));
  ASSERT_TRUE(config.loadConfiguration());
  config.applyChosenConfig(1);
  EXPECT_EQ(rememberedName(), std::optional<std::string>(quoted));
  EXPECT_EQ(writesOf("TARA").at(0).bytes, std::vector<uint8_t>{2});

  // A name made to look like more query picks its own module, not A.
  config.applyChosenConfig(2);
  EXPECT_EQ(writesOf("TARA").at(0).bytes, std::vector<uint8_t>{3});
}

TEST_F(BridgeConfigTest, AnotherRootLoadsButOffersAnEmptyChooser) {
  writeConfig("<kestrix><squarix><modules>" + module("name=\"A\"", 1) +
              "</modules></squarix></kestrix>");
  remember("A");
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_FALSE(config.currentModule());
  ASSERT_EQ(screen.menus.size(), 1u);
  EXPECT_EQ(entriesOf(screen.menus[0]), kChooserHead);
  EXPECT_TRUE(messageBoxes.empty());
  EXPECT_FALSE(quitRequested);
}

TEST_F(BridgeConfigTest, EveryLoadReadsTheFileAfresh) {
  writeModules(module("name=\"A\"", 1));
  remember("A");
  ASSERT_TRUE(config.loadConfiguration());
  writeModules(module("name=\"A\"", 7));
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_EQ(writesOf("TARA").at(0).bytes, std::vector<uint8_t>{7});
}

TEST_F(BridgeConfigTest, TheShippedExampleOffersItsModulesAndDrivesTheirOffsets) {
  writeConfig(testsupport::readFile(testsupport::programPath("squarix.XML")));
  ASSERT_TRUE(config.loadConfiguration());
  EXPECT_EQ(entriesOf(screen.menus.at(0)),
            chooserWith({"Default aircraft (SquawkBox offsets)", "Add-on TCAS (user offsets 66C0)"}));
  config.applyChosenConfig(0);
  EXPECT_EQ(writesOf("STBY").at(0).offset, 0x7B91u);
  config.applyChosenConfig(1);
  auto writes = writesOf("IDENTPRESSED");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes, std::vector<uint8_t>{1});
  EXPECT_EQ(writes[1].bytes, std::vector<uint8_t>{0});
  EXPECT_GE(writes[1].at - writes[0].at, std::chrono::milliseconds(1000));
}

}  // namespace
}  // namespace bridgetest
