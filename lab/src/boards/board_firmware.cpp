#include "boards/board_firmware.h"

namespace lab::boards {
namespace {

// Report ids of the special-mode interface.
constexpr uint8_t kIicMode = 0x01;
constexpr uint8_t kIicWrite = 0x02;
constexpr uint8_t kIicRead = 0x03;
constexpr uint8_t kLedMatrixMode = 0x14;
constexpr uint8_t kLedMatrixRow = 0x15;
constexpr uint8_t kKeyMatrixMode = 0x18;
constexpr uint8_t kKeyRequest = 0x19;  // also the first key report
constexpr uint8_t kPinStatus = 0xFF;
// The pin interface's only output report.
constexpr uint8_t kPortWrite = 0x00;

constexpr uint8_t kIicStart = 0x80;
constexpr uint8_t kIicStop = 0x40;
constexpr uint8_t kIicCountMask = 0x07;
constexpr uint8_t kIicError = 0x80;
constexpr uint8_t kChipWriteAddress = 0xA0;  // chip 1, the only one
constexpr uint8_t kChipReadAddress = 0xA1;
constexpr int kMaxIicRead = 4;

constexpr uint8_t kKeysOff = 0, kKeys64 = 1, kKeys128 = 2;

uint8_t byteAt(const std::vector<uint8_t>& report, size_t index) {
  return index < report.size() ? report[index] : 0;
}

}  // namespace

BoardFirmware::BoardFirmware(const BoardSetup& setup)
    : specialInputLength_(setup.specialInputLength), memory_(setup.memory) {
  ports_.fill(0xFF);  // IO-Warrior pins come up high
}

std::vector<InputReport> BoardFirmware::take(int interfaceNumber,
                                             const std::vector<uint8_t>& report, bool iicError) {
  std::vector<InputReport> answers;
  if (report.empty()) return answers;
  if (interfaceNumber == kPinInterface) {
    if (report[0] == kPortWrite)
      for (size_t i = 0; i < ports_.size(); ++i) ports_[i] = byteAt(report, i + 1);
  } else if (interfaceNumber == kSpecialInterface) {
    takeSpecial(report, iicError, answers);
  }
  // A third interface of a broken board takes reports and does nothing.
  return answers;
}

void BoardFirmware::takeSpecial(const std::vector<uint8_t>& report, bool iicError,
                                std::vector<InputReport>& answers) {
  uint8_t value = byteAt(report, 1);
  switch (report[0]) {
    case kLedMatrixMode:
      if (value > 1) return;
      ledMatrixOn_ = value == 1;
      matrix_ = {};
      return;
    case kLedMatrixRow:
      if (!ledMatrixOn_ || value > 7) return;
      for (size_t i = 0; i < 4; ++i) matrix_[value][i] = byteAt(report, i + 2);
      return;
    case kKeyMatrixMode:
      if (value <= kKeys128) keyMode_ = value;
      return;
    case kKeyRequest:
      for (InputReport& answer : keyReports()) answers.push_back(std::move(answer));
      return;
    case kIicMode:
      if (value > 1) return;
      iicOn_ = value == 1;
      iicWriting_ = false;
      return;
    case kIicWrite:
      answers.push_back(iicWrite(report, iicError));
      return;
    case kIicRead:
      answers.push_back(iicRead(report, iicError));
      return;
    case kPinStatus:
      answers.push_back(specialReport({kPinStatus, ports_[0], ports_[1], ports_[2], ports_[3]}));
      return;
    default:
      return;
  }
}

InputReport BoardFirmware::iicWrite(const std::vector<uint8_t>& report, bool iicError) {
  uint8_t flags = byteAt(report, 1);
  size_t count = flags & kIicCountMask;
  bool start = flags & kIicStart;
  bool stop = flags & kIicStop;
  bool fits = count >= 1 && count + 2 <= report.size();
  // No acknowledge: the bus is off, or no chip answers the address.
  bool failed = !iicOn_ || iicError || !fits || (start && byteAt(report, 2) != kChipWriteAddress) ||
                (!start && !iicWriting_);
  if (failed) {
    iicWriting_ = false;
    return specialReport({kIicWrite, kIicError});
  }
  size_t next = 2;
  if (start) {
    ++next;  // the chip address
    if (next < count + 2) iicAddress_ = report[next++];
  }
  for (; next < count + 2; ++next) memory_[iicAddress_++] = report[next];
  iicWriting_ = !stop;
  return specialReport({kIicWrite, static_cast<uint8_t>(count)});
}

InputReport BoardFirmware::iicRead(const std::vector<uint8_t>& report, bool iicError) {
  int count = byteAt(report, 1);
  iicWriting_ = false;
  if (!iicOn_ || iicError || count < 1 || count > kMaxIicRead ||
      byteAt(report, 2) != kChipReadAddress)
    return specialReport({kIicRead, kIicError});
  std::vector<uint8_t> answer = {kIicRead, static_cast<uint8_t>(count)};
  for (int i = 0; i < count; ++i) answer.push_back(memory_[iicAddress_++]);
  return specialReport(std::move(answer));
}

std::vector<InputReport> BoardFirmware::setKey(int key, bool pressed) {
  if (key < 1 || key > kKeyCount || keys_[key - 1] == pressed) return {};
  keys_[key - 1] = pressed;
  return scanned(key) ? keyReports() : std::vector<InputReport>{};
}

bool BoardFirmware::scanned(int key) const {
  return (keyMode_ == kKeys64 && key <= 64) || keyMode_ == kKeys128;
}

std::vector<InputReport> BoardFirmware::keyReports() const {
  std::vector<InputReport> reports;
  int groups = keyMode_ == kKeys128 ? 4 : keyMode_ == kKeys64 ? 2 : 0;
  for (int group = 0; group < groups; ++group) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(kKeyRequest + group), 0, 0, 0, 0};
    for (int bit = 0; bit < 32; ++bit)
      if (keys_[group * 32 + bit]) bytes[1 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    reports.push_back(specialReport(std::move(bytes)));
  }
  return reports;
}

InputReport BoardFirmware::specialReport(std::vector<uint8_t> bytes) const {
  bytes.resize(specialInputLength_, 0);  // reports always have their full length
  return {kSpecialInterface, std::move(bytes)};
}

void BoardFirmware::fillView(BoardView& view) const {
  view.ledMatrixOn = ledMatrixOn_;
  view.keyMode = keyMode_;
  view.iicOn = iicOn_;
  view.matrix = matrix_;
  for (int position = 1; position <= kDigitPositions; ++position) {
    view.digitChars[position - 1] = decodeSevenSegment(view.segments(position));
    view.decimalPoints[position - 1] = view.segments(position) & 0x80;
  }
  view.litLeds.clear();
  for (int led = 1; led <= kIndicatorLeds; ++led)
    if (view.ledLit(led)) view.litLeds.push_back(led);
  view.ports = ports_;
  view.pressedKeys.clear();
  for (int key = 1; key <= kKeyCount; ++key)
    if (keys_[key - 1]) view.pressedKeys.push_back(key);
  view.memory = memory_;
  view.iicAddress = iicAddress_;
}

}  // namespace lab::boards
