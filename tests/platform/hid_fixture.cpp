#include "hid_fixture.h"

namespace hidtest {

Bytes report(std::initializer_list<uint8_t> bytes, size_t length) {
  Bytes out(bytes);
  out.resize(length, 0);
  return out;
}

std::vector<platform::HidInterfaceInfo> HidFixture::interfacesOf(const std::string& serial) {
  std::vector<platform::HidInterfaceInfo> found;
  for (auto& info : platform::enumerateHidInterfaces())
    if (info.serialNumber == std::u16string(serial.begin(), serial.end())) found.push_back(info);
  return found;
}

std::string HidFixture::pathOf(const std::string& serial, int interfaceNumber) {
  for (const auto& info : interfacesOf(serial))
    if (info.interfaceNumber == interfaceNumber) return info.path;
  return {};
}

std::unique_ptr<HidDevice> HidFixture::open(const std::string& serial, int interfaceNumber,
                                            Access access) {
  return HidDevice::open(pathOf(serial, interfaceNumber), access);
}

void OpenBoardFixture::SetUp() {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 2)));
  specialIn = open(kSerial, lab::kSpecialInterface, Access::Read);
  specialOut = open(kSerial, lab::kSpecialInterface, Access::Write);
  pinOut = open(kSerial, lab::kPinInterface, Access::Write);
  ASSERT_TRUE(specialIn && specialOut && pinOut);
}

::testing::AssertionResult OpenBoardFixture::write(HidDevice& device, const Bytes& bytes) {
  auto result = device.writeReport(bytes.data(), bytes.size(), kPatienceMs);
  if (result.status != Status::Ok || result.bytes != bytes.size())
    return ::testing::AssertionFailure() << "write ended with status "
                                         << static_cast<int>(result.status);
  return ::testing::AssertionSuccess();
}

std::optional<Bytes> OpenBoardFixture::next(HidDevice& device) {
  Bytes buffer(64);
  auto result = device.readReport(buffer.data(), buffer.size(), kPatienceMs);
  if (result.status != Status::Ok) return std::nullopt;
  buffer.resize(result.bytes);
  return buffer;
}

::testing::AssertionResult OpenBoardFixture::nothingMoreCame(HidDevice& device) {
  if (!special({0xFF})) return ::testing::AssertionFailure() << "the pin status request failed";
  auto answer = next(device);
  if (!answer) return ::testing::AssertionFailure() << "no answer to the pin status request";
  if ((*answer)[0] != 0xFF)
    return ::testing::AssertionFailure() << "report 0x" << std::hex << int((*answer)[0])
                                         << " came first";
  return ::testing::AssertionSuccess();
}

}  // namespace hidtest
