// Data definitions and requests on the user aircraft through the wire: the
// layout of tagged and untagged answers, changed-only answers, periods,
// stopping, clearing, and one client's ids never touching another's.
//
// To show that a request sent nothing, a test changes a variable that only
// a second request (a witness of a higher request id) reads: both are
// evaluated in the same frame, the lower id first, so anything the first
// had to send arrives before the witness's answer.
#include "data_request_reading.h"

#include <algorithm>

namespace labtest {
namespace {

constexpr uint32_t kVisualFrame = SIMCONNECT_PERIOD_VISUAL_FRAME;
constexpr uint32_t kChangedTagged =
    SIMCONNECT_DATA_REQUEST_FLAG_CHANGED | SIMCONNECT_DATA_REQUEST_FLAG_TAGGED;
constexpr uint32_t kWitness = 900;  // request and define id, above every other

uint32_t rawOf(float value) {
  uint32_t raw;
  std::memcpy(&raw, &value, sizeof raw);
  return raw;
}

using Words = std::vector<std::pair<uint32_t, uint32_t>>;

// Request ids of the answers, in order.
std::vector<uint32_t> requestIds(const std::vector<DataAnswer>& answers) {
  std::vector<uint32_t> ids;
  for (const DataAnswer& a : answers) ids.push_back(a.requestId);
  return ids;
}

class DataRequestTest : public SimulatorFixture {
 protected:
  // A changed-only request of "TRANSPONDER AVAILABLE", which no other
  // request here reads; its first answer is read.
  void startWitness(ProbeClient& client) {
    client.send(wire::AddToDataDefinition{kWitness, "TRANSPONDER AVAILABLE", "Bool",
                                          SIMCONNECT_DATATYPE_INT32, 0.0f, 0});
    client.send(wire::RequestDataOnSimObject{kWitness, kWitness, 0, kVisualFrame,
                                             kChangedTagged, 0, 0, 0});
    ASSERT_TRUE(nextAnswerOf(client, kWitness));
  }

  // Changes what the witness reads and returns every answer up to its own.
  std::vector<DataAnswer> answersUpToTheWitness(ProbeClient& client) {
    witnessValue_ = !witnessValue_;
    EXPECT_EQ(sim->setVariable("TRANSPONDER AVAILABLE", witnessValue_ ? 1 : 0),
              lab::SetVariableResult::Done);
    return readAnswersUntil(client, kWitness);
  }

