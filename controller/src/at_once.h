#pragma once
#include <thread>
#include <vector>

// Runs work(item) for every item, each on a thread of its own, and returns
// once all are done. For steps that wait on each board in turn otherwise
// (opening, closing, reading the board memory): boards are independent, so
// their waits can overlap. One item runs on the calling thread.
template <class Items, class Work>
void forEachAtOnce(Items& items, Work work) {
  if (items.size() <= 1) {
    for (auto& item : items) work(item);
    return;
  }
  std::vector<std::thread> threads;
  threads.reserve(items.size());
  for (auto& item : items) threads.emplace_back([&work, &item] { work(item); });
  for (std::thread& thread : threads) thread.join();
}
