// The boards' firmware as a controller meets it: output reports written and
// input reports read through platform::HidDevice.
#include "hid_fixture.h"

#include <algorithm>
#include <array>
#include <map>

namespace hidtest {
namespace {

using Matrix = std::array<std::array<uint8_t, 4>, 8>;

// Segment patterns of the digits, a = bit 0 ... g = bit 6.
constexpr uint8_t kDigitSegments[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
constexpr uint8_t kPoint = 0x80;

// Lights segment pattern p of position n (1-32) and the LEDs (1-256).
Matrix matrixOf(const std::map<int, uint8_t>& positions, const std::vector<int>& leds) {
  Matrix matrix{};
  auto light = [&](int row, int column) { matrix[row][column / 8] |= uint8_t(1u << (column % 8)); };
  for (const auto& [position, segments] : positions)
    for (int row = 0; row < 8; ++row)
      if (segments & (1u << row)) light(row, position - 1);
  for (int led : leds) light((led - 1) % 8, (led - 1) / 8);
  return matrix;
}

class BoardFirmwareTest : public OpenBoardFixture {
 protected:
  ::testing::AssertionResult show(const Matrix& matrix) {
    for (uint8_t row = 0; row < 8; ++row) {
      auto written = special({0x15, row, matrix[row][0], matrix[row][1], matrix[row][2],
                              matrix[row][3]});
      if (!written) return written;
    }
    return ::testing::AssertionSuccess();
  }
  lab::BoardView view() { return rack.view(kSerial).value(); }
};

TEST_F(BoardFirmwareTest, LedMatrixRowsShowAsDigitsAndIndicators) {
  ASSERT_TRUE(special({0x14, 1}));
  std::map<int, uint8_t> positions;
  for (int digit = 0; digit <= 9; ++digit) positions[digit + 1] = kDigitSegments[digit];
  positions[3] |= kPoint;
  positions[12] = 0x49;  // a, d and g: no character
  ASSERT_TRUE(show(matrixOf(positions, {201, 256})));

  lab::BoardView shown = view();
  EXPECT_TRUE(shown.ledMatrixOn);
  EXPECT_EQ(shown.digits(1, 12), "012.3456789 ?");
  EXPECT_EQ(shown.segments(3), kDigitSegments[2] | kPoint);
  EXPECT_EQ(shown.digits(13, 12), std::string(12, ' '));  // the LEDs share columns 26 and 32
  EXPECT_TRUE(shown.ledLit(201));
  EXPECT_TRUE(shown.ledLit(256));
  EXPECT_FALSE(shown.ledLit(200));

  // Rows out of range, and rows while the matrix is off, light nothing.
  ASSERT_TRUE(special({0x15, 8, 0xFF, 0xFF, 0xFF, 0xFF}));
  ASSERT_TRUE(special({0x14, 0}));
  ASSERT_TRUE(special({0x15, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_FALSE(view().ledMatrixOn);
  EXPECT_TRUE(view().litLeds.empty());

  // Switching the matrix on starts dark, too.
  ASSERT_TRUE(special({0x14, 1}));
  ASSERT_TRUE(show(matrixOf({{1, kDigitSegments[8]}}, {})));
  ASSERT_TRUE(special({0x14, 1}));
  EXPECT_TRUE(view().litLeds.empty());
  EXPECT_EQ(view().digits(), std::string(32, ' '));
}

// Bit b of byte i+1 of key report r (0-3) is key 32r + 8i + b + 1.
bool keyBit(const Bytes& report, int key) {
  int index = (key - 1) % 32;
  return report[1 + index / 8] & (1u << (index % 8));
}

TEST_F(BoardFirmwareTest, KeyReportsComeOnEveryChangeAndOnRequestWhileKeysAreOn) {
  struct Mode {
    uint8_t value;
    std::vector<uint8_t> reportIds;
    std::vector<int> keys;      // scanned in this mode
    std::vector<int> unscanned;
  };
  const Mode modes[] = {
      {1, {0x19, 0x1A}, {1, 9, 32, 33, 64}, {65, 128}},
      {2, {0x19, 0x1A, 0x1B, 0x1C}, {1, 33, 65, 96, 97, 128}, {}},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE("key mode " + std::to_string(mode.value));
    ASSERT_TRUE(special({0x18, mode.value}));
    auto readSet = [&](const std::vector<int>& pressed) {
      for (size_t r = 0; r < mode.reportIds.size(); ++r) {
        auto got = next();
        ASSERT_TRUE(got);
        ASSERT_EQ(got->size(), 8u);
        EXPECT_EQ((*got)[0], mode.reportIds[r]);
        for (int key = int(r) * 32 + 1; key <= int(r) * 32 + 32; ++key)
          EXPECT_EQ(keyBit(*got, key), std::count(pressed.begin(), pressed.end(), key) == 1)
              << "key " << key;
      }
    };
    std::vector<int> pressed;
    for (int key : mode.keys) {
      ASSERT_TRUE(rack.press(kSerial, key));
      pressed.push_back(key);
      readSet(pressed);
    }
    ASSERT_TRUE(rack.press(kSerial, mode.keys[0]));  // no change, no report
    for (int key : mode.unscanned) ASSERT_TRUE(rack.press(kSerial, key));
    EXPECT_TRUE(nothingMoreCame());

    ASSERT_TRUE(special({0x19}));
    readSet(pressed);
    ASSERT_TRUE(rack.release(kSerial, mode.keys[0]));
    pressed.erase(pressed.begin());
    readSet(pressed);

    for (int key = 1; key <= lab::kKeyCount; ++key) ASSERT_TRUE(rack.release(kSerial, key));
    // One set for each scanned key still pressed.
    for (size_t i = 0; i < (mode.keys.size() - 1) * mode.reportIds.size(); ++i)
      ASSERT_TRUE(next());
    EXPECT_TRUE(nothingMoreCame()) << "a release of an unscanned key was reported";
  }
}

TEST_F(BoardFirmwareTest, KeysOffReportNothing) {
  EXPECT_EQ(view().keyMode, 0);
  ASSERT_TRUE(rack.press(kSerial, 1));
  ASSERT_TRUE(special({0x19}));
  ASSERT_TRUE(special({0x18, 1}));
  ASSERT_TRUE(special({0x18, 0}));
  ASSERT_TRUE(rack.release(kSerial, 1));
  EXPECT_TRUE(nothingMoreCame());
  EXPECT_FALSE(rack.press(kSerial, 0));
  EXPECT_FALSE(rack.press(kSerial, lab::kKeyCount + 1));
  EXPECT_FALSE(rack.press("nobody", 1));
}

TEST_F(BoardFirmwareTest, IicReadsTheBoardMemoryFromTheAddressWritten) {
  ASSERT_TRUE(special({0x01, 1}));
  ASSERT_TRUE(special({0x02, 0x82, 0xA0, 0x7F}));
  auto written = next();
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, report({0x02, 0x02}, 8));

  // Variant, model, an unused byte, then the date: the address advances.
  ASSERT_TRUE(special({0x03, 4, 0xA1}));
  EXPECT_EQ(next(), report({0x03, 4, 2, 0x34, 0x01, 0xFF}, 8));
  ASSERT_TRUE(special({0x03, 3, 0xA1}));
  EXPECT_EQ(next(), report({0x03, 3, 17, 6, 23}, 8));

  // A write with data, then reading it back; memory set by the test shows too.
  ASSERT_TRUE(rack.setMemory(kSerial, 0x12, 0x99));
  ASSERT_TRUE(special({0x02, 0xC3, 0xA0, 0x10, 0x55}));
  EXPECT_EQ(next(), report({0x02, 0x03}, 8));
  EXPECT_EQ(view().memory[0x10], 0x55);
  ASSERT_TRUE(special({0x02, 0x82, 0xA0, 0x10}));
  ASSERT_TRUE(next());
  ASSERT_TRUE(special({0x03, 3, 0xA1}));
  EXPECT_EQ(next(), report({0x03, 3, 0x55, 0xFF, 0x99}, 8));
}

TEST_F(BoardFirmwareTest, IicRequestsFailWithTheErrorBit) {
  struct Case {
    const char* name;
    bool iicOn;
    bool injected;
    Bytes request;
  };
  const Case cases[] = {
      {"write while IIC is off", false, false, {0x02, 0x82, 0xA0, 0x00}},
      {"read while IIC is off", false, false, {0x03, 1, 0xA1}},
      {"write to chip 2", true, false, {0x02, 0x82, 0xA2, 0x00}},
      {"read from chip 2", true, false, {0x03, 1, 0xA3}},
      {"read with the write address", true, false, {0x03, 1, 0xA0}},
      {"read of no bytes", true, false, {0x03, 0, 0xA1}},
      {"read of five bytes", true, false, {0x03, 5, 0xA1}},
      {"write carrying no byte", true, false, {0x02, 0x80}},
      {"injected write error", true, true, {0x02, 0x82, 0xA0, 0x00}},
      {"injected read error", true, true, {0x03, 1, 0xA1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(special({0x01, uint8_t(c.iicOn ? 1 : 0)}));
    ASSERT_TRUE(rack.setFaults(kSerial, lab::BoardFaults{.iicError = c.injected}));
    Bytes request = c.request;
    request.resize(8);
    ASSERT_TRUE(write(*specialOut, request));
    auto answer = next();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[0], c.request[0]);
    EXPECT_TRUE((*answer)[1] & 0x80);
  }
}

TEST_F(BoardFirmwareTest, PortWritesShowInThePinStatus) {
  ASSERT_TRUE(special({0xFF}));
  EXPECT_EQ(next(), report({0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 8));
  ASSERT_TRUE(write(*pinOut, {0x00, 0x12, 0x34, 0x56, 0x78}));
  ASSERT_TRUE(special({0xFF}));
  EXPECT_EQ(next(), report({0xFF, 0x12, 0x34, 0x56, 0x78}, 8));
  EXPECT_EQ(view().ports, (std::array<uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));

  auto reports = rack.outputReports(kSerial);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[1].interfaceNumber, lab::kPinInterface);
  EXPECT_EQ(reports[1].bytes, (Bytes{0x00, 0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(reports[2].interfaceNumber, lab::kSpecialInterface);
  EXPECT_EQ(reports[2].bytes, report({0xFF}, 8));
  rack.clearOutputReports(kSerial);
  EXPECT_TRUE(rack.outputReports(kSerial).empty());
}

TEST_F(BoardFirmwareTest, ReportsOfTheWrongLengthAreRefusedUnseen) {
  Bytes seven = report({0x14, 1}, 7), nine = report({0x14, 1}, 9), six = report({0x00}, 6);
  EXPECT_EQ(specialOut->writeReport(seven.data(), seven.size(), kPatienceMs).status,
            Status::Failed);
  EXPECT_EQ(specialOut->writeReport(nine.data(), nine.size(), kPatienceMs).status, Status::Failed);
  EXPECT_EQ(pinOut->writeReport(six.data(), six.size(), kPatienceMs).status, Status::Failed);
  EXPECT_TRUE(rack.outputReports(kSerial).empty());
  EXPECT_FALSE(view().ledMatrixOn);
  EXPECT_TRUE(special({0x14, 1}));  // the handle still works
}

TEST_F(BoardFirmwareTest, InjectedReportsReachReadersAsTheyAre) {
  ASSERT_TRUE(rack.sendInputReport(kSerial, lab::kSpecialInterface, {0x42, 1, 2}));
  EXPECT_EQ(next(), (Bytes{0x42, 1, 2}));
  auto pinIn = open(kSerial, lab::kPinInterface, Access::Read);
  ASSERT_TRUE(pinIn);
  ASSERT_TRUE(rack.sendInputReport(kSerial, lab::kPinInterface, {0x00, 0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(next(*pinIn), (Bytes{0x00, 0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(nothingMoreCame());  // the special-mode reader saw none of it
  EXPECT_FALSE(rack.sendInputReport(kSerial, 2, {0x01}));
}

}  // namespace
}  // namespace hidtest
