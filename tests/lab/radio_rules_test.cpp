// The radios' tuning rules as pure functions: whole and fraction steps with
// their wrap-arounds, and the packed data of ADF_COMPLETE_SET and XPNDR_SET.
#include "sim/radio_rules.h"

#include <gtest/gtest.h>

namespace {

using lab::sim::RadioBand;

enum class Step { Whole, Fraction };

struct TuningCase {
  const char* radio;
  RadioBand band;
  double fromKhz;
  Step step;
  int direction;
  double toKhz;
};

class TuningRuleTest : public ::testing::TestWithParam<TuningCase> {};

TEST_P(TuningRuleTest, StepsAndWrapsWithinTheBand) {
  const TuningCase& c = GetParam();
  double tuned = c.step == Step::Whole ? lab::sim::wholeStep(c.band, c.fromKhz, c.direction)
                                       : lab::sim::fractionStep(c.band, c.fromKhz, c.direction);
  EXPECT_EQ(tuned, c.toKhz) << c.radio << " " << c.fromKhz << (c.direction > 0 ? " up" : " down");
}

constexpr RadioBand kCom = lab::sim::kComBand;
constexpr RadioBand kNav = lab::sim::kNavBand;

INSTANTIATE_TEST_SUITE_P(
    Radios, TuningRuleTest,
    ::testing::Values(
        // COM: 1 MHz within 118-136, the fraction kept.
        TuningCase{"COM", kCom, 122800, Step::Whole, +1, 123800},
        TuningCase{"COM", kCom, 136975, Step::Whole, +1, 118975},
        TuningCase{"COM", kCom, 118000, Step::Whole, -1, 136000},
        TuningCase{"COM", kCom, 118975, Step::Whole, -1, 136975},
        // COM: 25 kHz within the MHz, never carrying into it.
        TuningCase{"COM", kCom, 122800, Step::Fraction, +1, 122825},
        TuningCase{"COM", kCom, 118975, Step::Fraction, +1, 118000},
        TuningCase{"COM", kCom, 118000, Step::Fraction, -1, 118975},
        TuningCase{"COM", kCom, 136975, Step::Fraction, +1, 136000},
        TuningCase{"COM", kCom, 121525, Step::Fraction, -1, 121500},
        // NAV: 1 MHz within 108-117, 50 kHz within the MHz.
        TuningCase{"NAV", kNav, 110500, Step::Whole, +1, 111500},
        TuningCase{"NAV", kNav, 117950, Step::Whole, +1, 108950},
        TuningCase{"NAV", kNav, 108000, Step::Whole, -1, 117000},
        TuningCase{"NAV", kNav, 117950, Step::Fraction, +1, 117000},
        TuningCase{"NAV", kNav, 108000, Step::Fraction, -1, 108950},
        TuningCase{"NAV", kNav, 113900, Step::Fraction, +1, 113950}));

TEST(RadioBandTest, TopIsTheLastStepOfTheHighestMhz) {
  EXPECT_EQ(lab::sim::bandTopKhz(kCom), 136975);
  EXPECT_EQ(lab::sim::bandTopKhz(kNav), 117950);
}

TEST(AdfCompleteSetTest, PackedDecimalIsReadInTenthsOfHertz) {
  struct Case {
    uint32_t data;
    std::optional<double> khz;
  } cases[] = {
      {0x12345000, 1234.5}, {0x03500000, 350.0}, {0x17999000, 1799.9}, {0x01000000, 100.0},
      {0x1234A000, std::nullopt},  // a nibble that is no decimal digit
      {0x00990000, std::nullopt},  // 99 kHz: below the ADF's range
      {0x18000000, std::nullopt},  // 1800 kHz: above it
  };
  for (const Case& c : cases)
    EXPECT_EQ(lab::sim::adfFromPackedDecimal(c.data), c.khz) << std::hex << c.data;
}

TEST(TransponderCodeTest, EveryNibbleIsAnOctalDigit) {
  for (uint32_t code : {0x0000u, 0x1200u, 0x7700u, 0x7777u, 0x0012u})
    EXPECT_TRUE(lab::sim::isBco16Code(code)) << std::hex << code;
  for (uint32_t code : {0x1280u, 0x8000u, 0x7778u, 0x10000u, 0x12000u})
    EXPECT_FALSE(lab::sim::isBco16Code(code)) << std::hex << code;
}

}  // namespace
