#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "transport.h"

namespace simconnect::win32 {

// Neither a socket nor a pipe can wake a wait on an event object by itself
// the way a Unix socket wakes poll(), so a thread of the transport reads
// what arrives into a bounded buffer and sets the program's event. When
// the buffer is full the thread reads no more until the client takes from
// it, so a flooding simulator still waits on the connection.
class ReaderTransport : public Transport {
 public:
  static constexpr size_t kMostBufferedBytes = 64 * 1024;

  long receive(uint8_t* buffer, size_t length) override;
  void waitReadable(int timeoutMs) override;
  void wakeOnInput(platform::WakeEvent* wake) override;

 protected:
  ReaderTransport() = default;
  // Starts the thread; the subclass calls it once its stream is open.
  void startReading();
  // Ends the thread: the subclass cancels its blocking read first
  // (stopBlockingRead) and calls this in its destructor.
  void stopReading();

  // One blocking read of at most length bytes: the count read, 0 or
  // negative when the stream ended or failed.
  virtual long readSome(uint8_t* buffer, size_t length) = 0;
  virtual void stopBlockingRead() = 0;

 private:
  void readLoop();

  std::thread reader_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<uint8_t> buffered_;             // guarded by lock_
  bool ended_ = false;                       // guarded by lock_
  bool stopping_ = false;                    // guarded by lock_
  bool readerDone_ = false;                  // guarded by lock_
  platform::WakeEvent* wake_ = nullptr;      // guarded by lock_
};

}  // namespace simconnect::win32
