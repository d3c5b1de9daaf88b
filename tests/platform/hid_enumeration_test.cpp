// What enumeration finds of the lab's boards: the facts a controller matches
// boards by.
#include "hid_fixture.h"

#include <platform/hid_lab.h>

#include <fstream>
#include <functional>
#include <regex>

namespace hidtest {
namespace {

using platform::HidInterfaceInfo;

std::string pathPattern(const char* ids, int interfaceNumber) {
  return std::string(R"(\\\\\?\\HID#)") + ids + "&MI_0" + std::to_string(interfaceNumber) +
         R"(#[^#\\]+#\{4d1e55b2-f16f-11cf-88cb-001111000030\})";
}

class HidEnumerationTest : public HidFixture {};

TEST_F(HidEnumerationTest, ABoardIsAPinAndASpecialModeInterfaceOnOneGroupingNode) {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 2)));
  auto found = platform::enumerateHidInterfaces();
  ASSERT_EQ(found.size(), 2u);
  struct Expected {
    int interfaceNumber;
    uint16_t outputLength, inputLength;
  };
  const Expected expected[] = {{0, 5, 5}, {1, 8, 8}};
  for (size_t i = 0; i < 2; ++i) {
    const HidInterfaceInfo& info = found[i];
    SCOPED_TRACE(info.path);
    EXPECT_EQ(info.interfaceNumber, expected[i].interfaceNumber);
    EXPECT_EQ(info.outputReportLength, expected[i].outputLength);
    EXPECT_EQ(info.inputReportLength, expected[i].inputLength);
    EXPECT_EQ(info.vendorId, 0x1FD1);
    EXPECT_EQ(info.productId, 0x03E8);
    EXPECT_EQ(info.versionNumber, 0x1000);
    EXPECT_EQ(info.serialNumber, u"0000A1B2");
    EXPECT_EQ(info.indexedString0, u"\u0409");  // the language list
    EXPECT_TRUE(std::regex_match(
        info.path, std::regex(pathPattern("VID_1FD1&PID_03E8", info.interfaceNumber))));
  }
  EXPECT_EQ(found[0].groupingNode, found[1].groupingNode);
  EXPECT_NE(found[0].deviceNode, found[1].deviceNode);
}

TEST_F(HidEnumerationTest, BoardsDifferInTheFactsTheirFirmwareGives) {
  struct Case {
    const char* name;
    std::function<void(lab::BoardSetup&)> change;
    std::vector<std::pair<uint16_t, uint16_t>> lengths;  // output, input per interface
    std::optional<std::u16string> serial;
    std::optional<std::u16string> indexedString0;
    const char* ids = "VID_1FD1&PID_03E8";
  };
  const Case cases[] = {
      {"serial as indexed string 0", [](auto& s) { s.serialEqualsIndexedString0 = true; },
       {{5, 5}, {8, 8}}, u"0000C0DE", u"0000C0DE"},
      {"no serial number", [](auto& s) { s.answersSerialNumber = false; },
       {{5, 5}, {8, 8}}, std::nullopt, u"\u0409"},
      {"pin interface alone", [](auto& s) { s.matchingInterfaces = 1; },
       {{5, 5}}, u"0000C0DE", u"\u0409"},
      {"a third interface", [](auto& s) { s.matchingInterfaces = 3; },
       {{5, 5}, {8, 8}, {8, 8}}, u"0000C0DE", u"\u0409"},
      {"Code Mercenaries' ids", [](auto& s) { s.vendorId = 0x07C0; s.productId = 0x1583; },
       {{5, 5}, {8, 8}}, u"0000C0DE", u"\u0409", "VID_07C0&PID_1583"},
      {"foreign ids", [](auto& s) { s.vendorId = 0x046D; s.productId = 0xC077; },
       {{5, 5}, {8, 8}}, u"0000C0DE", u"\u0409", "VID_046D&PID_C077"},
      {"odd report lengths",
       [](auto& s) { s.pinOutputLength = 6; s.specialOutputLength = 9; s.specialInputLength = 7; },
       {{6, 5}, {9, 7}}, u"0000C0DE", u"\u0409"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto setup = lab::BoardSetup::panel("0000C0DE", 0x34, 0x02, 1);
    c.change(setup);
    ASSERT_TRUE(rack.plug(setup));
    auto found = platform::enumerateHidInterfaces();
    ASSERT_EQ(found.size(), c.lengths.size());
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].interfaceNumber, static_cast<int>(i));
      EXPECT_EQ(found[i].outputReportLength, c.lengths[i].first);
      EXPECT_EQ(found[i].inputReportLength, c.lengths[i].second);
      EXPECT_EQ(found[i].serialNumber, c.serial);
      EXPECT_EQ(found[i].indexedString0, c.indexedString0);
      EXPECT_EQ(found[i].groupingNode, found[0].groupingNode);
      EXPECT_TRUE(std::regex_match(found[i].path, std::regex(pathPattern(c.ids, int(i)))))
          << found[i].path;
    }
    ASSERT_TRUE(rack.unplug("0000C0DE"));
  }
}

TEST_F(HidEnumerationTest, BoardsAreListedInPlugOrderUntilUnplugged) {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("00000002", 0x34, 0x01, 1)));
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank("00000001")));
  auto found = platform::enumerateHidInterfaces();
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].serialNumber, u"00000002");
  EXPECT_EQ(found[2].serialNumber, u"00000001");
  EXPECT_NE(found[0].groupingNode, found[2].groupingNode);
  EXPECT_NE(found[0].path, found[2].path);

  ASSERT_TRUE(rack.unplug("00000002"));
  found = platform::enumerateHidInterfaces();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].serialNumber, u"00000001");
}

TEST_F(HidEnumerationTest, DescriptorsThatCannotBeUsedAreSkipped) {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
  std::string folder = rack.hidFolder();
  // Half a descriptor, and one whose board's socket is gone.
  std::ofstream(folder + "/VID_1FD1&PID_03E8&MI_00#7&cut&0&0000.hid") << "path=\\\\?\\HID#VID";
  platform::hidlab::Descriptor stale;
  stale.path = platform::hidlab::interfacePath(0x1FD1, 0x03E8, 0, "7&stale&0&0000");
  stale.vendorId = 0x1FD1;
  stale.socketName = "nobody-listens.sock";
  ASSERT_TRUE(platform::hidlab::writeDescriptor(folder, stale));

  auto found = platform::enumerateHidInterfaces();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].serialNumber, u"0000A1B2");
  EXPECT_FALSE(HidDevice::open(stale.path, Access::Read));
}

TEST_F(HidEnumerationTest, AnotherRuntimeFolderSeesNoneOfTheBoards) {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
  std::string path = pathOf(kSerial, 1);
  ASSERT_FALSE(path.empty());
  testsupport::TestEnvironment elsewhere;  // a runtime folder without a hid folder
  EXPECT_TRUE(platform::enumerateHidInterfaces().empty());
  EXPECT_FALSE(HidDevice::open(path, Access::Read));
}

}  // namespace
}  // namespace hidtest
