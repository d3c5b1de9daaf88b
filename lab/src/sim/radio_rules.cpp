#include "radio_rules.h"

#include <cmath>

namespace lab::sim {
namespace {

constexpr int64_t kHzPerKhz = 1000;
constexpr int64_t kHzPerMhz = 1000 * 1000;

// Whole hertz, so that steps and wraps are exact.
int64_t hertzOf(double khz) { return std::llround(khz * kHzPerKhz); }
double khzOf(int64_t hz) { return static_cast<double>(hz) / kHzPerKhz; }

// a modulo m, never negative.
int64_t wrap(int64_t a, int64_t m) { return ((a % m) + m) % m; }

}  // namespace

double wholeStep(const RadioBand& band, double khz, int direction) {
  int64_t hz = hertzOf(khz);
  int64_t mhz = hz / kHzPerMhz;
  int64_t fraction = hz % kHzPerMhz;
  int64_t span = band.highMhz - band.lowMhz + 1;
  mhz = band.lowMhz + wrap(mhz - band.lowMhz + direction, span);
  return khzOf(mhz * kHzPerMhz + fraction);
}

double fractionStep(const RadioBand& band, double khz, int direction) {
  int64_t hz = hertzOf(khz);
  int64_t mhz = hz / kHzPerMhz;
  int64_t fraction = wrap(hz % kHzPerMhz + direction * band.stepKhz * kHzPerKhz, kHzPerMhz);
  return khzOf(mhz * kHzPerMhz + fraction);
}

double bandTopKhz(const RadioBand& band) {
  return khzOf(band.highMhz * kHzPerMhz + kHzPerMhz - band.stepKhz * kHzPerKhz);
}

std::optional<double> adfFromPackedDecimal(uint32_t data) {
  int64_t tenthsOfHertz = 0;
  for (int shift = 28; shift >= 0; shift -= 4) {
    uint32_t digit = (data >> shift) & 0xF;
    if (digit > 9) return std::nullopt;
    tenthsOfHertz = tenthsOfHertz * 10 + digit;
  }
  double khz = static_cast<double>(tenthsOfHertz) / 10000.0;
  if (khz < kAdfLowKhz || khz > kAdfHighKhz) return std::nullopt;
  return khz;
}

bool isBco16Code(uint32_t code) {
  if (code > 0xFFFF) return false;
  for (int shift = 0; shift < 16; shift += 4)
    if (((code >> shift) & 0xF) > 7) return false;
  return true;
}

}  // namespace lab::sim
