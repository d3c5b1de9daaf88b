#pragma once
// The benchmark's answer: one row per figure with its goal, what was
// measured and whether the goal holds, printed as a Markdown table.
#include "idle_figures.h"
#include "statistics.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

struct FigureRow {
  std::string figure;
  std::string goal;
  std::string measured;       // or why it could not be
  std::optional<bool> holds;  // nothing: not measured
};

class FigureTable {
 public:
  // p99 of the samples at most goalMs; "max" judges by the largest sample.
  void latency(const std::string& figure, const LatencySamples& samples, double goalMs,
               bool byMax = false);
  // A measured value against an upper bound.
  void atMost(const std::string& figure, std::optional<double> value, double goal,
              const std::string& unit, const std::string& why, int decimals = 2);
  void row(FigureRow row) { rows_.push_back(std::move(row)); }
  void notMeasured(const std::string& figure, const std::string& goal, const std::string& why);

  bool allMeasured() const;
  void print(std::ostream& out) const;
  // Every latency figure's samples in the order they were taken, one line
  // each: the figure, a tab, then microseconds separated by spaces.
  void printSamples(std::ostream& out) const;

 private:
  std::vector<FigureRow> rows_;
  std::vector<std::pair<std::string, std::vector<double>>> samples_;
};

std::string fixed(double value, int decimals);

}  // namespace bench
