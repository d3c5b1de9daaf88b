#pragma once
// The samples of one latency figure and their percentiles.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace bench {

struct LatencySamples {
  std::vector<double> micros;  // one per sample taken
  size_t failed = 0;           // samples that could not be taken
  std::string firstFailure;    // why the first of them failed

  void add(std::chrono::steady_clock::duration latency);
  void fail(const std::string& why);
};

struct Percentiles {
  double p50 = 0, p99 = 0, max = 0;
};

// Nearest-rank percentiles; nothing without values.
std::optional<Percentiles> percentilesOf(std::vector<double> values);

}  // namespace bench
