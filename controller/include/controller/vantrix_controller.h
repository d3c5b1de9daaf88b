#pragma once
#include <platform/named_mutex.h>
#include <platform/named_shared_memory.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "controller/controller_info.h"
#include "controller/io_warrior.h"
#include "controller/key_callback.h"
#include "controller/key_scan.h"
#include "controller/report_queue.h"

struct BoardMemoryReading;

// One Vantrix board as the panel devices see it: its LED matrix (digits
// and indicator LEDs), output ports, key matrix and configuration memory,
// all spoken to through 8-byte reports on the special-mode interface (1)
// and 5-byte reports on the pin interface (0).
//
// Results: 0 or a negative code (-1 the transfer failed, -3 the LED matrix
// is off), a boolean, or a Windows error number; the reason of a failed
// transfer is also in platform::lastError().
class CVantrixController : public IOWarrior {
 public:
  CVantrixController();
  // Closes the controller and gives up its ownership of the board.
  ~CVantrixController() override;

  // --- Transfers ---
  // A board takes a report and answers a request within milliseconds; one
  // that has done neither after this long is taken as not doing it at all,
  // so that no transfer holds its caller for ever.
  static constexpr std::chrono::milliseconds kTransferDeadline{2000};

  // Writes whole reports on an interface; the bytes written, or -1. A
  // report the board has not taken within kTransferDeadline fails with
  // ERROR_TIMEOUT. After such a time-out the board counts as not taking
  // reports: its next writes wait only kStalledWriteDeadline each, until
  // one is taken, so that a display update or a teardown of many reports
  // does not hold its caller for seconds each.
  int Write(int interfaceNumber, const uint8_t* data, int length);
  static constexpr std::chrono::milliseconds kStalledWriteDeadline{100};
  // Delivers the oldest input report of a type (1-8, see reportTypeOf):
  // 8 when one came (its first `length` bytes copied to buffer, if given),
  // 0 or another count when the transport failed, -1 for a bad type.
  // Reports of other types read meanwhile are queued for their readers
  // (the newest 128 of each type). Replies are waited for up to
  // kTransferDeadline.
  int ReadWithQueue(int reportType, int interfaceNumber, uint8_t* buffer, int length);

  // --- Ownership across processes ---
  // 0 when this object now owns the board, ERROR_LOCKED (212) when it owned
  // it already, ERROR_ALREADY_EXISTS (183) when another owner exists.
  uint32_t Lock();
  void Unlock();

  // --- LED matrix and ports ---
  bool EnableLedMatrix(bool on);
  // Sets the four column bytes of a row (0-7); -1 keeps a byte as it is.
  int WriteMatrixRow(int row, int byte0, int byte1, int byte2, int byte3, bool force);
  // Indicator LED 1-256.
  int SetLed(int number, bool on, bool force);
  // Shows text over `count` digits (-1: as many as it has) from position
  // `first` (1-32), left (0) or right (1) aligned, padded with `pad`.
  int SetDisplay(int first, std::string_view text, int count, int alignment, char pad);
  // Between these two, matrix rows (WriteMatrixRow, SetLed, SetDisplay) are
  // only noted; EndOutputBatch then sends each row whose bytes differ from
  // what the board shows, once. False when a row could not be sent; the
  // rows not sent are sent with the next change.
  void BeginOutputBatch();
  bool EndOutputBatch();
  // Port 0-3; true when the port report was written.
  bool WritePort(int port, int value);
  // Asks the board for its four ports; outputs stay unchanged on failure.
  void ReadPinStatus(int32_t* port0, int32_t* port1, int32_t* port2, int32_t* port3);

  // --- Key matrix ---
  // Starts (on) or stops key input. On: callback is required; allow128
  // selects the 128-key matrix where the board has it (product 0x03EA).
  bool EnableKeyMatrix(bool on, KeyCallback callback = nullptr, void* user = nullptr,
                       bool allow128 = false);

