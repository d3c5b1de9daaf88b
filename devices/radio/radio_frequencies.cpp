// The radio's frequency model: display texts, simulator updates and the ADF
// standby that the panel keeps itself.
#include <controller/vantrix_controller.h>
#include <platform/profile_file.h>

#include <cstdio>
#include <cstdlib>

#include "device_kestrix_radio.h"
#include "frequency_text.h"
#include "radio_channel.h"

namespace {
constexpr int kActiveDigit = 1;
constexpr int kStandbyDigit = 7;
constexpr const char* kLastStandbySection = "LastStandby";
constexpr const char* kAdfKey = "5";

std::string formatG(float kHz) {
  char text[30];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(kHz));
  return text;
}
}  // namespace

void CDeviceKestrixRadio::ShowFrequency(int channel, int firstDigit, float kHz) {
  if (channel != currentChannel_ || !controller_ || !avionicsOn_) return;
  controller_->SetDisplay(firstDigit, frequencyText(channel, kHz), 6, 0, ' ');
}

void CDeviceKestrixRadio::updateFrequency(DWORD datumId, float value) {
  struct Target {
    int channel;
    bool active;
  };
  static const std::map<DWORD, Target> kTargets = {
      {2, {COM1, true}}, {3, {COM1, false}}, {4, {COM2, true}}, {5, {COM2, false}},
      {6, {NAV1, true}}, {7, {NAV1, false}}, {8, {NAV2, true}}, {9, {NAV2, false}},
      {10, {ADF, true}},
  };
  if (datumId == 11) {
    // The simulator's ADF standby only triggers the panel's own standby.
    FrequencyEntry& adf = frequencies_[ADF];
    adf.scratch = 0.0f;
    adf.standby = LoadLastStandby(adf.active);
    ShowFrequency(ADF, kStandbyDigit, adf.standby);
    return;
  }
  const auto target = kTargets.find(datumId);
  if (target == kTargets.end()) return;
  FrequencyEntry& entry = frequencies_[target->second.channel];
  (target->second.active ? entry.active : entry.standby) = value;
  ShowFrequency(target->second.channel, target->second.active ? kActiveDigit : kStandbyDigit,
                value);
}

void CDeviceKestrixRadio::ProcessADF(int key) {
  switch (key) {
    case 1: {
      FrequencyEntry& adf = frequencies_[ADF];
      const char* where = "CDeviceKestrixRadio::ProcessADF";
      log_.write(0, where, "Transfering standby and active displays");
      log_.write(0, where, "Temp:    %f\tActive:  %f\tStandby: %f\n",
                 static_cast<double>(adf.scratch), static_cast<double>(adf.active),
                 static_cast<double>(adf.standby));
      // The simulator ignores a frequency outside the band; sending one
      // would leave the panel believing the two had been swapped.
      if (!isAdfFrequency(adf.standby)) {
        log_.write(0, where, "Standby %f is outside the ADF band, not transferring\n",
                   static_cast<double>(adf.standby));
        break;
      }
      const std::uint32_t data = AdfStandbyToBcd(adf.standby);
      if (FAILED(TransmitClientEvent(static_cast<DWORD>(eventTable_[ADF][1]), data))) break;
      adf.scratch = adf.active;
      adf.standby = adf.scratch;
      AdjustADFStandby(0.0f);
      SaveLastStandby(adf.standby);
      break;
    }
    case 9:
    case 13: AdjustADFStandby(-kAdfFineStep); break;
    case 10:
    case 14: AdjustADFStandby(kAdfFineStep); break;
    case 11:
    case 15: AdjustADFStandby(-kAdfCoarseStep); break;
    case 12:
    case 16: AdjustADFStandby(kAdfCoarseStep); break;
    default: break;
  }
}

void CDeviceKestrixRadio::AdjustADFStandby(float step) {
  FrequencyEntry& adf = frequencies_[ADF];
  adf.standby = adjustedAdfStandby(adf.standby, step);
  ShowFrequency(ADF, kStandbyDigit, adf.standby);
}

float CDeviceKestrixRadio::LoadLastStandby(float fallback) {
  const std::string text =
      platform::getProfileString(kLastStandbySection, kAdfKey, formatG(fallback), settingsPath_);
  // Anything but a whole number within the band counts as no stored value.
  char* end = nullptr;
  const float stored = std::strtof(text.c_str(), &end);
  if (text.empty() || end == text.c_str() || *end != '\0' || !isAdfFrequency(stored))
    return fallback;
  return stored;
}

void CDeviceKestrixRadio::SaveLastStandby(float kHz) {
  platform::writeProfileString(kLastStandbySection, kAdfKey, formatG(kHz), settingsPath_);
}
