#include "session_work_queue.h"

void SessionWorkQueue::post(Work work) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    pending_.push_back(std::move(work));
  }
  posted_.notify_one();
}

void SessionWorkQueue::waitForWork(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  posted_.wait_for(lock, timeout, [&] { return !pending_.empty(); });
}

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
