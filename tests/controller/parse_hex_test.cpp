#include <controller/interface_name.h>
#include <controller/parse_hex.h>
#include <gtest/gtest.h>

namespace {

TEST(ParseHexTest, TakesDigitsUpToTheFirstOtherCharacter) {
  struct Case {
    const char* text;
    uint32_t value;
  };
  const Case cases[] = {
      {"0x1f", 31},          {"3G", 3},     {"", 0},        {"1FD1", 0x1FD1},
      {"0X03e8", 0x03E8},    {"0x", 0},     {"zz", 0},      {"34", 0x34},
      {"1FD1&PID_03E8", 0x1FD1}, {"01#7&2f", 1}, {"123456789", 0x23456789},
  };
  for (const Case& c : cases) EXPECT_EQ(parseHex(c.text), c.value) << '"' << c.text << '"';
}

constexpr char kTail[] = "#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string pathOf(const std::string& ids) { return "\\\\?\\HID#" + ids + kTail; }

TEST(InterfaceNameTest, MatchesTheBoardsIdsAndTheInterfaceNumber) {
  struct Case {
    std::string name;
    uint32_t interfaceNumber;
    bool matches;
  };
  const Case cases[] = {
      {pathOf("VID_1FD1&PID_03E8&MI_01"), 1, true},
      {pathOf("VID_1FD1&PID_03E8&MI_01"), 0, false},
      {pathOf("VID_1FD1&PID_03E8&MI_00"), 0, true},
      {pathOf("vid_07c0&pid_1583&mi_00"), 0, true},  // letter case does not matter
      {pathOf("VID_07C0&PID_03EA&MI_01"), 1, true},
      {pathOf("VID_046D&PID_03E8&MI_01"), 1, false},  // another vendor
      {pathOf("VID_1FD1&PID_C52B&MI_01"), 1, false},  // another product
      {pathOf("VID_1FD1&PID_03E8"), 0, false},        // no interface number
      {pathOf("PID_03E8&MI_01"), 1, false},
      {"", 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isVantrixInterface(c.name, c.interfaceNumber), c.matches)
        << c.name << " interface " << c.interfaceNumber;
}

}  // namespace
