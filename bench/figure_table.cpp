#include "figure_table.h"

#include <cstdio>

namespace bench {

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

namespace {

std::string ms(double micros) { return fixed(micros / 1000.0, micros < 10000 ? 3 : 1) + " ms"; }

std::string goalText(double goalMs) {
  return fixed(goalMs, goalMs < 1 ? 1 : 0) + " ms";
}

}  // namespace

void FigureTable::latency(const std::string& figure, const LatencySamples& samples,
                          double goalMs, bool byMax) {
  std::string goal = (byMax ? "max ≤ " : "p99 ≤ ") + goalText(goalMs);
  samples_.emplace_back(figure, samples.micros);
  auto p = percentilesOf(samples.micros);
  if (!p) return notMeasured(figure, goal, "no sample: " + samples.firstFailure);
  std::string measured = "p50 " + ms(p->p50) + ", p99 " + ms(p->p99) + ", max " + ms(p->max) +
                         " (" + std::to_string(samples.micros.size()) + " samples";
  if (samples.failed)
    measured += ", " + std::to_string(samples.failed) + " failed: " + samples.firstFailure;
  measured += ")";
  double judged = byMax ? p->max : p->p99;
  rows_.push_back({figure, goal, measured, judged <= goalMs * 1000.0 && samples.failed == 0});
}

void FigureTable::atMost(const std::string& figure, std::optional<double> value, double goal,
                         const std::string& unit, const std::string& why, int decimals) {
  std::string goalText = "≤ " + fixed(goal, decimals) + " " + unit;
  if (!value) return notMeasured(figure, goalText, why);
  rows_.push_back({figure, goalText, fixed(*value, decimals) + " " + unit, *value <= goal});
}

void FigureTable::notMeasured(const std::string& figure, const std::string& goal,
                              const std::string& why) {
  rows_.push_back({figure, goal, "not measured: " + why, std::nullopt});
}

bool FigureTable::allMeasured() const {
  for (const FigureRow& row : rows_)
    if (!row.holds) return false;
  return true;
}

void FigureTable::print(std::ostream& out) const {
  out << "| Figure | Goal | Measured | Holds |\n|---|---|---|---|\n";
  for (const FigureRow& row : rows_)
    out << "| " << row.figure << " | " << row.goal << " | " << row.measured << " | "
        << (!row.holds ? "not measured" : *row.holds ? "yes" : "no") << " |\n";
}

void FigureTable::printSamples(std::ostream& out) const {
  for (const auto& [figure, micros] : samples_) {
    out << figure << '\t';
    for (size_t i = 0; i < micros.size(); ++i) out << (i ? " " : "") << fixed(micros[i], 0);
    out << '\n';
  }
}

}  // namespace bench
