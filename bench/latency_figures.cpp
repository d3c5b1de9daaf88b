#include "latency_figures.h"

#include <lab/probe_client.h>

#include <algorithm>
#include <thread>

namespace bench {
namespace {

namespace wire = simconnect::wire;
using namespace std::chrono_literals;

constexpr int kFractionDown = 9, kFractionUp = 10;  // radio panel keys
constexpr uint8_t kMatrixRow = 0x15;               // the display report: one row of the LED matrix
// Reports a program sends after its panels show the change belong to the
// sample, not to the next one.
constexpr auto kTrailingReports = 15ms;

bool isDisplayReport(const lab::OutputReport& report) {
  return report.interfaceNumber == lab::kSpecialInterface && !report.bytes.empty() &&
         report.bytes[0] == kMatrixRow;
}

// The key report that carried the press of key (1-64) since `since`.
std::optional<lab::InputReportRecord> keyReportSince(lab::BoardRack& rack,
                                                     const std::string& serial, int key,
                                                     lab::RecordTime since) {
  const size_t byte = 1 + static_cast<size_t>(key - 1) / 8;
  const uint8_t bit = static_cast<uint8_t>(1u << ((key - 1) % 8));
  const uint8_t id = static_cast<uint8_t>(0x19 + (key - 1) / 32);
  for (const auto& report : rack.inputReports(serial))
    if (report.at >= since && report.bytes.size() > byte && report.bytes[0] == id &&
        (report.bytes[byte] & bit))
      return report;
  return std::nullopt;
}

std::optional<lab::EventRecord> eventSince(const lab::Simulator& sim, const std::string& client,
                                           std::string_view namePrefix, lab::RecordTime since) {
  for (const auto& event : sim.events())
    if (event.at >= since && event.clientName == client && event.name.starts_with(namePrefix))
      return event;
  return std::nullopt;
}

std::optional<lab::DataMessageRecord> dataMessageSince(const lab::Simulator& sim,
                                                       lab::RecordTime since) {
  for (const auto& message : sim.dataMessages())
    if (message.at >= since && message.clientName == "Kestrix") return message;
  return std::nullopt;
}

// Two aircraft states that differ in both COM1 displays and the code;
// the one the aircraft is not in now.
lab::AircraftRadios otherRadios(const lab::AircraftRadios& now) {
  lab::AircraftRadios first = now, second = now;
  first.com1 = {122800, 118000};
  first.transponderCode = 0x1200;
  second.com1 = {124350, 119725};
  second.transponderCode = 0x4521;
  return now.com1 == first.com1 && now.transponderCode == first.transponderCode ? second : first;
}

size_t changedRows(const lab::BoardView& before, const lab::BoardView& after) {
  size_t rows = 0;
  for (size_t row = 0; row < before.matrix.size(); ++row)
    rows += before.matrix[row] != after.matrix[row];
  return rows;
}

}  // namespace

LatencySamples keyReportToEvent(BenchWorld& world, const SamplePlan& plan) {
  LatencySamples samples;
  lab::BoardRack& rack = world.rack();
  lab::Simulator& sim = world.sim();
  const std::string serial = world.radioSerials().front();
  for (int i = 0; i < plan.samples; ++i) {
    // Up and down in turn: every key changes the frequency, and it stays in its band.
    const int key = i % 2 == 0 ? kFractionUp : kFractionDown;
    rack.clearInputReports(serial);
    const auto before = Clock::now();
    rack.press(serial, key);
    std::optional<lab::EventRecord> event;
    sim.waitUntil(
        [&] {
          event = eventSince(sim, "Kestrix", "COM_RADIO_FRACT", before);
          return event.has_value();
        },
        kDeadline);
    rack.release(serial, key);
    auto report = keyReportSince(rack, serial, key, before);
    if (!event || !report) {
      samples.fail(!report ? "the board sent no key report"
                           : "no fraction event reached the simulator");
      continue;
    }
    samples.add(event->at - report->at);
    // The next key finds the panel done with this one's frequency.
    if (!world.waitUntilPanelsShow(sim.radios()))
      samples.fail("the panel did not show the new frequency");
    std::this_thread::sleep_for(plan.spacing);
  }
  return samples;
}

LatencySamples dataMessageToDisplays(BenchWorld& world, const SamplePlan& plan,
                                     DisplayReportCounts& counts) {
  LatencySamples samples;
  lab::BoardRack& rack = world.rack();
  lab::Simulator& sim = world.sim();
  const auto panels = world.panelSerials();
  const std::string counted = world.radioSerials().front();
  for (int i = 0; i < plan.samples; ++i) {
    auto radios = otherRadios(sim.radios());
    for (const auto& serial : panels) rack.clearOutputReports(serial);
    auto shownBefore = rack.view(counted);
    const auto before = Clock::now();
    sim.setRadios(radios);
    bool shown = world.waitUntilPanelsShow(radios);
    auto message = dataMessageSince(sim, before);
    if (!shown || !message || !shownBefore) {
      samples.fail(!message ? "the simulator sent no data message"
                            : "the panels did not show the change");
      continue;
    }
    std::this_thread::sleep_for(kTrailingReports);
    std::optional<lab::RecordTime> last;
    size_t countedReports = 0;
    for (const auto& serial : panels)
      for (const auto& report : rack.outputReports(serial)) {
        if (!isDisplayReport(report) || report.at < message->at) continue;
        if (!last || report.at > *last) last = report.at;
        countedReports += serial == counted;
      }
    if (!last) {
      samples.fail("no display report after the data message");
      continue;
    }
    samples.add(*last - message->at);
    if (auto shownAfter = rack.view(counted)) {
      size_t rows = changedRows(*shownBefore, *shownAfter);
      counts.reports.push_back(static_cast<double>(countedReports));
      counts.changedRows.push_back(static_cast<double>(rows));
      counts.differing += countedReports != rows;
    }
    std::this_thread::sleep_for(plan.spacing);
  }
  return samples;
}

LatencySamples transponderEventToFsuipcWrite(BenchWorld& world, const SamplePlan& plan) {
  LatencySamples samples;
  lab::Simulator& sim = world.sim();
  lab::FsuipcServer& fsuipc = world.fsuipc();
  constexpr uint32_t kModeEvent = 200;
  lab::ProbeClient panel;
  if (!panel.connectUnix(sim.socketPath()) || !panel.open("BenchPanel")) {
    samples.fail("cannot connect a panel client to the simulator");
    return samples;
  }
  panel.send(wire::MapClientEventToSimEvent{kModeEvent, "ZRQ-XPNDR.Mode"});
  // The first events open the bridge's FSUIPC link; they are not counted.
  constexpr int kWarmUp = 3;
  for (int i = -kWarmUp; i < plan.samples; ++i) {
    // TA and TA/RA in turn: 2 and 3 at the mode offset.
    const uint32_t mode = (i + kWarmUp) % 2 == 0 ? 3 : 2;
    fsuipc.clearWrites();
    const auto before = Clock::now();
    panel.send(wire::TransmitClientEvent{0, kModeEvent, mode, SIMCONNECT_GROUP_PRIORITY_HIGHEST,
                                         SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY});
    std::optional<lab::FsuipcWrite> write;
    fsuipc.waitUntil(
        [&](const std::vector<lab::FsuipcWrite>& writes) {
          for (const auto& w : writes)
            if (w.offset == kModeOffset && w.bytes == std::vector<uint8_t>{uint8_t(mode)} &&
                w.at >= before)
              write = w;
          return write.has_value();
        },
        kDeadline);
    auto event = eventSince(sim, "BenchPanel", "ZRQ-XPNDR.Mode", before);
    if (i < 0) continue;
    if (!event || !write) {
      samples.fail(!event ? "the simulator did not receive the mode event"
                          : "no FSUIPC write of the mode");
      continue;
    }
    samples.add(write->at - event->at);
    std::this_thread::sleep_for(plan.spacing);
  }
  return samples;
}

LatencySamples plugToFirstDisplayReport(BenchWorld& world, const lab::BoardSetup& board,
                                        const SamplePlan& plan, std::chrono::seconds budget) {
  LatencySamples samples;
  lab::BoardRack& rack = world.rack();
  const auto end = Clock::now() + budget;
  world.settle();
  for (int i = 0; i < plan.samples && Clock::now() < end; ++i) {
    const auto before = Clock::now();
    if (!rack.plug(board)) {
      samples.fail("cannot plug " + board.serial);
      break;
    }
    std::optional<lab::RecordTime> first;
    rack.waitUntil(
        [&] {
          for (const auto& report : rack.outputReports(board.serial))
            if (isDisplayReport(report)) return (first = report.at).has_value();
          return false;
        },
        kDeadline);
    rack.unplug(board.serial);
    if (first)
      samples.add(*first - before);
    else
      samples.fail(board.serial + " took no display report");
    world.settle();
  }
  return samples;
}

}  // namespace bench
