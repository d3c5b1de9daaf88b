#pragma once
// What the view shows, as read from a running lab: plain values, so that
// drawing them is a pure function.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lab::view {

enum class PanelKind { Radio, Transponder, Other };

struct BoardState {
  std::string serial;
  std::string model;  // "3401", "3402", "blank", ...
  int variant = 0;
  std::array<uint8_t, 32> segments{};  // position p at [p-1]; a = bit 0, point = bit 7
  std::vector<int> litLeds;
  std::array<uint8_t, 4> ports{};
  std::vector<int> pressedKeys;

  PanelKind kind() const;
  bool ledLit(int led) const;
  bool keyPressed(int key) const;
};

struct RadioPair {
  double active = 0, standby = 0;  // kHz
};

struct SimRadios {
  RadioPair com1, com2, nav1, nav2, adf1, adf2;
  std::string transponderCode;
  bool transponderAvailable = true;
  bool avionicsMaster = false;
  bool panelLight = false;
};

// A section the lab serves beyond boards and simulator (written by later
// families): a title and its lines, drawn below the simulator.
struct ExtraSection {
  std::string title;
  std::vector<std::string> lines;
};

struct ViewState {
  bool labRunning = false;
  std::vector<BoardState> boards;  // in plug order
  std::string selectedSerial;      // empty: none
  std::optional<SimRadios> radios;
  std::vector<std::string> texts;  // oldest first
  std::vector<ExtraSection> extraSections;
  std::string status;              // the last key's outcome, shown on one line
};

}  // namespace lab::view
