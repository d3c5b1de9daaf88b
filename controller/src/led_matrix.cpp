// The LED matrix: 8 rows of 32 columns that carry both the seven-segment
// digits and the single indicator LEDs. The shadow holds what the board
// shows and the wanted rows what it is to show, so that only rows that
// change are sent; in an output batch each of them once.
#include <algorithm>

#include "controller/display_text.h"
#include "controller/vantrix_controller.h"

namespace {

constexpr uint8_t kLedMatrixModeReport = 0x14;
constexpr uint8_t kMatrixRowReport = 0x15;
constexpr size_t kRowReportBytes = 8;
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

void CVantrixController::BeginOutputBatch() { outputBatchOpen_ = true; }

bool CVantrixController::EndOutputBatch() {
  outputBatchOpen_ = false;
  return !ledMatrixEnabled_ || sendChangedRows();
}

bool CVantrixController::sendChangedRows() {
  // Every row that changed goes out in one write, so the board takes them
  // one after another instead of answering each before the next is sent.
  std::array<uint8_t, 8 * kRowReportBytes> reports{};
  std::array<size_t, 8> rows{};
  size_t count = 0;
  for (size_t row = 0; row < 8; ++row) {
    const std::array<uint8_t, 4>& bytes = matrixWanted_[row];
    if (bytes == matrixShadow_[row]) continue;
    uint8_t* report = reports.data() + count * kRowReportBytes;
    report[0] = kMatrixRowReport;
    report[1] = static_cast<uint8_t>(row);
    std::copy(bytes.begin(), bytes.end(), report + 2);
    rows[count++] = row;
  }
  if (count == 0) return true;
  const int written = Write(1, reports.data(), static_cast<int>(count * kRowReportBytes));
  const size_t taken = written > 0 ? static_cast<size_t>(written) / kRowReportBytes : 0;
  for (size_t i = 0; i < taken && i < count; ++i) matrixShadow_[rows[i]] = matrixWanted_[rows[i]];
  if (taken >= count) return true;
  failedWriteError();
  return false;
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
