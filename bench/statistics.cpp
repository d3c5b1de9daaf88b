#include "statistics.h"

#include <algorithm>
#include <cmath>

namespace bench {

void LatencySamples::add(std::chrono::steady_clock::duration latency) {
  micros.push_back(std::chrono::duration<double, std::micro>(latency).count());
}

void LatencySamples::fail(const std::string& why) {
  if (failed++ == 0) firstFailure = why;
}

std::optional<Percentiles> percentilesOf(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  auto rank = [&](double quantile) {
    size_t n = static_cast<size_t>(std::ceil(quantile * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(n, 1, values.size()) - 1];
  };
  return Percentiles{rank(0.50), rank(0.99), values.back()};
}

}  // namespace bench
