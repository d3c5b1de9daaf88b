#include "data_requests.h"

#include "datum_values.h"

#include <SimConnect.h>

#include <cmath>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

uint32_t framesPerPeriod(uint32_t period) {
  return period == SIMCONNECT_PERIOD_SECOND ? kFramesPerSecond : 1;
}

void appendU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

void DataRequestBook::start(const wire::RequestDataOnSimObject& request) {
  Running running;
  running.request = request;
  running.originLeft = request.origin;
  requests_[request.requestId] = std::move(running);
}

void DataRequestBook::stop(uint32_t requestId) { requests_.erase(requestId); }

void DataRequestBook::stopUsing(uint32_t defineId) {
  std::erase_if(requests_, [&](const auto& entry) {
    return entry.second.request.defineId == defineId;
  });
}

std::vector<DataAnswer> DataRequestBook::runFrame(const DataDefinitionBook& definitions,
                                                  const AircraftRadios& aircraft) {
  std::vector<DataAnswer> messages;
  for (auto it = requests_.begin(); it != requests_.end();) {
    Running& running = it->second;
    const wire::RequestDataOnSimObject& request = running.request;
    const DataDefinition* definition = definitions.find(request.defineId);
    if (!definition) {
      it = requests_.erase(it);
      continue;
    }
    bool periodEnded = --running.framesToPeriod == 0;
    if (periodEnded) running.framesToPeriod = framesPerPeriod(request.period);
    bool due = periodEnded && running.originLeft == 0 && running.intervalLeft == 0;
    if (periodEnded && !due) {
      if (running.originLeft > 0)
        --running.originLeft;
      else
        --running.intervalLeft;
    }
    if (due) {
      running.intervalLeft = request.interval;
      if (auto message = answer(running, *definition, aircraft)) {
        messages.push_back(std::move(*message));
        ++running.answers;
      }
    }
    bool finished = (due && request.period == SIMCONNECT_PERIOD_ONCE) ||
                    (request.limit != 0 && running.answers >= request.limit);
    it = finished ? requests_.erase(it) : std::next(it);
  }
  return messages;
}

std::optional<DataAnswer> DataRequestBook::answer(Running& running,
                                                  const DataDefinition& definition,
                                                  const AircraftRadios& aircraft) {
  const wire::RequestDataOnSimObject& request = running.request;
  bool changedOnly = request.flags & SIMCONNECT_DATA_REQUEST_FLAG_CHANGED;
  bool tagged = request.flags & SIMCONNECT_DATA_REQUEST_FLAG_TAGGED;
  running.lastSent.resize(definition.size());

  std::vector<double> values;
  std::vector<bool> moved;
  bool anyMoved = false;
  for (size_t i = 0; i < definition.size(); ++i) {
    const Datum& datum = definition[i];
    double value = asDataType(
        datum.dataType,
        inUnit(datum.variable.kind, datum.unit, readVariable(aircraft, datum.variable)));
    const auto& last = running.lastSent[i];
    bool hasMoved = !last || std::fabs(value - *last) > datum.epsilon;
    values.push_back(value);
    moved.push_back(hasMoved);
    anyMoved = anyMoved || hasMoved;
  }
  if (changedOnly && !anyMoved) return std::nullopt;

  std::vector<uint8_t> data;
  uint32_t count = 0;
  for (size_t i = 0; i < definition.size(); ++i) {
    // Untagged data has no room to leave a datum out: all of it goes.
    if (tagged && changedOnly && !moved[i]) continue;
    if (tagged) appendU32(data, definition[i].datumId);
    appendDatum(data, definition[i].dataType, values[i]);
    running.lastSent[i] = values[i];
    ++count;
  }
  wire::SimObjectDataHead head;
  head.requestId = request.requestId;
  head.objectId = request.objectId;
  head.defineId = request.defineId;
  head.flags = request.flags;
  head.defineCount = count;
  return DataAnswer{head, wire::encodeSimObjectDataMessage(head, data)};
}

}  // namespace lab::sim
