#pragma once
// The lab's Vantrix boards: USB HID devices built on an IO-Warrior chip with
// its special-mode firmware, each board two HID interfaces. A BoardRack
// plugs boards into one runtime folder, where any process finds them through
// platform/hid.h exactly as it would find real ones, and answers their
// reports as the firmware does:
//
// Special-mode interface (1), 8-byte reports, byte 0 the report id:
//   out 0x14 LED matrix mode (byte 1: 1 on, 0 off); every 0x14 darkens the matrix
//   out 0x15 matrix row (byte 1 row 0-7, bytes 2-5 column bytes 0-3; column c
//            is bit c%8 of column byte c/8); ignored while the matrix is off
//   out 0x18 key matrix mode (byte 1: 0 off, 1 64 keys, 2 128 keys)
//   out 0x19 key report request
//   in  0x19, 0x1A [, 0x1B, 0x1C]: keys 1-32, 33-64 [, 65-96, 97-128], bit b
//            of byte i+1 is key 8*i+b+1; the whole set, in that order, on
//            every change of a scanned key and on request, while keys are on
//   out 0x01 IIC mode (byte 1: 1 on, 0 off)
//   out 0x02 IIC write (byte 1: bit 7 start, bit 6 stop, bits 0-2 count of the
//            bytes that follow: chip write address, memory address, data...)
//   in  0x02 its answer: byte 1 the count written, or 0x80 for an error
//   out 0x03 IIC read (byte 1 count 1-4, byte 2 chip read address)
//   in  0x03 its answer: byte 1 the count read or 0x80, bytes 2-5 the bytes
//            from the current address, which advances (and wraps)
//   out 0xFF pin status request; in 0xFF bytes 1-4 the four ports
// Pin interface (0), 5-byte reports: out 0x00 p0 p1 p2 p3 sets the ports.
// Only chip 1 exists (write address 0xA0, read address 0xA1).
//
// Answers reach the board's read handles after the request was taken, on
// the rack's own thread; every open read handle gets every input report.
#include "lab/record_time.h"

#include <platform/runtime_dir.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lab {

constexpr int kPinInterface = 0;
constexpr int kSpecialInterface = 1;
constexpr int kKeyCount = 128;
constexpr int kDigitPositions = 32;
constexpr int kIndicatorLeds = 256;

// Addresses of the board memory (IIC chip 1).
namespace boardmemory {
constexpr uint8_t kRange4First = 0x63, kRange4Last = 0x64;
constexpr uint8_t kFeatures0 = 0x65, kFeatures1 = 0x66;  // feature word bits 0-7, 8-15
constexpr uint8_t kRange3First = 0x67, kRange3Last = 0x68;
constexpr uint8_t kRange2First = 0x69, kRange2Last = 0x6A;
constexpr uint8_t kRange1First = 0x7B, kRange1Last = 0x7C;
constexpr uint8_t kVariant = 0x7F;
constexpr uint8_t kModelHigh = 0x80, kModelLow = 0x81;
constexpr uint8_t kDate = 0x83;  // three bytes
constexpr uint8_t kFeatures2 = 0x90, kFeatures3 = 0x91;  // feature word bits 16-23, 24-31
}  // namespace boardmemory

using BoardMemory = std::array<uint8_t, 256>;

constexpr BoardMemory blankBoardMemory() {
  BoardMemory memory{};
  for (uint8_t& byte : memory) byte = 0xFF;
  return memory;
}

// A board as it is plugged in.
struct BoardSetup {
  std::string serial;  // up to 8 characters; also the rack's name for the board
  uint16_t vendorId = 0x1FD1;
  uint16_t productId = 0x03E8;
  uint16_t version = 0x1000;
  BoardMemory memory = blankBoardMemory();  // chip 1
  // Interfaces listed with the board's ids: 2 for a sound board; 1 (the pin
  // interface alone) or 3 (a second special-mode interface, MI_02, that
  // takes reports and never answers) for a broken one.
  int matchingInterfaces = 2;
  // Indexed string 0 is normally the language list (U+0409); some boards
  // answer their serial number there.
  bool serialEqualsIndexedString0 = false;
  bool answersSerialNumber = true;
  uint16_t pinOutputLength = 5, specialOutputLength = 8;
  uint16_t pinInputLength = 5, specialInputLength = 8;
  // The order in which the system lists the interfaces: the pin interface
  // first, as boards do, or the special-mode interface first, with the pin
  // interface held back until BoardRack::completePlug, so that a program
  // can be seen to look at the board while only one interface is there.
  enum class InterfaceOrder { PinFirst, SpecialFirst };
  InterfaceOrder interfaceOrder = InterfaceOrder::PinFirst;

  // All memory 0xFF.
  static BoardSetup blank(std::string serial);
  // A programmed panel: model, variant, date 17.6.23, a feature word and
  // ranges that fit the model (radio panel 0x34 0x01, transponder 0x34 0x02).
  static BoardSetup panel(std::string serial, uint8_t modelHigh, uint8_t modelLow,
                         uint8_t variant);

