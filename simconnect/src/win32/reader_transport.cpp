#include "win32/reader_transport.h"

#include <platform/wake_event.h>

#include <algorithm>

namespace simconnect::win32 {

void ReaderTransport::startReading() { reader_ = std::thread(&ReaderTransport::readLoop, this); }

void ReaderTransport::stopReading() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    wake_ = nullptr;
  }
  changed_.notify_all();
  // The thread may be just about to start a read when the cancel comes, so
  // cancel until it is gone.
  for (;;) {
    stopBlockingRead();
    std::unique_lock<std::mutex> guard(lock_);
    if (changed_.wait_for(guard, std::chrono::milliseconds(50), [&] { return readerDone_; })) break;
  }
  if (reader_.joinable()) reader_.join();
}

void ReaderTransport::readLoop() {
  struct Done {
    ReaderTransport& transport;
    ~Done() {
      std::lock_guard<std::mutex> guard(transport.lock_);
      transport.readerDone_ = true;
      transport.changed_.notify_all();
    }
  } done{*this};
  uint8_t chunk[16384];
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(lock_);
      changed_.wait(guard, [&] { return stopping_ || buffered_.size() < kMostBufferedBytes; });
      if (stopping_) return;
    }
    const long got = readSome(chunk, sizeof chunk);
    std::lock_guard<std::mutex> guard(lock_);
    if (got > 0)
      buffered_.insert(buffered_.end(), chunk, chunk + got);
    else
      ended_ = true;
    if (wake_) wake_->set();
    changed_.notify_all();
    if (ended_) return;
  }
}

long ReaderTransport::receive(uint8_t* buffer, size_t length) {
  std::lock_guard<std::mutex> guard(lock_);
  if (buffered_.empty()) return ended_ ? -1 : 0;
  const size_t taken = std::min(length, buffered_.size());
  std::copy_n(buffered_.begin(), taken, buffer);
  buffered_.erase(buffered_.begin(), buffered_.begin() + static_cast<long>(taken));
  changed_.notify_all();  // room for the reader again
  return static_cast<long>(taken);
}

void ReaderTransport::waitReadable(int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                    [&] { return !buffered_.empty() || ended_; });
}

void ReaderTransport::wakeOnInput(platform::WakeEvent* wake) {
  std::lock_guard<std::mutex> guard(lock_);
  wake_ = wake;
  if (wake_ && (!buffered_.empty() || ended_)) wake_->set();
}

}  // namespace simconnect::win32
