#include "session_work_queue.h"

void SessionWorkQueue::post(Work work) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    pending_.push_back(std::move(work));
  }
  wake_.set();
}

void SessionWorkQueue::waitForWork(std::chrono::milliseconds timeout) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!pending_.empty()) return;
  }
  wake_.wait(static_cast<int>(timeout.count()));
}

void SessionWorkQueue::waitForWork() { waitForWork(std::chrono::milliseconds(-1)); }

void SessionWorkQueue::runPending() {
  std::deque<Work> batch;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    batch.swap(pending_);
  }
  for (auto& work : batch) work();
}

void SessionWorkQueue::clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  pending_.clear();
}
