#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// How SetDisplay lays a text over a run of seven-segment digits. A dot
// lights the decimal point of the character before it and takes no digit of
// its own, unless it follows another dot or starts the text.

// The text as shown over `count` digits (-1: as many as the text has):
// padded with `pad` on the right (alignment 0) or the left (alignment 1)
// when it is shorter, cut to its first (0) or last (1) digits when longer.
// Any other alignment, or a count below -1, shows nothing.
std::string prepareDisplayText(std::string_view text, int count, int alignment, char pad);

// Puts one LED-matrix row of the shown text into the row's four column
// bytes: the digit at position p (1-32) is column p-1, and row r carries
// segment r of every digit. Digits beyond column 31 are left out.
void paintDisplayRow(std::array<uint8_t, 4>& columnBytes, int row, std::string_view shown,
                     int firstPosition);
