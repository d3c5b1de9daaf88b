#pragma once
// A client's data requests on the user aircraft, and what each answers at a
// frame. A request is evaluated once per period (every frame for
// VISUAL_FRAME and SIM_FRAME, every kFramesPerSecond frames for SECOND,
// once for ONCE), after `origin` periods and then every `interval + 1`
// periods, and ends after `limit` answers (0: never). With CHANGED only
// datums that moved beyond their epsilon since the request last sent them
// are sent (the first answer counts all as moved), and nothing at all when
// none did; with TAGGED every datum is its id followed by its value.
#include "data_definitions.h"
#include "lab/simulator.h"

#include <simconnect/wire.h>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace lab::sim {

constexpr uint32_t kFramesPerSecond = 30;

// One SIMOBJECT_DATA message a frame sends, and its head for the record.
struct DataAnswer {
  simconnect::wire::SimObjectDataHead head;
  std::vector<uint8_t> message;
};

class DataRequestBook {
 public:
  // Starts a request, or starts it anew when one of that id runs. The
  // period is not NEVER.
  void start(const simconnect::wire::RequestDataOnSimObject& request);
  void stop(uint32_t requestId);
  // Ends the requests that read a definition that is gone.
  void stopUsing(uint32_t defineId);
  bool empty() const { return requests_.empty(); }

  // One frame: the SIMOBJECT_DATA messages due now, in request id order.
  std::vector<DataAnswer> runFrame(const DataDefinitionBook& definitions,
                                   const AircraftRadios& aircraft);

 private:
  struct Running {
    simconnect::wire::RequestDataOnSimObject request;
    uint32_t framesToPeriod = 1;  // the first period ends at the next frame
    uint32_t originLeft = 0;
    uint32_t intervalLeft = 0;
    uint32_t answers = 0;
    std::vector<std::optional<double>> lastSent;  // by datum position
  };

  // The answer of one evaluation; nothing when CHANGED and nothing moved.
  static std::optional<DataAnswer> answer(Running& running, const DataDefinition& definition,
                                          const AircraftRadios& aircraft);

  std::map<uint32_t, Running> requests_;  // by request id
};

}  // namespace lab::sim
