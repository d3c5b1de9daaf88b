#pragma once
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

class CVantrixController;

// Ends the output batches of several boards at once: each board's rows go
// out on a thread of its own, so one slow board does not hold up the others
// and many panels do not queue behind one another. The threads are kept
// and sleep while there is nothing to send.
class ParallelOutput {
 public:
  ParallelOutput() = default;
  ~ParallelOutput();
  ParallelOutput(const ParallelOutput&) = delete;
  ParallelOutput& operator=(const ParallelOutput&) = delete;

  // Ends every board's batch and returns once all of them are sent.
  void endBatches(const std::vector<CVantrixController*>& boards);

  // Enough threads that round trips to the boards overlap; more would only
  // wait for the same buses.
  static constexpr size_t kMostThreads = 16;

 private:
  void work();
  // Ends batches until none is left to take; false once none was left.
  bool endNextBatch(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable finished_;
  std::vector<CVantrixController*> boards_;
  size_t next_ = 0;     // the next board whose batch to end
  size_t pending_ = 0;  // boards whose batch is not ended yet
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};