  BoardSetup& setRange(int range, uint8_t first, uint8_t last);  // range 1-4
  BoardSetup& setFeatureWord(uint32_t features);
  BoardSetup& setDate(uint8_t first, uint8_t second, uint8_t third);
  uint16_t model() const;  // memory 0x80/0x81 as one number (0x3401)
  uint8_t variant() const;
};

// Faults a test can set on a board; all off by default.
struct BoardFaults {
  // Requests (IIC write/read, key request, pin status) are taken but never
  // answered. Key reports caused by presses still come.
  bool dropReplies = false;
  // Answers to requests come this much later.
  int replyDelayMs = 0;
  // Output reports are never taken: a write waits until its timeout, a
  // cancel or an unplug. The reports are not seen by the board.
  bool stallWrites = false;
  // Every IIC write and read answers with the error bit.
  bool iicError = false;
  // A key change sends only the key report that covers the key, not the
  // whole set (a key request still answers the whole set).
  bool partialKeyReports = false;
};

// One output report the board took, on which interface.
struct OutputReport {
  int interfaceNumber = 0;
  std::vector<uint8_t> bytes;
  RecordTime at{};  // when the board took it
};

// One input report the board sent to the readers of an interface: a key
// report, an answer, or one a test had it send.
struct InputReportRecord {
  int interfaceNumber = 0;
  std::vector<uint8_t> bytes;
  RecordTime at{};  // when the board sent it
};

// What a person sees on a board, and the state behind it.
struct BoardView {
  std::string serial;
  bool ledMatrixOn = false;
  uint8_t keyMode = 0;  // 0 off, 1 64 keys, 2 128 keys
  bool iicOn = false;
  // [row][column byte]; column c of a row is bit c%8 of byte c/8.
  std::array<std::array<uint8_t, 4>, 8> matrix{};
  // Digit position p (1-32) is column p-1, its segments a..g and the decimal
  // point rows 0..7. Decoded: ' ' dark, '?' a pattern that is no character.
  std::array<char, kDigitPositions> digitChars{};
  std::array<bool, kDigitPositions> decimalPoints{};
  std::vector<int> litLeds;      // indicator LEDs 1-256 (row (n-1)%8, column (n-1)/8)
  std::array<uint8_t, 4> ports{};
  std::vector<int> pressedKeys;  // 1-128, ascending
  BoardMemory memory{};
  uint8_t iicAddress = 0;        // where the next IIC read starts
  // Open handles per interface number.
  std::vector<int> readHandles, writeHandles;

  // Positions first..first+count-1 as text, a '.' after each lit decimal
  // point: digits(1, 6) == "118.000".
  std::string digits(int firstPosition = 1, int count = kDigitPositions) const;
  // Segment pattern of a position: bit r = row r (a = bit 0, point = bit 7).
  uint8_t segments(int position) const;
  bool ledLit(int led) const;
};

// Turns a seven-segment pattern (a = bit 0 ... g = bit 6, point ignored) into
// the character it shows: ' ' for none, '?' when it shows no character.
char decodeSevenSegment(uint8_t segments);

class BoardRack {
 public:
  // Serves boards in <runtimeDir>/hid, removing descriptors left there by a
  // rack that ended without tidying up.
  explicit BoardRack(std::string runtimeDir = platform::runtimeDir());
  ~BoardRack();  // unplugs every board
  BoardRack(const BoardRack&) = delete;
  BoardRack& operator=(const BoardRack&) = delete;

  // False when a board of that serial is plugged, the setup is not possible
  // (1-3 interfaces) or its sockets cannot be made.
  bool plug(const BoardSetup& setup);
  // Lists the interfaces that a board plugged with its special-mode
  // interface first held back. False for an unknown board or when nothing
  // is held back.
  bool completePlug(const std::string& serial);
  // The board's descriptors disappear and every open handle sees it gone.
  bool unplug(const std::string& serial);
  // Key 1-128. False for an unknown board or key.
  bool press(const std::string& serial, int key);
  bool release(const std::string& serial, int key);

  std::optional<BoardView> view(const std::string& serial) const;
  std::vector<BoardSetup> boards() const;  // plugged, in plug order

  // Every output report the board took, oldest first (the newest 10000).
  std::vector<OutputReport> outputReports(const std::string& serial) const;
  void clearOutputReports(const std::string& serial);
  // Every input report the board sent, oldest first (the newest 10000).
  std::vector<InputReportRecord> inputReports(const std::string& serial) const;
  void clearInputReports(const std::string& serial);

  // Sends these bytes as an input report to every read handle of that interface.
  bool sendInputReport(const std::string& serial, int interfaceNumber,
                       std::vector<uint8_t> bytes);
  bool setMemory(const std::string& serial, uint8_t address, uint8_t value);
  bool setFaults(const std::string& serial, const BoardFaults& faults);
  std::optional<BoardFaults> faults(const std::string& serial) const;
  // The next output report is taken, then the board is unplugged before it
  // answers anything.
  bool unplugMidTransfer(const std::string& serial);

  // Waits until pred() holds, re-checking whenever a board's state changes
  // (and at least every 50 ms). False on timeout. pred may call the methods
  // above.
  bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const;

  std::string hidFolder() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lab
