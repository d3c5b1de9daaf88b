#include "frequency_text.h"

#include <cmath>
#include <cstdio>

#include "hex_text.h"
#include "radio_channel.h"

std::string frequencyText(int channel, float kHz) {
  if (kHz == 0.0f) return {};
  char text[17];
  if (channel == ADF)
    std::snprintf(text, sizeof text, "%s%.1f", kHz < 1000.0f ? " 0" : " ", kHz);
  else
    std::snprintf(text, sizeof text, "%.3f", kHz / 1000.0);
  return text;
}

bool isAdfFrequency(float kHz) { return kHz >= kAdfLowest && kHz <= kAdfHighest; }

float adjustedAdfStandby(float standby, float step) {
  if (step != 0.0f) standby = standby + step;
  if (standby > kAdfHighest) standby = kAdfLowest;
  if (standby < kAdfLowest) standby = kAdfHighest;
  return standby;
}

std::uint32_t AdfStandbyToBcd(float kHz) {
  // Rounded to the nearest tenth: a standby stepped down to 349.9 is held as
  // 349.89999 in single precision, and cutting the tenths off would send 349.8.
  const long tenthsOfKHz = std::lround(static_cast<double>(kHz) * 10.0);
  if (tenthsOfKHz <= 0) return 0;
  const unsigned long wholeKHz = static_cast<unsigned long>(tenthsOfKHz / 10) % 10000;
  const unsigned long digit = static_cast<unsigned long>(tenthsOfKHz % 10);
  char text[16];
  std::snprintf(text, sizeof text, "%.04lu%-.04lu", wholeKHz, digit * 1000);
  return hexTextToInt(text);
}
