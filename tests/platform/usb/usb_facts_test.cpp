// The plain parts of the USB backend: report lengths from descriptors,
// interface names, string descriptors, framing, the library's errors, the
// choice of backend and hot-plug notices. No hardware is needed.
#include <gtest/gtest.h>
#include <libusb.h>

#include <set>

#include "board_descriptors.h"
#include "posix/hid_backend.h"
#include "posix/usb_errors.h"
#include "posix/usb_hotplug.h"
#include "posix/usb_names.h"
#include "posix/usb_report_descriptor.h"

namespace usbtest {
namespace {

using namespace platform::usb;
using platform::DeviceChangeWatcher;
using platform::HidDevice;

std::optional<ReportLengths> lengthsOf(const std::vector<uint8_t>& descriptor) {
  return reportLengthsOf(descriptor.data(), descriptor.size());
}

TEST(UsbReportLengths, TheBoardsInterfacesHaveTheLengthsWindowsGives) {
  struct Case {
    const char* what;
    std::vector<uint8_t> descriptor;
    uint16_t input, output;
    bool usesReportIds;
  };
  const Case cases[] = {
      {"pin interface", pinInterfaceDescriptor(), 5, 5, false},
      {"special-mode interface", specialModeInterfaceDescriptor(), 8, 8, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto lengths = lengthsOf(c.descriptor);
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, c.input);
    EXPECT_EQ(lengths->output, c.output);
    EXPECT_EQ(lengths->usesReportIds, c.usesReportIds);
  }
}

TEST(UsbReportLengths, CountsEachReportIdApartAndTakesTheLongest) {
  struct Case {
    const char* what;
    std::vector<uint8_t> descriptor;
    uint16_t input, output;
  };
  const Case cases[] = {
      // id 1: 3 + 2 bytes in; id 2: 6 bytes in, 1 out.
      {"ids", {0x75, 0x08, 0x85, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x02, 0x81, 0x02,
               0x85, 0x02, 0x95, 0x06, 0x81, 0x02, 0x95, 0x01, 0x91, 0x02}, 7, 2},
      // Bits round up to bytes: 1 bit x 3 + 5 bits padding, then 4 bits alone.
      {"bits", {0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x05, 0x95, 0x01, 0x81, 0x01,
                0x75, 0x04, 0x91, 0x02}, 2, 2},
      // Four-byte item data, and a push/pop that restores the report size.
      {"wide items", {0x77, 0x08, 0x00, 0x00, 0x00, 0x97, 0x10, 0x00, 0x00, 0x00, 0xA4,
                      0x75, 0x01, 0xB4, 0x81, 0x02}, 17, 0},
      // A long item is skipped whole.
      {"long item", {0xFE, 0x02, 0x00, 0x81, 0x02, 0x75, 0x08, 0x95, 0x02, 0x91, 0x02}, 0, 3},
      {"empty", {}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto lengths = lengthsOf(c.descriptor);
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, c.input);
    EXPECT_EQ(lengths->output, c.output);
  }
}

TEST(UsbReportLengths, ADescriptorCutShortIsRefused) {
  for (std::vector<uint8_t> cut : {std::vector<uint8_t>{0x26, 0xFF}, {0x75}, {0xFE, 0x05, 0x00}}) {
    SCOPED_TRACE(cut.size());
    EXPECT_FALSE(lengthsOf(cut));
  }
}

TEST(UsbInterfaceNames, PathsHaveTheWindowsFormAndLeadBackToTheDevice) {
  UsbAddress address{3, {1, 4, 2}};
  std::string path = interfacePathOf(0x1FD1, 0x03E8, 1, address);
  EXPECT_EQ(path,
            "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#usb-3-1.4.2#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  for (const std::string& spelling : {path, std::string(
           "\\\\?\\HID#VID_1FD1&PID_03E8&MI_01#USB-3-1.4.2#{4D1E55B2-F16F-11CF-88CB-001111000030}")}) {
    auto parsed = parseInterfacePath(spelling);
    ASSERT_TRUE(parsed) << spelling;
    EXPECT_EQ(parsed->vendorId, 0x1FD1);
    EXPECT_EQ(parsed->productId, 0x03E8);
    EXPECT_EQ(parsed->interfaceNumber, 1);
    EXPECT_EQ(parsed->address, address);
  }
}

TEST(UsbInterfaceNames, OtherPathsAreNoUsbInterface) {
  const char* paths[] = {
      "",
      "\\\\?\\HID#VID_1FD1&PID_03E8&MI_01#7&1a2b3c4d&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
      "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#usb-3-#{4d1e55b2-f16f-11cf-88cb-001111000030}",
      "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#usb-3-1..2#{4d1e55b2-f16f-11cf-88cb-001111000030}",
      "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#usb-3-1.256#{4d1e55b2-f16f-11cf-88cb-001111000030}",
      "\\\\?\\hid#vid_1fd1&pid_03e8&mi_01#usb-3-1#{00000000-0000-0000-0000-000000000000}",
      "\\\\?\\hid#vid_zz&pid_03e8&mi_01#usb-3-1#{4d1e55b2-f16f-11cf-88cb-001111000030}",
  };
  for (const char* path : paths) EXPECT_FALSE(parseInterfacePath(path)) << path;
}

