#pragma once
// Reading the SIMOBJECT_DATA answers of data requests off a probe client,
// and sending the radio panel's data definition as the panel driver does.
#include "simulator_fixture.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace labtest {

struct DataAnswer {
  uint32_t requestId = 0, objectId = 0, defineId = 0, flags = 0;
  uint32_t entryNumber = 0, outOf = 0, defineCount = 0;
  std::vector<uint8_t> data;  // the datums, after the 40-byte head
};

std::optional<DataAnswer> dataAnswerOf(const ProbeClient::Message& message);

// Reads until the answer of requestId arrives, and returns every answer
// read on the way, that one last. A message other than an answer, or no
// answer in time, is a test failure (the list then does not end with it).
std::vector<DataAnswer> readAnswersUntil(ProbeClient& client, uint32_t requestId);

// The answer of requestId, after any others.
std::optional<DataAnswer> nextAnswerOf(ProbeClient& client, uint32_t requestId);

// A round trip like sync() that lets answers through; returns those read.
std::vector<DataAnswer> syncThroughAnswers(ProbeClient& client);

// A tagged answer whose datums are all 4 bytes wide: (datum id, raw value).
std::vector<std::pair<uint32_t, uint32_t>> taggedWords(const DataAnswer& answer);

template <class T>
T valueAt(const std::vector<uint8_t>& data, size_t offset) {
  T value{};
  if (offset + sizeof value <= data.size()) std::memcpy(&value, data.data() + offset, sizeof value);
  return value;
}

inline float floatOf(uint32_t raw) {
  float value;
  std::memcpy(&value, &raw, sizeof value);
  return value;
}

// The radio panel's definition: datum ids 0-11 and 14, BOOL as INT32 and
// frequencies in kHz and the transponder code in BCO16 as FLOAT32.
void defineLikeTheRadioPanel(ProbeClient& client, uint32_t defineId);

constexpr uint32_t kRadioPanelDatums = 13;

}  // namespace labtest
