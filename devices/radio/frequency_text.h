#pragma once

#include <cstdint>
#include <string>

// ADF standby limits and knob steps, in kHz.
inline constexpr float kAdfLowest = 100.0f;
inline constexpr float kAdfHighest = 1799.9f;
inline constexpr float kAdfFineStep = 0.1f;
inline constexpr float kAdfCoarseStep = 10.0f;

// The six-digit display text of a frequency on a channel: ADF as " 0350.0",
// COM and NAV in MHz as "118.000"; empty for 0 (the digits are blanked).
std::string frequencyText(int channel, float kHz);

// Adds step to the ADF standby and wraps it around the band's ends.
float adjustedAdfStandby(float standby, float step);

// Whether the ADF can be tuned to kHz: a number within the band.
bool isAdfFrequency(float kHz);

// The ADF frequency as "ADF_COMPLETE_SET" takes it: whole kHz in the upper
// four nibbles, the tenths digit in the next one (1234.5 gives 0x12345000).
std::uint32_t AdfStandbyToBcd(float kHz);
