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

namespace {

constexpr int kKeyReportType = 4;
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
    keyThreadRunning_ = false;
    keyThread_.join();
  }
  clearQueue(kKeyReportType);
}

void CVantrixController::KeyMatrixReadThread(CVantrixController* controller,
                                             KeyThreadContext context) {
  CVantrixController& self = *controller;
  auto refresh = std::make_shared<RefreshRequest>();
  bool reportAll = true;
  if (context.startEvent) context.startEvent->set();
  context.startEvent.reset();
  iowSetReadTimeout(self.GetDeviceHandle(), kKeyReadTimeoutMs);
  auto ending =
      platform::NamedEvent::createOrOpen(keyThreadEndingEventName(context.serial), false, false);
  std::thread watcher(RefreshWatcher, refresh, context.serial);
  platform::sleepMs(kSettleMs);

  KeyScanAssembler assembler(context.mode);
  auto report = [&](int key, int state) {
    return context.callback(context.serial, key, state, context.user) != 0;
  };
  // The lock is held from a read until a report brings keys to tell or a
  // read brings nothing, so IIC and pin-status exchanges wait at most one read.
  bool holdingLock = false;
  while (self.keyThreadRunning_) {
    Report keys{};
    if (!holdingLock) {
      self.controllerLock_.lock();
      holdingLock = true;
    }
    if (refresh->requestNeeded.exchange(false)) {
      self.writeReport(1, {kKeyRequestReport});
      reportAll = true;
    }
    const int count = self.ReadWithQueue(kKeyReportType, 1, keys.data(), 8);
    if (count == 8) {
      const KeyScanAssembler::Taken taken = assembler.take(keys.data());
      // A change is told as soon as the report that covers its key comes; a
      // full report waits for the whole set.
      const bool tell = reportAll ? taken == KeyScanAssembler::Taken::LastOfSet
                                  : taken != KeyScanAssembler::Taken::Nothing;
      if (tell) {
        self.controllerLock_.unlock();
        holdingLock = false;
        const KeyWords now = assembler.words();
        const bool goOn = reportKeyChanges(self.previousKeys_, now, context.mode, reportAll, report);
        reportAll = false;
        self.previousKeys_ = now;
        if (!goOn) self.keyThreadRunning_ = false;
      }
    } else {
      if (holdingLock) {
        self.controllerLock_.unlock();
        holdingLock = false;
      }
      if (count == 0 && platform::lastError() == platform::kErrorDevNotExist)
        self.keyThreadRunning_ = false;  // the board is gone
    }
    platform::sleepMs(1);
  }

  refresh->keyThreadEnding = true;
  if (ending) ending->set();
  watcher.join();
  if (holdingLock) self.controllerLock_.unlock();
}
