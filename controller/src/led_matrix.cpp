// The LED matrix: 8 rows of 32 columns that carry both the seven-segment
// digits and the single indicator LEDs. The shadow holds what the board
// shows and the wanted rows what it is to show, so that only rows that
// change are sent; in an output batch each of them once.
#include "controller/display_text.h"
#include "controller/vantrix_controller.h"

namespace {

constexpr uint8_t kLedMatrixModeReport = 0x14;
constexpr uint8_t kMatrixRowReport = 0x15;
constexpr int kLedMatrixOff = -3;
constexpr int kFailed = -1;
constexpr int kKeepByte = -1;
constexpr int kHighestLed = 256;

}  // namespace

bool CVantrixController::EnableLedMatrix(bool on) {
  if (ledMatrixEnabled_ == on) return true;
  if (writeReport(1, {kLedMatrixModeReport, on ? uint8_t{1} : uint8_t{0}}) < 8) {
    failedWriteError();
    return false;
  }
  // The board darkens its matrix on every mode change.
  matrixShadow_ = {};
  matrixWanted_ = {};
  ledMatrixEnabled_ = on;
  return true;
}

int CVantrixController::WriteMatrixRow(int row, int byte0, int byte1, int byte2, int byte3,
                                       bool force) {
  if (!ledMatrixEnabled_) return kLedMatrixOff;
  if (row < 0 || row > 7) return kFailed;
  std::array<uint8_t, 4>& wanted = matrixWanted_[static_cast<size_t>(row)];
  const int given[4] = {byte0, byte1, byte2, byte3};
  for (size_t i = 0; i < 4; ++i)
    if (given[i] != kKeepByte) wanted[i] = static_cast<uint8_t>(given[i]);
  // Unchanged rows are not sent; force does not change that. Rows an
  // earlier write could not send go out now too.
  if (outputBatchOpen_) return 0;
  return sendChangedRows() ? 0 : kFailed;
}

bool CVantrixController::sendMatrixRow(int row) {
  const std::array<uint8_t, 4>& bytes = matrixWanted_[static_cast<size_t>(row)];
  std::array<uint8_t, 4>& shadow = matrixShadow_[static_cast<size_t>(row)];
  if (bytes == shadow) return true;
  if (writeReport(1, {kMatrixRowReport, static_cast<uint8_t>(row), bytes[0], bytes[1], bytes[2],
                      bytes[3]}) < 8) {
    failedWriteError();
    return false;
  }
  shadow = bytes;
  return true;
}

void CVantrixController::BeginOutputBatch() { outputBatchOpen_ = true; }

bool CVantrixController::EndOutputBatch() {
  outputBatchOpen_ = false;
  return !ledMatrixEnabled_ || sendChangedRows();
}

bool CVantrixController::sendChangedRows() {
  for (int row = 0; row < 8; ++row)
    if (!sendMatrixRow(row)) return false;
  return true;
}

int CVantrixController::SetLed(int number, bool on, bool force) {
  if (number < 1 || number > kHighestLed) return kFailed;
  if (!ledMatrixEnabled_) return kLedMatrixOff;
  const int row = (number - 1) % 8;
  const int column = (number - 1) / 8;
  std::array<uint8_t, 4> bytes = matrixWanted_[static_cast<size_t>(row)];
  const uint8_t bit = static_cast<uint8_t>(1u << (column % 8));
  if (on)
    bytes[static_cast<size_t>(column / 8)] |= bit;
  else
    bytes[static_cast<size_t>(column / 8)] &= static_cast<uint8_t>(~bit);
  return WriteMatrixRow(row, bytes[0], bytes[1], bytes[2], bytes[3], force) == 0 ? 0 : kFailed;
}

int CVantrixController::SetDisplay(int first, std::string_view text, int count, int alignment,
                                   char pad) {
  if (!ledMatrixEnabled_) return kLedMatrixOff;
  const std::string shown = prepareDisplayText(text, count, alignment, pad);
  for (int row = 0; row < 8; ++row) {
    std::array<uint8_t, 4> bytes = matrixWanted_[static_cast<size_t>(row)];
    paintDisplayRow(bytes, row, shown, first);
    if (WriteMatrixRow(row, bytes[0], bytes[1], bytes[2], bytes[3], false) != 0) return kFailed;
  }
  return 0;
}
