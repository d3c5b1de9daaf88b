#pragma once
// SimConnect's own wire protocol (version 4), shared by our client library and
// the lab's simulator so that both sides encode every packet the same way.
//
// Every packet starts with its own 32-bit size. Client packets carry a 16-byte
// header (size, protocol, 0xF0000000 | call type, send id); server messages
// are the published SIMCONNECT_RECV_* structures. Little-endian, no padding.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace simconnect::wire {

constexpr uint32_t kProtocolVersion = 4;
constexpr uint32_t kClientHeaderSize = 16;
constexpr uint32_t kServerHeaderSize = 12;
// The largest packet either side accepts; a size field beyond it means the
// stream is corrupt.
constexpr uint32_t kMaxPacketSize = 65536;
constexpr uint32_t kCallTypeMarker = 0xF0000000;

enum class CallType : uint32_t {
  Open = 0x01,
  MapClientEventToSimEvent = 0x04,
  TransmitClientEvent = 0x05,
  AddClientEventToNotificationGroup = 0x07,
  SetNotificationGroupPriority = 0x09,
  AddToDataDefinition = 0x0C,
  ClearDataDefinition = 0x0D,
  RequestDataOnSimObject = 0x0E,
  SubscribeToSystemEvent = 0x17,
  UnsubscribeFromSystemEvent = 0x18,
  MenuAddItem = 0x31,
  MenuDeleteItem = 0x32,
  MenuAddSubItem = 0x33,
  MenuDeleteSubItem = 0x34,
  RequestSystemState = 0x35,
  Text = 0x40,
};

// ---- Client requests -------------------------------------------------------

struct Open {
  std::string applicationName;
  uint32_t versionMajor = 10, versionMinor = 0, buildMajor = 61259, buildMinor = 0;
};
struct MapClientEventToSimEvent {
  uint32_t eventId = 0;
  std::string eventName;
};
struct TransmitClientEvent {
  uint32_t objectId = 0, eventId = 0, data = 0, groupId = 0, flags = 0;
};
struct AddClientEventToNotificationGroup {
  uint32_t groupId = 0, eventId = 0, maskable = 0;
};
struct SetNotificationGroupPriority {
  uint32_t groupId = 0, priority = 0;
};
struct AddToDataDefinition {
  uint32_t defineId = 0;
  std::string datumName, unitsName;
  uint32_t dataType = 0;
  float epsilon = 0;
  uint32_t datumId = 0;
};
struct ClearDataDefinition {
  uint32_t defineId = 0;
};
struct RequestDataOnSimObject {
  uint32_t requestId = 0, defineId = 0, objectId = 0, period = 0, flags = 0, origin = 0,
           interval = 0, limit = 0;
};
struct SubscribeToSystemEvent {
  uint32_t eventId = 0;
  std::string name;
};
struct UnsubscribeFromSystemEvent {
  uint32_t eventId = 0;
};
struct MenuAddItem {
  std::string text;
  uint32_t menuEventId = 0, data = 0;
};
struct MenuDeleteItem {
  uint32_t menuEventId = 0;
};
struct MenuAddSubItem {
  uint32_t menuEventId = 0;
  std::string text;
  uint32_t subEventId = 0, data = 0;
};
struct MenuDeleteSubItem {
  uint32_t menuEventId = 0, subEventId = 0;
};
struct RequestSystemState {
  uint32_t requestId = 0;
  std::string stateName;
};
struct Text {
  uint32_t textType = 0;
  float seconds = 0;
  uint32_t eventId = 0;
  std::vector<uint8_t> bytes;  // a print text and its NUL, or a menu block
};

using Request =
    std::variant<Open, MapClientEventToSimEvent, TransmitClientEvent,
                 AddClientEventToNotificationGroup, SetNotificationGroupPriority,
                 AddToDataDefinition, ClearDataDefinition, RequestDataOnSimObject,
                 SubscribeToSystemEvent, UnsubscribeFromSystemEvent, MenuAddItem, MenuDeleteItem,
                 MenuAddSubItem, MenuDeleteSubItem, RequestSystemState, Text>;

