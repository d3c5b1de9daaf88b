// The aircraft through our SimConnect client library, the way the
// transponder panel binds to it: its definition, its tagged answers, the
// event it sends, and an exception that names the call at fault.
#include "simulator_fixture.h"

#include <SimConnect.h>

#include <cstring>
#include <map>

namespace labtest {
namespace {

// What the dispatch delivered: the tagged datums of request 201 (id -> raw
// 32-bit value) as they last came, and the exceptions.
struct Delivered {
  std::vector<std::map<uint32_t, uint32_t>> answers;
  std::vector<SIMCONNECT_RECV_EXCEPTION> exceptions;
  bool stateAnswered = false;

  static void CALLBACK collect(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto* self = static_cast<Delivered*>(context);
    if (data->dwID == SIMCONNECT_RECV_ID_EXCEPTION) {
      self->exceptions.push_back(*reinterpret_cast<SIMCONNECT_RECV_EXCEPTION*>(data));
      return;
    }
    if (data->dwID == SIMCONNECT_RECV_ID_SYSTEM_STATE) self->stateAnswered = true;
    if (data->dwID != SIMCONNECT_RECV_ID_SIMOBJECT_DATA) return;
    auto* object = reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(data);
    if (object->dwRequestID != 201) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&object->dwData);
    std::map<uint32_t, uint32_t> datums;
    for (DWORD i = 0; i < object->dwDefineCount && 40 + 8 * (i + 1) <= size; ++i) {
      uint32_t id, value;
      std::memcpy(&id, bytes + 8 * i, 4);
      std::memcpy(&value, bytes + 8 * i + 4, 4);
      datums[id] = value;
    }
    self->answers.push_back(datums);
  }
};

float floatOf(uint32_t raw) {
  float value;
  std::memcpy(&value, &raw, sizeof value);
  return value;
}

class AircraftClientTest : public SimulatorFixture {
 protected:
  void TearDown() override {
    if (handle) SimConnect_Close(handle);
  }

  bool dispatchUntil(const std::function<bool()>& pred) {
    return testsupport::eventually([&] {
      SimConnect_CallDispatch(handle, &Delivered::collect, &delivered);
      return pred();
    }, kPatience);
  }

  HANDLE handle = nullptr;
  Delivered delivered;
};

TEST_F(AircraftClientTest, TransponderPanelSeesTheCodeItSetsAndNamesItsFaultyCall) {
  ASSERT_EQ(SimConnect_Open(&handle, "Kestrix", nullptr, 0, nullptr, 0), S_OK);
  // Added in this order, as the panel does: datum 3 before datum 2.
  SimConnect_AddToDataDefinition(handle, 201, "LIGHT PANEL", "BOOL", SIMCONNECT_DATATYPE_INT32,
                                 0.0f, 0);
  SimConnect_AddToDataDefinition(handle, 201, "AVIONICS MASTER SWITCH", "BOOL",
                                 SIMCONNECT_DATATYPE_INT32, 0.0f, 1);
  SimConnect_AddToDataDefinition(handle, 201, "TRANSPONDER AVAILABLE", "BOOL",
                                 SIMCONNECT_DATATYPE_INT32, 0.0f, 3);
  SimConnect_AddToDataDefinition(handle, 201, "TRANSPONDER CODE:1", "BCO16",
                                 SIMCONNECT_DATATYPE_FLOAT32, 0.0f, 2);
  ASSERT_EQ(SimConnect_RequestDataOnSimObject(handle, 201, 201, SIMCONNECT_OBJECT_ID_USER,
                                              SIMCONNECT_PERIOD_VISUAL_FRAME,
                                              SIMCONNECT_DATA_REQUEST_FLAG_CHANGED |
                                                  SIMCONNECT_DATA_REQUEST_FLAG_TAGGED,
                                              0, 0, 0),
            S_OK);
  ASSERT_TRUE(dispatchUntil([&] { return !delivered.answers.empty(); }));
  auto first = delivered.answers.front();
  EXPECT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0], 0u);
  EXPECT_EQ(first[1], 1u);
  EXPECT_EQ(first[3], 1u);
  EXPECT_EQ(floatOf(first[2]), 4608.0f);  // 1200

  SimConnect_MapClientEventToSimEvent(handle, 212, "XPNDR_SET");
  SimConnect_TransmitClientEvent(handle, SIMCONNECT_OBJECT_ID_USER, 212, 0x7700,
                                 SIMCONNECT_GROUP_PRIORITY_HIGHEST,
                                 SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
  ASSERT_TRUE(dispatchUntil([&] { return delivered.answers.size() >= 2; }));
  EXPECT_EQ(delivered.answers[1].size(), 1u);
  EXPECT_EQ(floatOf(delivered.answers[1][2]), 30464.0f);  // 7700 as BCO16

  SimConnect_AddToDataDefinition(handle, 202, "TRANSPONDER IDENT MODE", "BOOL",
                                 SIMCONNECT_DATATYPE_INT32, 0.0f, 0);
  DWORD faultySendId = 0;
  SimConnect_GetLastSentPacketID(handle, &faultySendId);
  ASSERT_TRUE(dispatchUntil([&] { return !delivered.exceptions.empty(); }));
  EXPECT_EQ(delivered.exceptions[0].dwException,
            static_cast<DWORD>(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED));
  EXPECT_EQ(delivered.exceptions[0].dwSendID, faultySendId);

  EXPECT_EQ(SimConnect_RequestDataOnSimObject(handle, 201, 201, SIMCONNECT_OBJECT_ID_USER,
                                              SIMCONNECT_PERIOD_NEVER, 0, 0, 0, 0),
            S_OK);
  EXPECT_EQ(SimConnect_ClearDataDefinition(handle, 201), S_OK);
  // A round trip after them: neither got an exception.
  SimConnect_RequestSystemState(handle, 77, "Sim");
  ASSERT_TRUE(dispatchUntil([&] { return delivered.stateAnswered; }));
  EXPECT_EQ(delivered.exceptions.size(), 1u);
}

}  // namespace
}  // namespace labtest
