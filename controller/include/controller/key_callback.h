#pragma once
#include <cstdint>
#include <string>

// Called for every key change of a board: (serial number, key 1-128, state
// 1 pressed or 0 released, the user value given when key input was
// enabled); a result of 0 stops the key input. Key 0 marks a full report:
// (0, 1) when input starts, (0, 0) after every key of a full report. Runs on
// the board's key thread, except the start marker, which runs on the thread
// that enables key input.
using KeyCallback = int32_t (*)(const std::string& serial, int key, int state, void* user);
