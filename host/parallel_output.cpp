#include "parallel_output.h"

#include <controller/vantrix_controller.h>
#include <platform/system_facts.h>

#include <algorithm>

ParallelOutput::~ParallelOutput() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  posted_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void ParallelOutput::endBatches(const std::vector<CVantrixController*>& boards) {
  if (boards.size() <= 1) {
    for (CVantrixController* board : boards) board->EndOutputBatch();
    return;
  }
  // The calling thread sends too, so one fewer helper is needed.
  const size_t helpers = std::min(boards.size() - 1, kMostThreads);
  while (threads_.size() < helpers) threads_.emplace_back([this] { work(); });

  std::unique_lock<std::mutex> lock(mutex_);
  boards_ = boards;
  next_ = 0;
  pending_ = boards.size();
  posted_.notify_all();
  while (endNextBatch(lock)) {
  }
  finished_.wait(lock, [&] { return pending_ == 0; });
  boards_.clear();
}

bool ParallelOutput::endNextBatch(std::unique_lock<std::mutex>& lock) {
  if (next_ >= boards_.size()) return false;
  CVantrixController* board = boards_[next_++];
  lock.unlock();
  board->EndOutputBatch();
  lock.lock();
  if (--pending_ == 0) finished_.notify_all();
  return true;
}

void ParallelOutput::work() {
  platform::nameThisThread("board output");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    posted_.wait(lock, [&] { return stopping_ || next_ < boards_.size(); });
    if (stopping_) return;
    while (endNextBatch(lock)) {
    }
  }
}
