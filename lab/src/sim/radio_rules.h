#pragma once
// The tuning rules of the aircraft's radios, as pure functions of a
// frequency in kHz: the whole-MHz and fraction steps of the COM and NAV
// radios with their wrap-arounds, and the packed forms that the ADF and
// transponder events carry.
#include <cstdint>
#include <optional>

namespace lab::sim {

// A COM or NAV band: whole MHz from lowMhz to highMhz, fraction steps of
// stepKhz within the MHz.
struct RadioBand {
  int64_t lowMhz;
  int64_t highMhz;
  int64_t stepKhz;
};

constexpr RadioBand kComBand{118, 136, 25};  // 118.000 - 136.975
constexpr RadioBand kNavBand{108, 117, 50};  // 108.00 - 117.95

// One MHz up (+1) or down (-1); the fraction stays, and the MHz wraps
// within the band (136.975 + 1 MHz is 118.975).
double wholeStep(const RadioBand& band, double khz, int direction);

// One fraction step up or down within the MHz, without carrying into it
// (118.975 + 25 kHz is 118.000, 118.000 - 25 kHz is 118.975).
double fractionStep(const RadioBand& band, double khz, int direction);

// The highest frequency of the band in kHz (136975 for COM).
double bandTopKhz(const RadioBand& band);

// The ADF's range in kHz.
constexpr double kAdfLowKhz = 100.0;
constexpr double kAdfHighKhz = 1799.9;

// ADF_COMPLETE_SET's data: packed decimal, one digit per nibble, in units of
// 0.1 Hz (0x12345000 is 1234.5 kHz). Nothing when a nibble is no decimal
// digit or the frequency is outside the ADF's range.
std::optional<double> adfFromPackedDecimal(uint32_t data);

// Whether a number is a transponder code in BCO16 form: four nibbles, each
// an octal digit (0x7700 for 7700; 0x1280 is none).
bool isBco16Code(uint32_t code);

}  // namespace lab::sim
