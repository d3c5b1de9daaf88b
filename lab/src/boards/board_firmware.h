#pragma once
// The IO-Warrior special-mode firmware of one board, without any I/O: what
// an output report does to the board, what it answers, and what a key change
// reports (see lab/boards.h for the reports).
#include "lab/boards.h"

#include <bitset>
#include <vector>

namespace lab::boards {

struct InputReport {
  int interfaceNumber = 0;
  std::vector<uint8_t> bytes;
};

class BoardFirmware {
 public:
  explicit BoardFirmware(const BoardSetup& setup);

  // The answers to an output report the board took (none for most reports).
  // With iicError every IIC request fails.
  std::vector<InputReport> take(int interfaceNumber, const std::vector<uint8_t>& report,
                                bool iicError);
  // The key reports a change of key (1-128) sends: the whole set while the
  // key is scanned, else none. Nothing for a key already in that state.
  std::vector<InputReport> setKey(int key, bool pressed);
  void setMemory(uint8_t address, uint8_t value) { memory_[address] = value; }

  void fillView(BoardView& view) const;

 private:
  void takeSpecial(const std::vector<uint8_t>& report, bool iicError,
                   std::vector<InputReport>& answers);
  InputReport iicWrite(const std::vector<uint8_t>& report, bool iicError);
  InputReport iicRead(const std::vector<uint8_t>& report, bool iicError);
  std::vector<InputReport> keyReports() const;
  InputReport specialReport(std::vector<uint8_t> bytes) const;
  bool scanned(int key) const;

  uint16_t specialInputLength_;
  BoardMemory memory_;
  std::array<uint8_t, 4> ports_;
  bool ledMatrixOn_ = false;
  std::array<std::array<uint8_t, 4>, 8> matrix_{};
  uint8_t keyMode_ = 0;
  std::bitset<kKeyCount> keys_;
  bool iicOn_ = false;
  bool iicWriting_ = false;  // a write started and not stopped yet
  uint8_t iicAddress_ = 0;
};

}  // namespace lab::boards