CallType callTypeOf(const Request& request);

// The whole packet of one call, header included.
std::vector<uint8_t> encodeRequest(const Request& request, uint32_t sendId,
                                   uint32_t protocol = kProtocolVersion);

struct DecodedRequest {
  uint32_t protocol = 0;
  uint32_t sendId = 0;
  uint32_t callType = 0;  // without the 0xF0000000 marker
  Request body;
};
enum class DecodeStatus {
  Ok,
  UnknownCall,  // header fine, call type not one we know: the body is left empty
  BadSize,      // size field disagrees with the packet or the call's layout
  BadHeader,    // too short for a header, or the call-type marker is missing
};
DecodeStatus decodeRequest(std::span<const uint8_t> packet, DecodedRequest& out);

// ---- Server messages -------------------------------------------------------

struct OpenInfo {
  std::string applicationName = "Kestrix Lab Simulator";
  uint32_t applicationVersionMajor = 10, applicationVersionMinor = 0;
  uint32_t applicationBuildMajor = 61472, applicationBuildMinor = 0;
  uint32_t simConnectVersionMajor = 10, simConnectVersionMinor = 0;
  uint32_t simConnectBuildMajor = 61259, simConnectBuildMinor = 0;
};
std::vector<uint8_t> encodeOpenMessage(const OpenInfo& info, uint32_t protocol = kProtocolVersion);
std::vector<uint8_t> encodeQuitMessage(uint32_t protocol = kProtocolVersion);
std::vector<uint8_t> encodeExceptionMessage(uint32_t exception, uint32_t sendId, uint32_t index,
                                            uint32_t protocol = kProtocolVersion);
std::vector<uint8_t> encodeEventMessage(uint32_t groupId, uint32_t eventId, uint32_t data,
                                        uint32_t protocol = kProtocolVersion);
std::vector<uint8_t> encodeSystemStateMessage(uint32_t requestId, uint32_t integer, float value,
                                              const std::string& text,
                                              uint32_t protocol = kProtocolVersion);
struct SimObjectDataHead {
  uint32_t requestId = 0, objectId = 0, defineId = 0, flags = 0;
  uint32_t entryNumber = 1, outOf = 1, defineCount = 0;
};
// data: the datums, already laid out (tagged or not) as the flags say.
std::vector<uint8_t> encodeSimObjectDataMessage(const SimObjectDataHead& head,
                                                std::span<const uint8_t> data,
                                                uint32_t protocol = kProtocolVersion);

// The minimum size of a server message of that id, so that a reader never
// looks past the end of a short one; 12 for ids without a fixed layout.
uint32_t minimumMessageSize(uint32_t recvId);

// ---- Framing ---------------------------------------------------------------

// Splits a byte stream into whole packets: a packet split across reads is
// kept until it is complete, several packets in one read come out one by one.
class PacketFramer {
 public:
  enum class Status { Packet, NeedMore, Corrupt };

  explicit PacketFramer(uint32_t minimumSize) : minimumSize_(minimumSize) {}

  void append(std::span<const uint8_t> bytes);
  // Moves the next whole packet into packet. Corrupt when the size field is
  // below the minimum or above kMaxPacketSize; the stream cannot be trusted
  // after that.
  Status next(std::vector<uint8_t>& packet);
  // Bytes of an incomplete packet still waiting.
  size_t pending() const { return buffer_.size() - start_; }

 private:
  uint32_t minimumSize_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;
};

// ---- Helpers for fixed strings ---------------------------------------------

// Text of a fixed, zero-filled field: up to the first NUL or the field's end.
std::string readFixedString(std::span<const uint8_t> field);

}  // namespace simconnect::wire
