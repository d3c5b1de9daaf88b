#include <radio/frequency_text.h>
#include <radio/radio_channel.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct TextCase {
  int channel;
  float kHz;
  std::string expected;
};

TEST(FrequencyTextTest, ShowsEachChannelInItsOwnForm) {
  const TextCase cases[] = {
      {COM1, 118000.0f, "118.000"}, {NAV2, 108050.0f, "108.050"}, {COM2, 0.0f, ""},
      {ADF, 350.0f, " 0350.0"},     {ADF, 1000.0f, " 1000.0"},    {ADF, 1234.5f, " 1234.5"},
      {ADF, 0.0f, ""},              {XPNDR, 0.0f, ""},
  };
  for (const TextCase& c : cases)
    EXPECT_EQ(frequencyText(c.channel, c.kHz), c.expected) << c.channel << " " << c.kHz;
}

struct StepCase {
  float standby;
  float step;
  float expected;
};

TEST(AdfStandbyTest, StepsAndWrapsAtBothEndsOfTheBand) {
  const StepCase cases[] = {
      {350.0f, 10.0f, 360.0f},    {350.0f, -0.1f, 349.9f},    {1795.0f, 10.0f, 100.0f},
      {100.0f, -0.1f, 1799.9f},   {105.0f, -10.0f, 1799.9f},  {1799.9f, 0.1f, 100.0f},
      {1799.9f, 0.0f, 1799.9f},   {100.0f, 0.0f, 100.0f},
      // An unreadable remembered value (0) wraps to the top on any step.
      {0.0f, 0.0f, 1799.9f},
  };
  for (const StepCase& c : cases)
    EXPECT_FLOAT_EQ(adjustedAdfStandby(c.standby, c.step), c.expected)
        << c.standby << " " << c.step;
}

TEST(AdfStandbyTest, PacksWholeKilohertzAndTenthsAsDecimalNibbles) {
  EXPECT_EQ(AdfStandbyToBcd(350.0f), 0x03500000u);
  EXPECT_EQ(AdfStandbyToBcd(1234.5f), 0x12345000u);
  EXPECT_EQ(AdfStandbyToBcd(1799.9f), 0x17999000u);
  EXPECT_EQ(AdfStandbyToBcd(100.0f), 0x01000000u);
  // Stepped values are not exact in single precision; the tenths still hold.
  EXPECT_EQ(AdfStandbyToBcd(350.0f - 0.1f), 0x03499000u);
  EXPECT_EQ(AdfStandbyToBcd(100.0f + 0.1f + 0.1f + 0.1f), 0x01003000u);
}

TEST(RadioChannelTest, IndicatorsFallBackToTheFirstLedAndTheLastCode) {
  EXPECT_EQ(channelLed(COM1), 98);
  EXPECT_EQ(channelLed(XPNDR), 103);
  EXPECT_EQ(channelLed(9), 98);
  EXPECT_EQ(channelPortCode(COM1), 1);
  EXPECT_EQ(channelPortCode(NAV2), 5);
  EXPECT_EQ(channelPortCode(-1), 6);
}

}  // namespace
