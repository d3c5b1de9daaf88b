// The transponder device without a board or connection: what it makes of
// the simulator's data messages and of keys.
#include <gtest/gtest.h>
#include <transponder/device_kestrix_xpndr.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// A tagged data message of request 201 with the given (datum, value) pairs;
// declaredCount is what the header claims.
std::vector<unsigned char> dataMessage(const std::vector<std::pair<DWORD, DWORD>>& entries,
                                       DWORD declaredCount) {
  const size_t header = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
  std::vector<unsigned char> bytes(header + entries.size() * 8);
  SIMCONNECT_RECV_SIMOBJECT_DATA record{};
  record.dwSize = static_cast<DWORD>(bytes.size());
  record.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
  record.dwRequestID = 201;
  record.dwDefineID = 201;
  record.dwDefineCount = declaredCount;
  std::memcpy(bytes.data(), &record, header);
  for (size_t i = 0; i < entries.size(); ++i) {
    std::memcpy(bytes.data() + header + i * 8, &entries[i].first, 4);
    std::memcpy(bytes.data() + header + i * 8 + 4, &entries[i].second, 4);
  }
  return bytes;
}

DWORD floatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void deliver(CDeviceKestrixXPNDR& device, std::vector<unsigned char> bytes) {
  device.SimConnectModuleDispatchProc(reinterpret_cast<SIMCONNECT_RECV*>(bytes.data()),
                                      static_cast<DWORD>(bytes.size()));
}

TEST(TransponderDevice, ReportedCodesAlwaysHaveFourDigits) {
  const std::pair<float, const char*> cases[] = {{4608.0f, "1200"}, {18.0f, "0012"},
                                                 {0.0f, "0000"},    {30583.0f, "7777"},
                                                 {18.9f, "0012"},   {1024.0f, "0400"}};
  for (const auto& [reported, text] : cases) {
    CDeviceKestrixXPNDR device(nullptr);
    deliver(device, dataMessage({{2, floatBits(reported)}}, 1));
    EXPECT_EQ(device.codeText(), text) << reported;
  }
}

TEST(TransponderDevice, ReportsThatAreNoCodeAreLeftOut) {
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -1.0f, 1e10f}) {
    CDeviceKestrixXPNDR device(nullptr);
    deliver(device, dataMessage({{2, floatBits(bad)}}, 1));
    EXPECT_EQ(device.codeText(), "----") << bad;
  }
}

TEST(TransponderDevice, OnlyTheEntriesAMessageHoldsAreRead) {
  CDeviceKestrixXPNDR device(nullptr);
  // The header claims three entries; the message holds one.
  deliver(device, dataMessage({{2, floatBits(18.0f)}}, 3));
  EXPECT_EQ(device.codeText(), "0012");
  auto other = dataMessage({{2, floatBits(4608.0f)}}, 1);
  reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(other.data())->dwRequestID = 101;
  deliver(device, other);
  EXPECT_EQ(device.codeText(), "0012");
}

TEST(TransponderDevice, EntryRunsFromTheEntryKeyOverFourDigits) {
  CDeviceKestrixXPNDR device(nullptr);
  EXPECT_EQ(device.ProcessInput(3, false), 1);
  EXPECT_EQ(device.entryPosition(), -1);  // no entry yet: digits only log
  EXPECT_EQ(device.codeText(), "----");

  device.ProcessInput(11, false);
  EXPECT_EQ(device.entryPosition(), 0);
  for (int key : {8, 1, 2}) device.ProcessInput(key, false);
  EXPECT_EQ(device.codeText(), "701-");
  device.ProcessInput(5, true);  // a release changes nothing
  EXPECT_EQ(device.codeText(), "701-");
  for (int key : {13, 16, 25}) device.ProcessInput(key, false);
  EXPECT_EQ(device.entryPosition(), 3);
  device.ProcessInput(5, false);
  EXPECT_EQ(device.codeText(), "7014");
  EXPECT_EQ(device.entryPosition(), -1);
}

TEST(TransponderDevice, DigitsAfterAShortReportedCodeLandWhereTheEntryPoints) {
  CDeviceKestrixXPNDR device(nullptr);
  device.ProcessInput(11, false);
  device.ProcessInput(2, false);
  deliver(device, dataMessage({{2, floatBits(0.0f)}}, 1));  // "0" during the entry
  device.ProcessInput(3, false);
  EXPECT_EQ(device.codeText(), "0200");
  EXPECT_EQ(device.entryPosition(), 2);
}

TEST(TransponderDevice, AnEntryThatCouldNotBeSentLeavesTheSimulatorsCodeShown) {
  // Without a connection every send fails.
  CDeviceKestrixXPNDR device(nullptr);
  deliver(device, dataMessage({{2, floatBits(static_cast<float>(0x7000))}}, 1));
  ASSERT_EQ(device.codeText(), "7000");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);  // a failed send must not make the same entry look taken later
    for (int key : {11, 2, 3, 1, 1}) device.ProcessInput(key, false);
    EXPECT_EQ(device.codeText(), "7000");
    EXPECT_EQ(device.entryPosition(), -1);
  }
}

}  // namespace
