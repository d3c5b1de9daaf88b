// What enumeration makes of one interface's answers, and where the
// controller library then puts the interface on its board.
#include <gtest/gtest.h>

#include <string>

#include "device_record.h"
#include "win32/hid_interface_facts.h"

namespace {

using platform::win32::HidInterfaceFacts;
using platform::win32::interfaceNumberOfPath;

TEST(InterfaceNumberOfPath, IsTheHexadecimalNumberAfterMi) {
  struct Case {
    const wchar_t* path;
    int number;
  };
  const Case cases[] = {
      {L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_00#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0},
      {L"\\\\?\\HID#VID_07C0&PID_1583&MI_01#7&1b2c3d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 1},
      // A top-level collection of a composite interface.
      {L"\\\\?\\hid#vid_046d&pid_c52b&mi_02&col01#8&3a1b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 2},
      {L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_0a#7&2f&0&0000#{guid}", 10},
      // A device with one interface has no MI_ in its path.
      {L"\\\\?\\hid#vid_045e&pid_00cb#6&1d0e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", -1},
      {L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_#7&2f&0&0000", -1},
      {L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_zz#7&2f&0&0000", -1},
      {L"", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(interfaceNumberOfPath(c.path), c.number) << std::wstring(c.path).size();
}

HidInterfaceFacts factsWithLengths(USHORT input, USHORT output) {
  HidInterfaceFacts facts;
  facts.path = L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  facts.attributes.VendorID = 0x1FD1;
  facts.attributes.ProductID = 0x03E8;
  facts.attributes.VersionNumber = 0x1020;
  HIDP_CAPS caps{};
  caps.InputReportByteLength = input;
  caps.OutputReportByteLength = output;
  facts.capabilities = caps;
  facts.deviceNode = 17;
  facts.groupingNode = 5;
  return facts;
}

TEST(InterfaceInfoOf, CarriesTheProbesAnswers) {
  HidInterfaceFacts facts = factsWithLengths(8, 8);
  facts.serialNumber = u"0000A1B2";
  facts.indexedString0 = u"\x0409";
  const platform::HidInterfaceInfo info = platform::win32::interfaceInfoOf(facts);
  EXPECT_EQ(info.path,
            "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  EXPECT_EQ(info.vendorId, 0x1FD1);
  EXPECT_EQ(info.productId, 0x03E8);
  EXPECT_EQ(info.versionNumber, 0x1020);
  EXPECT_EQ(info.serialNumber, std::u16string(u"0000A1B2"));
  EXPECT_EQ(info.indexedString0, std::u16string(u"\x0409"));
  EXPECT_EQ(info.deviceNode, 17u);
  EXPECT_EQ(info.groupingNode, 5u);
  EXPECT_EQ(info.interfaceNumber, 1);
}

TEST(InterfaceInfoOf, ThePathOfANonAsciiNameIsUtf8) {
  HidInterfaceFacts facts = factsWithLengths(8, 8);
  facts.path = L"\\\\?\\hid#vid_1fd1&pid_03e8&mi_00#k\u00e4\u20ac#{x}";
  EXPECT_EQ(platform::win32::interfaceInfoOf(facts).path,
            "\\\\?\\hid#vid_1fd1&pid_03e8&mi_00#k\xc3\xa4\xe2\x82\xac#{x}");
}

TEST(InterfaceInfoOf, ReportLengthsComeFromTheCapabilitiesAndChooseTheSlot) {
  struct Case {
    std::optional<std::pair<USHORT, USHORT>> inputOutput;
    uint16_t input, output;
    size_t slot;
  };
  const Case cases[] = {
      {std::pair<USHORT, USHORT>{5, 5}, 5, 5, 0},  // the pin interface
      {std::pair<USHORT, USHORT>{8, 8}, 8, 8, 1},  // the special-mode interface
      {std::pair<USHORT, USHORT>{8, 5}, 8, 5, 0},  // the output length alone decides
      {std::pair<USHORT, USHORT>{5, 8}, 5, 8, 1},
      {std::pair<USHORT, USHORT>{65, 0}, 65, 0, 1},
      {std::nullopt, 0, 0, 1},  // a driver that gave no capabilities
  };
  for (const Case& c : cases) {
    HidInterfaceFacts facts = factsWithLengths(0, 0);
    facts.capabilities.reset();
    if (c.inputOutput) facts = factsWithLengths(c.inputOutput->first, c.inputOutput->second);
    const platform::HidInterfaceInfo info = platform::win32::interfaceInfoOf(facts);
    EXPECT_EQ(info.inputReportLength, c.input);
    EXPECT_EQ(info.outputReportLength, c.output);
    EXPECT_EQ(interfaceSlotOf(info), c.slot) << c.input << "/" << c.output;
  }
}

TEST(HidStringOf, EndsAtTheTerminatorOrTheBuffersEnd) {
  const wchar_t terminated[8] = L"A1B2";
  EXPECT_EQ(platform::win32::hidStringOf(terminated, 8), u"A1B2");
  const wchar_t full[4] = {L'0', L'0', L'A', L'1'};
  EXPECT_EQ(platform::win32::hidStringOf(full, 4), u"00A1");
  const wchar_t empty[4] = {};
  EXPECT_EQ(platform::win32::hidStringOf(empty, 4), u"");
}

}  // namespace
