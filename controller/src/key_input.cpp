// Key-matrix input: switching it on and off, and the key thread that puts
// the firmware's key reports together and hands every change to the panel
// device's callback.
#include <platform/last_error.h>
#include <platform/named_event.h>
#include <platform/system_facts.h>

#include "controller/named_objects.h"
#include "controller/transport.h"
#include "controller/vantrix_controller.h"
#include "controller/vantrix_ids.h"
#include "refresh_watcher.h"
#include "transport_internal.h"

namespace {

constexpr int kKeyReportType = 4;
constexpr int kSpecialInterface = 1;
// The board's read timeout while keys are on; exchanges wait for their
// replies in steps of it.
constexpr int kKeyReadTimeoutMs = 50;
// Lets the board settle after its key matrix was switched on.
constexpr int kSettleMs = 250;

}  // namespace

struct CVantrixController::KeyThreadContext {
  KeyCallback callback;
  void* user;
  std::shared_ptr<platform::NamedEvent> startEvent;
  std::string serial;
  KeyMatrixMode mode;
};

bool CVantrixController::EnableKeyMatrix(bool on, KeyCallback callback, void* user,
                                         bool allow128) {
  if (on && (keyInputEnabled_ || !callback)) return false;
  // Without 8-byte key reports a key thread would only spin.
  if (on && !specialReportsFit("CVantrixController::EnableKeyMatrix")) return false;
  if (!on) {
    if (!keyInputEnabled_) return false;
    stopKeyThread();
  }
  clearQueue(kKeyReportType);
  KeyMatrixMode mode = kKeyMatrixOff;
  if (on) mode = GetProductId() == kProductWith128Keys && allow128 ? kKeyMatrix128 : kKeyMatrix64;
  keyMatrixMode_ = mode;
  if (writeReport(1, {kKeyModeReport, mode}) < 8) {
    failedWriteError();
    return false;
  }
  if (on) startKeyThread(callback, user);
  keyInputEnabled_ = on;
  return true;
}

void CVantrixController::startKeyThread(KeyCallback callback, void* user) {
  keyThreadRunning_ = true;
  const std::string serial = GetSerialNumber();
  // The thread gets its context by value, so the event only tells that it
  // runs; without one the thread still starts.
  std::shared_ptr<platform::NamedEvent> started =
      platform::NamedEvent::createOrOpen(keyThreadStartEventName(serial), true, false);
  callback(serial, 0, 1, user);
  previousKeys_ = {};
  keyThread_ = std::thread(KeyMatrixReadThread, this,
                           KeyThreadContext{callback, user, started, serial, keyMatrixMode_});
  if (started) started->wait(-1);
}

void CVantrixController::stopKeyThread() {
  if (keyThread_.joinable()) {
    {
      std::lock_guard<std::mutex> guard(keyStopLock_);
      keyThreadRunning_ = false;
    }
    keyStopChanged_.notify_all();
    wakeInputWait(GetDeviceHandle(), kSpecialInterface);
    keyThread_.join();
  }
  clearQueue(kKeyReportType);
}

void CVantrixController::settleKeyMatrix() {
  std::unique_lock<std::mutex> guard(keyStopLock_);
  keyStopChanged_.wait_for(guard, std::chrono::milliseconds(kSettleMs),
                           [&] { return !keyThreadRunning_; });
}

void CVantrixController::KeyMatrixReadThread(CVantrixController* controller,
                                             KeyThreadContext context) {
  CVantrixController& self = *controller;
  platform::nameThisThread(context.serial + " keys");
  auto refresh = std::make_shared<RefreshRequest>();
  refresh->event = platform::NamedEvent::createOrOpen(keyRefreshEventName(context.serial), false,
                                                      false);
  const IowHandle handle = self.GetDeviceHandle();
  refresh->wakeKeyThread = [handle] { wakeInputWait(handle, kSpecialInterface); };
  bool reportAll = true;
  if (context.startEvent) context.startEvent->set();
  context.startEvent.reset();
  iowSetReadTimeout(handle, kKeyReadTimeoutMs);
  auto ending =
      platform::NamedEvent::createOrOpen(keyThreadEndingEventName(context.serial), false, false);
  std::thread watcher(RefreshWatcher, refresh, context.serial);

  KeyScanAssembler assembler(context.mode);
  auto report = [&](int key, int state) {
    return context.callback(context.serial, key, state, context.user) != 0;
  };
  // Sleeps until the board sends, another process asks for a full report
  // or the thread is stopped; then takes every report that waits, under
  // the lock that IIC and pin-status exchanges take for their replies. Key
  // reports such an exchange reads meanwhile are queued for this thread,
  // and queuing one wakes it.
  bool boardLeft = false;
  bool moreToCome = true;
  self.settleKeyMatrix();
  while (self.keyThreadRunning_ && !boardLeft) {
    std::unique_lock<std::recursive_mutex> lock(self.controllerLock_);
    if (refresh->requestNeeded.exchange(false)) {
      self.writeReport(1, {kKeyRequestReport});
      reportAll = true;
    }
    for (;;) {
      Report keys{};
      const int count =
          self.readQueued(kKeyReportType, kSpecialInterface, keys.data(), 8, Clock::now());
      if (count != 8) {
        boardLeft = !moreToCome ||
                    (count == 0 && platform::lastError() == platform::kErrorDevNotExist);
        break;
      }
      const KeyScanAssembler::Taken taken = assembler.take(keys.data());
      // A change is told as soon as the report that covers its key comes; a
      // full report waits for the whole set.
      const bool tell = reportAll ? taken == KeyScanAssembler::Taken::LastOfSet
                                  : taken != KeyScanAssembler::Taken::Nothing;
      if (!tell) continue;
      lock.unlock();
      const KeyWords now = assembler.words();
      const bool goOn = reportKeyChanges(self.previousKeys_, now, context.mode, reportAll, report);
      reportAll = false;
      self.previousKeys_ = now;
      if (!goOn) self.keyThreadRunning_ = false;
      if (!self.keyThreadRunning_) break;
      lock.lock();
    }
    if (lock.owns_lock()) lock.unlock();
    if (self.keyThreadRunning_ && !boardLeft) moreToCome = waitForInput(handle, kSpecialInterface);
  }
  if (boardLeft) self.keyThreadRunning_ = false;

  if (ending) ending->set();
  if (refresh->event) refresh->event->endWaits();
  watcher.join();
}
