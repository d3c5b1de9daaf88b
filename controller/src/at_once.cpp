#include "controller/at_once.h"

#include <platform/system_facts.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Enough that the round trips to many boards overlap; more would only wait
// for the same buses and processors.
constexpr size_t kMostHelpers = 16;

// The jobs of one runAtOnce call.
struct Batch {
  std::vector<std::function<void()>>* jobs;
  size_t next = 0;     // the next job to start
  size_t pending = 0;  // jobs not finished yet
};

class Helpers {
 public:
  ~Helpers() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stopping_ = true;
    }
    posted_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  void run(std::vector<std::function<void()>>& jobs) {
    Batch batch{&jobs, 0, jobs.size()};
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.push_back(&batch);
    // Enough idle helpers that every job but the caller's starts at once,
    // up to a limit: each kept thread costs memory for good.
    while (idle_ + 1 < jobs.size() && threads_.size() < kMostHelpers) {
      threads_.emplace_back([this] { work(); });
      ++idle_;
    }
    posted_.notify_all();
    while (batch.next < jobs.size()) runNext(lock, batch);
    finished_.wait(lock, [&] { return batch.pending == 0; });
  }

 private:
  void work() {
    platform::nameThisThread("board helper");
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      posted_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // stopping, nothing left to do
      --idle_;
      runNext(lock, *waiting_.front());
      ++idle_;
    }
  }

  // Runs the batch's next job without the lock.
  void runNext(std::unique_lock<std::mutex>& lock, Batch& batch) {
    const size_t job = batch.next++;
    if (batch.next == batch.jobs->size()) std::erase(waiting_, &batch);
    lock.unlock();
    (*batch.jobs)[job]();
    lock.lock();
    if (--batch.pending == 0) finished_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable finished_;
  std::deque<Batch*> waiting_;  // batches with jobs not started yet
  size_t idle_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

void runAtOnce(std::vector<std::function<void()>>& jobs) {
  static Helpers helpers;
  helpers.run(jobs);
}