TEST(UsbInterfaceNames, InterfacesOfOneDeviceShareAGroupingNodeAndNoneSharesADeviceNode) {
  const UsbAddress addresses[] = {{1, {2}}, {1, {2, 1}}, {1, {1, 2}}, {2, {2}}, {1, {2, 1, 1}}};
  std::set<uint64_t> groups;
  std::set<uint32_t> nodes;
  for (const UsbAddress& address : addresses) {
    EXPECT_TRUE(groups.insert(groupingNodeOf(address)).second);
    for (int interface : {0, 1}) EXPECT_TRUE(nodes.insert(deviceNodeOf(address, interface)).second);
  }
  EXPECT_EQ(groupingNodeOf({1, {2, 1}}), groupingNodeOf({1, {2, 1}}));
}

TEST(UsbInterfaceNames, OnlyTheBoardsProductsAreBoards) {
  EXPECT_TRUE(isBoardProduct(0x1FD1, 0x03E8));
  EXPECT_TRUE(isBoardProduct(0x1FD1, 0x03EA));
  EXPECT_TRUE(isBoardProduct(0x07C0, 0x1583));
  EXPECT_FALSE(isBoardProduct(0x07C0, 0x1500));
  EXPECT_FALSE(isBoardProduct(0x1FD1, 0x1583));
  EXPECT_FALSE(isBoardProduct(0x046D, 0xC077));
}

TEST(UsbStringDescriptors, GiveTheirUnitsAsText) {
  const uint8_t serial[] = {18, 3, '0', 0, '0', 0, '0', 0, '0', 0, 'A', 0, '0', 0, '0', 0, '1', 0};
  EXPECT_EQ(textOfStringDescriptor(serial, sizeof serial), std::u16string(u"0000A001"));
  const uint8_t languages[] = {4, 3, 0x09, 0x04};
  EXPECT_EQ(textOfStringDescriptor(languages, sizeof languages), std::u16string(u"\u0409"));
  // A length byte beyond what came is cut to what came.
  const uint8_t cut[] = {10, 3, 'A', 0, 'B'};
  EXPECT_EQ(textOfStringDescriptor(cut, sizeof cut), std::u16string(u"A"));
  const uint8_t notAString[] = {4, 2, 0x09, 0x04};
  EXPECT_FALSE(textOfStringDescriptor(notAString, sizeof notAString));
  EXPECT_FALSE(textOfStringDescriptor(serial, 1));
}

TEST(UsbFraming, WithoutReportIdsAZeroIdStandsForTheIdThatDoesNotTravel) {
  const uint8_t keys[] = {0x19, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(reportOfTransfer(keys, sizeof keys, true), std::vector<uint8_t>(keys, keys + 8));
  const uint8_t pins[] = {0xFF, 0xFE, 0xFD, 0xFC};
  EXPECT_EQ(reportOfTransfer(pins, sizeof pins, false),
            (std::vector<uint8_t>{0, 0xFF, 0xFE, 0xFD, 0xFC}));

  const uint8_t ledRow[] = {0x15, 2, 0xAA, 0, 0, 0, 0, 0};
  OutgoingReport special = transferOfReport(ledRow, sizeof ledRow, true);
  EXPECT_EQ(special.reportId, 0x15);
  EXPECT_EQ(special.payload, std::vector<uint8_t>(ledRow, ledRow + 8));
  const uint8_t ports[] = {0, 0xFF, 0xFF, 0x7F, 0xFF};
  OutgoingReport pin = transferOfReport(ports, sizeof ports, false);
  EXPECT_EQ(pin.reportId, 0);
  EXPECT_EQ(pin.payload, (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0xFF}));
}

TEST(UsbFraming, RequestsAreTheHidClassOnes) {
  ControlSetup setReport = setOutputReportRequest(1, 0x15);
  EXPECT_EQ(setReport.requestType, 0x21);
  EXPECT_EQ(setReport.request, 0x09);
  EXPECT_EQ(setReport.value, 0x0215);
  EXPECT_EQ(setReport.index, 1);
  ControlSetup descriptor = reportDescriptorRequest(1);
  EXPECT_EQ(descriptor.requestType, 0x81);
  EXPECT_EQ(descriptor.request, 0x06);
  EXPECT_EQ(descriptor.value, 0x2200);
  EXPECT_EQ(descriptor.index, 1);
  ControlSetup string = stringDescriptorRequest(3, 0x0409);
  EXPECT_EQ(string.requestType, 0x80);
  EXPECT_EQ(string.value, 0x0303);
  EXPECT_EQ(string.index, 0x0409);
}