  // --- Configuration memory ---
  bool EnableIic(bool on);
  int IicWrite(const uint8_t* report);
  int IicReadReply(uint8_t* buffer);
  // Reads 1-4 bytes at address of memory chip 1-8.
  bool ReadEeprom(int chip, uint8_t address, uint8_t* byte0, uint8_t* byte1 = nullptr,
                  uint8_t* byte2 = nullptr, uint8_t* byte3 = nullptr);
  // Reads the board's description, or adopts the one another process
  // published; without refresh a known description costs nothing.
  bool ReadConfiguration(bool refresh);
  ControllerInfo GetControllerInfo();
  // The model number (0x3401) in memory chip 1-8; -1 when unknown.
  int GetModel(int chip, bool refresh);

  // Switches the outputs off and stops key input; first step of destruction.
  void Close();

  // The report type (1-8) that input reports with this id are queued
  // under; 0 for ids that are dropped.
  static int reportTypeOf(uint8_t reportId);

 private:
  // Set by a write that timed out, cleared by one that was taken.
  std::atomic<bool> writesStalled_{false};
  using Report = ReportQueue::Report;
  using Clock = std::chrono::steady_clock;
  struct KeyThreadContext;
  struct KeyThreadShared;

  int writeReport(int interfaceNumber, std::initializer_list<uint8_t> bytes);
  uint32_t failedWriteError();
  uint32_t failedReadError();
  void clearQueue(int reportType);
  // Reads until a report of the type comes; each read waits at most until
  // the deadline, or as long as the board's read timeout says when the
  // deadline is kBoardReadTimeout.
  int readQueued(int reportType, int interfaceNumber, uint8_t* buffer, int length,
                 Clock::time_point deadline);
  static constexpr Clock::time_point kBoardReadTimeout = Clock::time_point::max();
  void drainLeftovers(int reportType);
  bool specialReportsFit(const char* operationName);
  bool iicExchange(const uint8_t* request, Report& reply);
  bool iicMarkerExists();
  void startKeyThread(KeyCallback callback, void* user);
  void stopKeyThread();
  static void KeyMatrixReadThread(CVantrixController* controller, KeyThreadContext context);
  // Gives the board time to settle after its key matrix was switched on;
  // ends early when the key thread is stopped.
  void settleKeyMatrix();
  // Sends every row the board does not show yet, in order and in one write;
  // false when one was not taken (it and those after it go out next time).
  bool sendChangedRows();
  bool adoptPublishedInfo();
  void publishInfo();
  bool readBoardMemory(BoardMemoryReading& reading);

  std::atomic<bool> keyThreadRunning_{false};
  // Wake the key thread's settling wait when it is stopped.
  std::mutex keyStopLock_;
  std::condition_variable keyStopChanged_;
  KeyWords previousKeys_{};
  std::unique_ptr<platform::NamedMutex> ownership_;
  ControllerInfo info_{};
  std::thread keyThread_;
  std::array<int32_t, 4> portValues_{-1, -1, -1, -1};
  // Serialises request/reply exchanges with the board (pin status, IIC,
  // key reads); re-entrant for its owner.
  std::recursive_mutex controllerLock_;
  bool keyInputEnabled_ = false;
  bool ledMatrixEnabled_ = false;
  std::array<std::array<uint8_t, 4>, 8> matrixShadow_{};  // what the board shows
  std::array<std::array<uint8_t, 4>, 8> matrixWanted_{};  // what it is to show
  bool outputBatchOpen_ = false;
  KeyMatrixMode keyMatrixMode_ = kKeyMatrixOff;
  std::mutex queueLock_;
  std::array<ReportQueue, 8> queues_;
  std::atomic<bool> reportLengthsLogged_{false};
  std::atomic<bool> readLoopActive_{false};
  std::unique_ptr<platform::NamedMutex> iicMarker_;
  std::array<std::array<int32_t, 2>, 8> modelCache_;
  std::unique_ptr<platform::NamedSharedMemory> infoMapping_;
};
