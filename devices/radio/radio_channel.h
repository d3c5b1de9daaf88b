#pragma once

// Selector positions; each equals the key number of its position.
enum RadioChannel : int { COM1 = 3, COM2 = 4, ADF = 5, NAV1 = 6, NAV2 = 7, XPNDR = 8 };

// Boards before variant 2 have one LED per selector position.
inline int channelLed(int channel) {
  return (channel >= COM1 && channel <= XPNDR) ? 98 + (channel - COM1) : 98;
}

// Boards from variant 2 on light the indicator from a code on port 1;
// 0 switches every indicator off.
inline int channelPortCode(int channel) {
  return (channel >= COM1 && channel <= XPNDR) ? channel - COM1 + 1 : 6;
}
