// The texts the bridge reads from its configuration and shows to the user.
#include <gtest/gtest.h>

#include "bridge_config.h"
#include "fsuipc_error.h"
#include "step_text.h"
#include "transponder_names.h"

namespace {

TEST(StepText, OffsetsAreHexadecimalWithOrWithoutPrefix) {
  struct Case {
    const char* text;
    uint64_t value;
  } cases[] = {
      {"3200", 0x3200},          {"0x3200", 0x3200},   {"0X3200", 0x3200},
      {"66c0", 0x66C0},          {"66C0", 0x66C0},     {"9999", 0x9999},
      {"12G4", 0x12},            {"0x", 0},            {"", 0},
      {"zz", 0},                 {" 3200", 0},         {"0x0BC8;", 0x0BC8},
      // In full: nothing wraps into a small offset.
      {"123456789", 0x123456789}, {"FFFFFFFF", 0xFFFFFFFF}, {"100000000", 0x100000000},
      {"1FFFFFFFFFFFFFFFFF", UINT64_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(parseHexOffset(c.text), c.value) << '"' << c.text << '"';
}

TEST(StepText, SizesAndDataAreDecimalWithSignAndLeadingBlanks) {
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {
      {"2", 2},      {"-1", -1},          {"+7", 7},           {"  500", 500},
      {"\t12", 12},  {"99 bottles", 99},  {"abc", 0},          {"", 0},
      {"-", 0},      {"0x10", 0},         {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},          {"1.5", 1},
      // In full: nothing wraps into a small size.
      {"4294967295", 4294967295},          {"4294967297", 4294967297},
      {"99999999999999999999999", INT64_MAX}, {"-99999999999999999999999", -INT64_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(parseDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(FsuipcErrorText, EveryCodeHasItsText) {
  const char* texts[] = {
      "Okay",
      "Attempt to Open when already Open",
      "Cannot link to FSUIPC or WideClient",
      "Failed to Register common message with Windows",
      "Failed to create Atom for mapping filename",
      "Failed to create a file mapping object",
      "Failed to open a view to the file map",
      "Incorrect version of FSUIPC, or not FSUIPC",
      "Flight Simulator is not version requested",
      "Call cannot execute: Link not Open",
      "Call cannot execute: No requests accumulated",
      "IPC timed out all retries",
      "IPC sendmessage failed all retries",
      "IPC request contains bad data",
      "Maybe running on WideClient, but FS not running on Server, or wrong FSUIPC",
      "Read or Write request cannot be added, memory for Process is full",
  };
  for (uint32_t code = 0; code < std::size(texts); ++code)
    EXPECT_EQ(fsuipcErrorText(code), texts[code]) << code;
  EXPECT_EQ(fsuipcErrorText(16), "Unknown error");
  EXPECT_EQ(fsuipcErrorText(0xFFFFFFFF), "Unknown error");
}

TEST(TransponderNames, EventValuesBecomeFunctionNames) {
  TransponderNames names;
  EXPECT_EQ(nameFor(names.ModeNames, 3), "") << "the tables are empty until filled";
  names.fill();
  const char* modes[] = {"", "OFF", "TA", "TARA", "ABV", "BLW", ""};
  for (uint32_t value = 0; value < std::size(modes); ++value)
    EXPECT_EQ(nameFor(names.ModeNames, value), modes[value]) << value;
  EXPECT_EQ(nameFor(names.PositionNames, 1), "LEFT");
  EXPECT_EQ(nameFor(names.PositionNames, 2), "RIGHT");
  EXPECT_EQ(nameFor(names.PositionNames, 3), "");
  EXPECT_EQ(nameFor(names.StatusNames, 1), "STBY");
  EXPECT_EQ(nameFor(names.StatusNames, 2), "AUTO");
  EXPECT_EQ(nameFor(names.StatusNames, 3), "ON");
  EXPECT_EQ(nameFor(names.StatusNames, 0), "");
  EXPECT_EQ(identName(1), "IDENTPRESSED");
  for (uint32_t value : {0u, 2u, 0xFFFFFFFFu}) EXPECT_EQ(identName(value), "IDENTRELEASED");
}

TEST(ConfigurationPath, SitsBesideTheProgramWithTheExtensionXml) {
  EXPECT_EQ(configurationPathFor("/opt/kestrix/bin/squarix"), "/opt/kestrix/bin/squarix.XML");
  EXPECT_EQ(configurationPathFor("/opt/Squarix.exe"), "/opt/Squarix.XML");
  EXPECT_EQ(configurationPathFor("/opt/v1.2/squarix"), "/opt/v1.2/squarix.XML");
}

}  // namespace
