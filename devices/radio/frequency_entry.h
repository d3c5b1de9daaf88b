#pragma once

// One channel's frequencies in kHz, zero until the simulator reports them.
struct FrequencyEntry {
  float active = 0.0f;
  float standby = 0.0f;
  // Working value of the ADF transfer ("Temp" in the log).
  float scratch = 0.0f;
};
