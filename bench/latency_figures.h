#pragma once
// The latency figures, each taken from the lab's stamps (lab/record_time.h):
// the moments the lab's boards, simulator and FSUIPC server saw things
// happen, so the benchmark's own pace is no part of any figure.
#include "bench_world.h"
#include "statistics.h"

#include <lab/boards.h>

namespace bench {

struct SamplePlan {
  int samples = 300;
  // Between samples, so that each finds the programs idle.
  std::chrono::milliseconds spacing{5};
};

// P1: the board sends the key report of a radio panel's fraction key until
// the simulator receives the event the driver made of it.
LatencySamples keyReportToEvent(BenchWorld& world, const SamplePlan& plan);

// The display reports one data message brought to the first radio panel,
// against the matrix rows whose bytes changed.
struct DisplayReportCounts {
  std::vector<double> reports;
  std::vector<double> changedRows;
  size_t differing = 0;  // samples whose report count was not the changed rows'
};

// P2: the simulator sends the data message that changes COM1 and the code
// until the last panel takes its last display report; P4 counts the reports
// of the first radio panel, whose two displays both change.
LatencySamples dataMessageToDisplays(BenchWorld& world, const SamplePlan& plan,
                                     DisplayReportCounts& counts);

// P5: the simulator receives a transponder mode event (and hands it to the
// bridge) until the FSUIPC server performs the write it became.
LatencySamples transponderEventToFsuipcWrite(BenchWorld& world, const SamplePlan& plan);

// A board plugged until it takes its first display report; the board is
// pulled again after each, and the world settles. Samples until the plan's
// count or the time budget is reached.
LatencySamples plugToFirstDisplayReport(BenchWorld& world, const lab::BoardSetup& board,
                                        const SamplePlan& plan, std::chrono::seconds budget);

}  // namespace bench
