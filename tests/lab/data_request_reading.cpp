#include "data_request_reading.h"

namespace labtest {

std::optional<DataAnswer> dataAnswerOf(const ProbeClient::Message& message) {
  constexpr size_t kHead = 40;
  if (message.id() != SIMCONNECT_RECV_ID_SIMOBJECT_DATA || message.bytes.size() < kHead)
    return std::nullopt;
  auto head = message.as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
  return DataAnswer{head.dwRequestID, head.dwObjectID,    head.dwDefineID,
                    head.dwFlags,     head.dwentrynumber, head.dwoutof,
                    head.dwDefineCount,
                    {message.bytes.begin() + kHead, message.bytes.end()}};
}

std::vector<DataAnswer> readAnswersUntil(ProbeClient& client, uint32_t requestId) {
  std::vector<DataAnswer> answers;
  for (;;) {
    auto message = client.read(kPatience);
    if (!message) {
      ADD_FAILURE() << "no answer of request " << requestId;
      return answers;
    }
    auto answer = dataAnswerOf(*message);
    if (!answer) {
      ADD_FAILURE() << "message id " << message->id() << " while waiting for request "
                    << requestId;
      return answers;
    }
    answers.push_back(std::move(*answer));
    if (answers.back().requestId == requestId) return answers;
  }
}

std::optional<DataAnswer> nextAnswerOf(ProbeClient& client, uint32_t requestId) {
  auto answers = readAnswersUntil(client, requestId);
  if (answers.empty() || answers.back().requestId != requestId) return std::nullopt;
  return answers.back();
}

std::vector<DataAnswer> syncThroughAnswers(ProbeClient& client) {
  constexpr uint32_t kSyncRequestId = 0x5EC1;
  client.send(wire::RequestSystemState{kSyncRequestId, "Sim"});
  std::vector<DataAnswer> answers;
  for (;;) {
    auto message = client.read(kPatience);
    if (!message) {
      ADD_FAILURE() << "no answer to the sync request";
      return answers;
    }
    if (message->id() == SIMCONNECT_RECV_ID_SYSTEM_STATE &&
        message->as<SIMCONNECT_RECV_SYSTEM_STATE>().dwRequestID == kSyncRequestId)
      return answers;
    auto answer = dataAnswerOf(*message);
    if (!answer) {
      ADD_FAILURE() << "message id " << message->id() << " while waiting for the sync answer";
      return answers;
    }
    answers.push_back(std::move(*answer));
  }
}

std::vector<std::pair<uint32_t, uint32_t>> taggedWords(const DataAnswer& answer) {
  std::vector<std::pair<uint32_t, uint32_t>> words;
  for (size_t at = 0; at + 8 <= answer.data.size(); at += 8)
    words.emplace_back(valueAt<uint32_t>(answer.data, at), valueAt<uint32_t>(answer.data, at + 4));
  return words;
}

void defineLikeTheRadioPanel(ProbeClient& client, uint32_t defineId) {
  struct Entry {
    uint32_t datumId;
    const char* name;
    const char* units;
    uint32_t type;
  };
  const Entry entries[] = {
      {0, "LIGHT PANEL", "BOOL", SIMCONNECT_DATATYPE_INT32},
      {1, "AVIONICS MASTER SWITCH", "BOOL", SIMCONNECT_DATATYPE_INT32},
      {2, "COM ACTIVE FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {3, "COM STANDBY FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {4, "COM ACTIVE FREQUENCY:2", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {5, "COM STANDBY FREQUENCY:2", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {6, "NAV ACTIVE FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {7, "NAV STANDBY FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {8, "NAV ACTIVE FREQUENCY:2", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {9, "NAV STANDBY FREQUENCY:2", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {10, "ADF ACTIVE FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {11, "ADF STANDBY FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32},
      {14, "TRANSPONDER CODE:1", "BCO16", SIMCONNECT_DATATYPE_FLOAT32},
  };
  for (const Entry& e : entries)
    client.send(wire::AddToDataDefinition{defineId, e.name, e.units, e.type, 0.0f, e.datumId});
}

}  // namespace labtest