TEST(UsbErrors, TheLibrarysCodesBecomeTheReportStatuses) {
  struct Case {
    int code;
    bool isTransferStatus;
    HidDevice::Status status;
  };
  const Case cases[] = {
      {LIBUSB_SUCCESS, false, HidDevice::Status::Ok},
      {8, false, HidDevice::Status::Ok},  // a byte count
      {LIBUSB_ERROR_NO_DEVICE, false, HidDevice::Status::Gone},
      {LIBUSB_ERROR_TIMEOUT, false, HidDevice::Status::Timeout},
      {LIBUSB_ERROR_INTERRUPTED, false, HidDevice::Status::Cancelled},
      {LIBUSB_ERROR_IO, false, HidDevice::Status::Failed},
      {LIBUSB_ERROR_PIPE, false, HidDevice::Status::Failed},
      {LIBUSB_ERROR_ACCESS, false, HidDevice::Status::Failed},
      {LIBUSB_TRANSFER_COMPLETED, true, HidDevice::Status::Ok},
      {LIBUSB_TRANSFER_NO_DEVICE, true, HidDevice::Status::Gone},
      {LIBUSB_TRANSFER_TIMED_OUT, true, HidDevice::Status::Timeout},
      {LIBUSB_TRANSFER_CANCELLED, true, HidDevice::Status::Cancelled},
      {LIBUSB_TRANSFER_STALL, true, HidDevice::Status::Failed},
      {LIBUSB_TRANSFER_OVERFLOW, true, HidDevice::Status::Failed},
      {LIBUSB_TRANSFER_ERROR, true, HidDevice::Status::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Outcome outcome = c.isTransferStatus ? outcomeOfTransferStatus(c.code) : outcomeOfError(c.code);
    EXPECT_EQ(hidStatusOf(outcome), c.status);
  }
  EXPECT_EQ(outcomeOfError(LIBUSB_ERROR_ACCESS), Outcome::NoAccess);
  EXPECT_EQ(outcomeOfError(LIBUSB_ERROR_BUSY), Outcome::Busy);
}

TEST(HidBackendChoice, TheVariableDecidesElseTheLabsFolder) {
  using platform::posix::HidBackend;
  using platform::posix::hidBackendFor;
  struct Case {
    std::optional<std::string> setting;
    bool labFolder;
    HidBackend chosen;
  };
  const Case cases[] = {
      {std::nullopt, false, HidBackend::Usb}, {std::nullopt, true, HidBackend::Lab},
      {"lab", false, HidBackend::Lab},        {"usb", true, HidBackend::Usb},
      {"USB", false, HidBackend::Usb},        {"hidraw", true, HidBackend::Lab},
      {"", false, HidBackend::Usb},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting.value_or("(unset)") + (c.labFolder ? " with" : " without"));
    EXPECT_EQ(hidBackendFor(c.setting, c.labFolder), c.chosen);
  }
}

UsbDeviceFacts boardAt(UsbAddress address, uint16_t vendor = 0x1FD1, uint16_t product = 0x03E8) {
  UsbDeviceFacts board;
  board.address = std::move(address);
  board.vendorId = vendor;
  board.productId = product;
  board.interfaces = {{0, true, 0x81, 4, 0}, {1, true, 0x82, 8, 0}};
  return board;
}

TEST(UsbHotplugNotices, EachInterfaceOfABoardArrivesAndLeaves) {
  HotplugNotices notices;
  UsbDeviceFacts board = boardAt({1, {3}});
  using Change = DeviceChangeWatcher::Change;
  auto arrived = notices.arrived(board);
  ASSERT_EQ(arrived.size(), 2u);
  EXPECT_EQ(arrived[0], std::make_pair(Change::Arrival, interfacePathOf(0x1FD1, 0x03E8, 0, board.address)));
  EXPECT_EQ(arrived[1], std::make_pair(Change::Arrival, interfacePathOf(0x1FD1, 0x03E8, 1, board.address)));
  auto left = notices.left(board);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].first, Change::RemoveComplete);
  EXPECT_EQ(left[0].second, arrived[0].second);
  EXPECT_EQ(left[1].second, arrived[1].second);
}

TEST(UsbHotplugNotices, ADeviceThatLeftUndescribedIsNamedAsItWasSeen) {
  HotplugNotices notices;
  UsbDeviceFacts seen = boardAt({2, {1, 1}}, 0x07C0, 0x1583);
  notices.seed({seen});
  UsbDeviceFacts undescribed;
  undescribed.address = seen.address;
  auto left = notices.left(undescribed);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].second, interfacePathOf(0x07C0, 0x1583, 0, seen.address));
  // Once gone, it is not named again.
  EXPECT_TRUE(notices.left(undescribed).empty());
}

TEST(UsbHotplugNotices, OtherDevicesGiveNone) {
  HotplugNotices notices;
  UsbDeviceFacts mouse = boardAt({1, {2}}, 0x046D, 0xC077);
  EXPECT_TRUE(notices.arrived(mouse).empty());
  EXPECT_TRUE(notices.left(mouse).empty());
  UsbDeviceFacts noHid = boardAt({1, {4}});
  for (auto& interface : noHid.interfaces) interface.isHid = false;
  EXPECT_TRUE(notices.arrived(noHid).empty());
}

}  // namespace
}  // namespace usbtest
