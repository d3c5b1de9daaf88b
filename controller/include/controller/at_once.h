#pragma once
#include <functional>
#include <vector>

// Runs the jobs side by side and returns once all are done: the calling
// thread and up to 16 kept helper threads take them in turn. For steps that
// would otherwise wait on each board in turn (opening, closing, reading the
// board memory, sending its rows): boards are independent, so their waits
// can overlap. The helpers sleep between calls, since starting a thread
// costs far more than waking one, and a reload runs such a step over every
// board three times.
// Safe from several threads at once, and from within a job.
void runAtOnce(std::vector<std::function<void()>>& jobs);

// runAtOnce of work(item) for every item.
template <class Items, class Work>
void forEachAtOnce(Items& items, Work work) {
  if (items.size() <= 1) {
    for (auto& item : items) work(item);
    return;
  }
  std::vector<std::function<void()>> jobs;
  jobs.reserve(items.size());
  for (auto& item : items) jobs.emplace_back([&work, &item] { work(item); });
  runAtOnce(jobs);
}