 private:
  bool witnessValue_ = true;
};

TEST_F(DataRequestTest, FirstAnswerCarriesEveryDatumThenOnlyWhatChanged) {
  auto panel = openClient("Kestrix");
  defineLikeTheRadioPanel(*panel, 101);
  panel->send(wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  auto first = nextAnswerOf(*panel, 101);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->objectId, 0u);
  EXPECT_EQ(first->defineId, 101u);
  EXPECT_EQ(first->flags, kChangedTagged);
  EXPECT_EQ(first->entryNumber, 1u);
  EXPECT_EQ(first->outOf, 1u);
  EXPECT_EQ(first->defineCount, kRadioPanelDatums);
  EXPECT_EQ(first->data.size(), kRadioPanelDatums * 8);
  EXPECT_EQ(taggedWords(*first),
            (Words{{0, 0},  // panel light off, INT32
                   {1, 1},  // avionics on
                   {2, rawOf(122800)}, {3, rawOf(118000)},
                   {4, rawOf(124850)}, {5, rawOf(121500)},
                   {6, rawOf(110500)}, {7, rawOf(113900)},
                   {8, rawOf(114700)}, {9, rawOf(108000)},
                   {10, rawOf(350)}, {11, rawOf(1234.5f)},
                   {14, rawOf(4608)}}));  // 1200 as BCO16

  panel->send(wire::MapClientEventToSimEvent{106, "COM_STBY_RADIO_SWAP"});
  panel->send(wire::TransmitClientEvent{0, 106, 0, 1, 0x10});
  auto swapped = nextAnswerOf(*panel, 101);
  ASSERT_TRUE(swapped);
  EXPECT_EQ(swapped->defineCount, 2u);
  EXPECT_EQ(taggedWords(*swapped), (Words{{2, rawOf(118000)}, {3, rawOf(122800)}}));

  // What a person sets reaches the request like what an event changes.
  ASSERT_EQ(sim->setVariable("TRANSPONDER CODE:1", 0x7700), lab::SetVariableResult::Done);
  auto emergency = nextAnswerOf(*panel, 101);
  ASSERT_TRUE(emergency);
  EXPECT_EQ(taggedWords(*emergency), (Words{{14, rawOf(30464)}}));
  panel->send(wire::MapClientEventToSimEvent{125, "XPNDR_SET"});
  panel->send(wire::TransmitClientEvent{0, 125, 0x1200, 1, 0x10});
  auto squawk = nextAnswerOf(*panel, 101);
  ASSERT_TRUE(squawk);
  EXPECT_EQ(taggedWords(*squawk), (Words{{14, rawOf(4608)}}));
}

TEST_F(DataRequestTest, NothingIsSentWhileNothingChanges) {
  auto panel = openClient("Kestrix");
  defineLikeTheRadioPanel(*panel, 101);
  panel->send(wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  ASSERT_TRUE(nextAnswerOf(*panel, 101));
  startWitness(*panel);
  for (int round = 0; round < 3; ++round)
    EXPECT_EQ(requestIds(answersUpToTheWitness(*panel)), std::vector<uint32_t>{kWitness});
}

TEST_F(DataRequestTest, PeriodNeverStopsARequestAndANewOneStartsWithEveryDatum) {
  auto panel = openClient("Kestrix");
  defineLikeTheRadioPanel(*panel, 101);
  panel->send(wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  ASSERT_TRUE(nextAnswerOf(*panel, 101));
  startWitness(*panel);

  panel->send(wire::RequestDataOnSimObject{101, 101, 0, SIMCONNECT_PERIOD_NEVER, 0, 0, 0, 0});
  EXPECT_TRUE(syncThroughAnswers(*panel).empty());
  sim->setVariable("COM ACTIVE FREQUENCY:1", 121500);
  EXPECT_EQ(requestIds(answersUpToTheWitness(*panel)), std::vector<uint32_t>{kWitness});

  panel->send(wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  auto again = nextAnswerOf(*panel, 101);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->defineCount, kRadioPanelDatums);
  EXPECT_EQ(taggedWords(*again).at(2), (std::pair<uint32_t, uint32_t>{2, rawOf(121500)}));
}

TEST_F(DataRequestTest, ClearingADefinitionEndsItsRequestsAndForgetsIt) {
  auto panel = openClient("Kestrix");
  defineLikeTheRadioPanel(*panel, 101);
  panel->send(wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  ASSERT_TRUE(nextAnswerOf(*panel, 101));
  startWitness(*panel);

  panel->send(wire::ClearDataDefinition{101});
  EXPECT_TRUE(syncThroughAnswers(*panel).empty());
  sim->setVariable("COM ACTIVE FREQUENCY:1", 121500);
  EXPECT_EQ(requestIds(answersUpToTheWitness(*panel)), std::vector<uint32_t>{kWitness});

  uint32_t sendId = panel->send(
      wire::RequestDataOnSimObject{101, 101, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  EXPECT_TRUE(nextIsException(*panel, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId));
}

TEST_F(DataRequestTest, EachClientHasItsOwnDefinitionsAndRequests) {
  // Both use define id 1 and request id 1, each in its own way.
  auto tagged = openClient("Tagged");
  tagged->send(wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "Khz",
                                         SIMCONNECT_DATATYPE_FLOAT32, 0.0f, 7});
  tagged->send(wire::RequestDataOnSimObject{1, 1, 0, kVisualFrame, kChangedTagged, 0, 0, 0});
  auto plain = openClient("Plain");
  plain->send(wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "MHz",
                                        SIMCONNECT_DATATYPE_FLOAT64, 0.0f, SIMCONNECT_UNUSED});
  plain->send(wire::RequestDataOnSimObject{1, 1, 0, kVisualFrame,
                                           SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 0, 0});
  auto taggedFirst = nextAnswerOf(*tagged, 1);
  auto plainFirst = nextAnswerOf(*plain, 1);
  ASSERT_TRUE(taggedFirst && plainFirst);
  EXPECT_EQ(taggedWords(*taggedFirst), (Words{{7, rawOf(122800)}}));
  ASSERT_EQ(plainFirst->data.size(), 8u);
  EXPECT_DOUBLE_EQ(valueAt<double>(plainFirst->data, 0), 122.8);

  tagged->send(wire::MapClientEventToSimEvent{1, "COM_STBY_RADIO_SWAP"});
  tagged->send(wire::TransmitClientEvent{0, 1, 0, 1, 0x10});
  auto taggedSwapped = nextAnswerOf(*tagged, 1);
  auto plainSwapped = nextAnswerOf(*plain, 1);
  ASSERT_TRUE(taggedSwapped && plainSwapped);
  EXPECT_EQ(taggedWords(*taggedSwapped), (Words{{7, rawOf(118000)}}));
  EXPECT_DOUBLE_EQ(valueAt<double>(plainSwapped->data, 0), 118.0);

  // One client clearing its definition leaves the other's alone.
  plain->send(wire::ClearDataDefinition{1});
  EXPECT_TRUE(syncThroughAnswers(*plain).empty());
  sim->setVariable("COM ACTIVE FREQUENCY:1", 135000);
  auto stillServed = nextAnswerOf(*tagged, 1);
  ASSERT_TRUE(stillServed);
  EXPECT_EQ(taggedWords(*stillServed), (Words{{7, rawOf(135000)}}));
}

struct UnitCase {
  const char* variable;
  const char* units;
  uint32_t type;
  std::vector<uint8_t> bytes;  // the value as the answer carries it
};

template <class T>
std::vector<uint8_t> bytesOf(T value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

TEST_F(DataRequestTest, UntaggedAnswerHoldsEachValueInItsUnitsAndTypeInOrder) {
  const UnitCase cases[] = {
      {"COM ACTIVE FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT32, bytesOf(122800.0f)},
      {"COM ACTIVE FREQUENCY:1", "MHz", SIMCONNECT_DATATYPE_FLOAT64, bytesOf(122.8)},
      {"COM ACTIVE FREQUENCY:1", "Hz", SIMCONNECT_DATATYPE_INT32, bytesOf(int32_t{122800000})},
      {"COM ACTIVE FREQUENCY:1", "Frequency BCD16", SIMCONNECT_DATATYPE_INT32,
       bytesOf(int32_t{0x2280})},
      {"NAV ACTIVE FREQUENCY:1", "BCD16", SIMCONNECT_DATATYPE_INT32, bytesOf(int32_t{0x1050})},
      {"NAV STANDBY FREQUENCY:2", "kilohertz", SIMCONNECT_DATATYPE_INT64,
       bytesOf(int64_t{108000})},
      {"ADF STANDBY FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_INT32, bytesOf(int32_t{1234})},
      {"ADF STANDBY FREQUENCY:1", "Khz", SIMCONNECT_DATATYPE_FLOAT64, bytesOf(1234.5)},
      {"ADF ACTIVE FREQUENCY:2", "Khz", SIMCONNECT_DATATYPE_FLOAT32, bytesOf(410.0f)},
      {"com standby frequency:2", "KHZ", SIMCONNECT_DATATYPE_FLOAT32, bytesOf(121500.0f)},
      {"TRANSPONDER CODE:1", "BCO16", SIMCONNECT_DATATYPE_FLOAT32, bytesOf(4608.0f)},
      {"TRANSPONDER CODE:1", "Bco16", SIMCONNECT_DATATYPE_INT32, bytesOf(int32_t{0x1200})},
      {"AVIONICS MASTER SWITCH", "Bool", SIMCONNECT_DATATYPE_FLOAT64, bytesOf(1.0)},
      {"LIGHT PANEL", "BOOL", SIMCONNECT_DATATYPE_INT64, bytesOf(int64_t{0})},
      {"TRANSPONDER AVAILABLE", "Boolean", SIMCONNECT_DATATYPE_INT32, bytesOf(int32_t{1})},
  };
  auto client = openClient("Units");
  std::vector<uint8_t> expected;
  for (const UnitCase& c : cases) {
    // Untagged datums may all keep the default id.
    client->send(wire::AddToDataDefinition{1, c.variable, c.units, c.type, 0.0f,
                                           SIMCONNECT_UNUSED});
    expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
  }
  client->send(wire::RequestDataOnSimObject{1, 1, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0});
  auto answer = nextAnswerOf(*client, 1);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->defineCount, std::size(cases));
  EXPECT_EQ(answer->data, expected);

  // ONCE answered once: frames go by (the witness hears every one) without it.
  client->send(wire::AddToDataDefinition{2, "LIGHT PANEL", "Bool", SIMCONNECT_DATATYPE_INT32,
                                         0.0f, 0});
  client->send(wire::RequestDataOnSimObject{2, 2, 0, kVisualFrame, 0, 0, 0, 0});
  for (int frame = 0; frame < 3; ++frame)
    EXPECT_EQ(requestIds(readAnswersUntil(*client, 2)), std::vector<uint32_t>{2});
}

// A frame counter: request 9, answering every frame (not changed-only).
void startFrameCounter(ProbeClient& client) {
  client.send(wire::AddToDataDefinition{9, "LIGHT PANEL", "Bool", SIMCONNECT_DATATYPE_INT32,
                                        0.0f, 0});
  client.send(wire::RequestDataOnSimObject{9, 9, 0, kVisualFrame, 0, 0, 0, 0});
  ASSERT_TRUE(nextAnswerOf(client, 9));
}

// The answers of request 1 and the frame counter, until request 1 answered
// `answers` times and then `framesAfter` frames went by.
std::vector<uint32_t> answersAndFrames(ProbeClient& client, int answers, int framesAfter) {
  std::vector<uint32_t> ids;
  int seen = 0, after = 0;
  while (seen < answers || after < framesAfter) {
    auto batch = requestIds(readAnswersUntil(client, 9));
    if (batch.empty() || batch.back() != 9) break;
    seen += static_cast<int>(std::count(batch.begin(), batch.end(), 1u));
    if (seen >= answers) ++after;
    ids.insert(ids.end(), batch.begin(), batch.end());
  }
  return ids;
}

TEST_F(DataRequestTest, IntervalSkipsFramesAndLimitEndsTheRequest) {
  auto client = openClient("Frames");
  startFrameCounter(*client);
  client->send(wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "Khz",
                                         SIMCONNECT_DATATYPE_FLOAT32, 0.0f, 0});
  // Every third frame, three times.
  client->send(wire::RequestDataOnSimObject{1, 1, 0, kVisualFrame, 0, 0, 2, 3});
  auto ids = answersAndFrames(*client, 3, 8);
  std::vector<uint32_t> fromFirst(std::find(ids.begin(), ids.end(), 1u), ids.end());
  EXPECT_EQ(fromFirst, (std::vector<uint32_t>{1, 9, 9, 9, 1, 9, 9, 9, 1, 9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST_F(DataRequestTest, PeriodSecondAnswersEveryThirtiethFrame) {
  auto client = openClient("Frames");
  startFrameCounter(*client);
  client->send(wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "Khz",
                                         SIMCONNECT_DATATYPE_FLOAT32, 0.0f, 0});
  client->send(wire::RequestDataOnSimObject{1, 1, 0, SIMCONNECT_PERIOD_SECOND, 0, 0, 0, 0});
  auto ids = answersAndFrames(*client, 2, 0);
  auto first = std::find(ids.begin(), ids.end(), 1u);
  auto second = std::find(std::next(first), ids.end(), 1u);
  ASSERT_NE(second, ids.end());
  EXPECT_EQ(std::count(first, second, 9u), 30);
}

struct DataFault {
  const char* what;
  wire::Request request;
  uint32_t exception;
  uint32_t index;  // the field at fault
};

class DataFaultTest : public SimulatorFixture, public ::testing::WithParamInterface<DataFault> {};

TEST_P(DataFaultTest, IsAnExceptionNamingTheCallAndLeavesTheDefinitionAlone) {
  auto client = openClient("Kestrix");
  client->send(wire::AddToDataDefinition{1, "LIGHT PANEL", "BOOL", SIMCONNECT_DATATYPE_INT32,
                                         0.0f, 0});
  uint32_t sendId = client->send(GetParam().request);
  EXPECT_TRUE(nextIsException(*client, GetParam().exception, sendId)) << GetParam().what;
  auto recorded = sim->exceptions();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].index, GetParam().index);

  client->send(wire::RequestDataOnSimObject{2, 1, 0, SIMCONNECT_PERIOD_ONCE,
                                            SIMCONNECT_DATA_REQUEST_FLAG_TAGGED, 0, 0, 0});
  auto answer = nextAnswerOf(*client, 2);
  ASSERT_TRUE(answer);
  EXPECT_EQ(taggedWords(*answer), (Words{{0, 0}}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DataFaultTest,
    ::testing::Values(
        DataFault{"unknown variable",
                  wire::AddToDataDefinition{1, "WARP DRIVE SPEED", "Khz", 3, 0, 1},
                  SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2},
        DataFault{"a third COM radio",
                  wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:3", "Khz", 3, 0, 1},
                  SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2},
        DataFault{"unknown units",
                  wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "furlongs", 3, 0, 1},
                  SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        DataFault{"units of another quantity",
                  wire::AddToDataDefinition{1, "AVIONICS MASTER SWITCH", "Khz", 1, 0, 1},
                  SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        DataFault{"string data type",
                  wire::AddToDataDefinition{1, "COM ACTIVE FREQUENCY:1", "Khz",
                                            SIMCONNECT_DATATYPE_STRING8, 0, 1},
                  SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, 4},
        DataFault{"datum id taken",
                  wire::AddToDataDefinition{1, "AVIONICS MASTER SWITCH", "BOOL", 1, 0, 0},
                  SIMCONNECT_EXCEPTION_DATUM_ID, 6},
        DataFault{"request of an unknown definition",
                  wire::RequestDataOnSimObject{1, 99, 0, 2, 3, 0, 0, 0},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2},
        DataFault{"request on another object",
                  wire::RequestDataOnSimObject{1, 1, 5, 2, 3, 0, 0, 0},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
        DataFault{"unknown period", wire::RequestDataOnSimObject{1, 1, 0, 9, 3, 0, 0, 0},
                  SIMCONNECT_EXCEPTION_INVALID_ENUM, 4},
        DataFault{"clear of an unknown definition", wire::ClearDataDefinition{99},
                  SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1}));

}  // namespace
}  // namespace labtest
