// The wire codec against the published packet layouts, byte for byte.
#include <SimConnect.h>
#include <gtest/gtest.h>

#include <cstring>

#include "simconnect/wire.h"

namespace wire = simconnect::wire;

namespace {

uint32_t u32At(const std::vector<uint8_t>& p, size_t offset) {
  uint32_t v;
  std::memcpy(&v, p.data() + offset, 4);
  return v;
}

std::string stringAt(const std::vector<uint8_t>& p, size_t offset, size_t size) {
  return wire::readFixedString({p.data() + offset, size});
}

struct RequestLayout {
  const char* name;
  wire::Request request;
  uint32_t size;
  uint32_t type;
  std::vector<std::pair<size_t, uint32_t>> words;  // offset, value
  std::vector<std::tuple<size_t, size_t, std::string>> strings;
};

std::vector<RequestLayout> requestLayouts() {
  return {
      {"Open", wire::Open{"Kestrix"}, 296, 0x01,
       {{272, 0}, {276, 0x46535800}, {280, 10}, {284, 0}, {288, 61259}, {292, 0}},
       {{16, 256, "Kestrix"}}},
      {"MapClientEventToSimEvent", wire::MapClientEventToSimEvent{105, "COM_RADIO_WHOLE_INC"},
       276, 0x04, {{16, 105}}, {{20, 256, "COM_RADIO_WHOLE_INC"}}},
      {"TransmitClientEvent", wire::TransmitClientEvent{0, 105, 77, 1, 0x10}, 36, 0x05,
       {{16, 0}, {20, 105}, {24, 77}, {28, 1}, {32, 0x10}}, {}},
      {"AddClientEventToNotificationGroup", wire::AddClientEventToNotificationGroup{3, 6, 0}, 28,
       0x07, {{16, 3}, {20, 6}, {24, 0}}, {}},
      {"SetNotificationGroupPriority", wire::SetNotificationGroupPriority{3, 1}, 24, 0x09,
       {{16, 3}, {20, 1}}, {}},
      {"AddToDataDefinition",
       wire::AddToDataDefinition{101, "COM ACTIVE FREQUENCY:1", "Khz", 3, 0.5f, 7}, 544, 0x0C,
       {{16, 101}, {532, 3}, {536, 0x3F000000}, {540, 7}},
       {{20, 256, "COM ACTIVE FREQUENCY:1"}, {276, 256, "Khz"}}},
      {"ClearDataDefinition", wire::ClearDataDefinition{101}, 20, 0x0D, {{16, 101}}, {}},
      {"RequestDataOnSimObject", wire::RequestDataOnSimObject{101, 101, 0, 2, 3, 0, 0, 0}, 48,
       0x0E, {{16, 101}, {20, 101}, {24, 0}, {28, 2}, {32, 3}, {36, 0}, {40, 0}, {44, 0}}, {}},
      {"SubscribeToSystemEvent", wire::SubscribeToSystemEvent{5, "SimStart"}, 276, 0x17,
       {{16, 5}}, {{20, 256, "SimStart"}}},
      {"UnsubscribeFromSystemEvent", wire::UnsubscribeFromSystemEvent{6}, 20, 0x18, {{16, 6}}, {}},
      {"MenuAddItem", wire::MenuAddItem{"Kestrix", 1, 0}, 280, 0x31, {{272, 1}, {276, 0}},
       {{16, 256, "Kestrix"}}},
      {"MenuDeleteItem", wire::MenuDeleteItem{1}, 20, 0x32, {{16, 1}}, {}},
      {"MenuAddSubItem", wire::MenuAddSubItem{1, "About...", 3, 9}, 284, 0x33,
       {{16, 1}, {276, 3}, {280, 9}}, {{20, 256, "About..."}}},
      {"MenuDeleteSubItem", wire::MenuDeleteSubItem{1, 2}, 24, 0x34, {{16, 1}, {20, 2}}, {}},
      {"RequestSystemState", wire::RequestSystemState{1, "Sim"}, 276, 0x35, {{16, 1}},
       {{20, 256, "Sim"}}},
      {"Text", wire::Text{0x101, 5.0f, 7, {'H', 'i', 0}}, 35, 0x40,
       {{16, 0x101}, {20, 0x40A00000}, {24, 7}, {28, 3}}, {{32, 3, "Hi"}}},
  };
}

}  // namespace

TEST(WireRequests, EveryCallHasItsPublishedLayout) {
  for (const auto& layout : requestLayouts()) {
    SCOPED_TRACE(layout.name);
    std::vector<uint8_t> packet = wire::encodeRequest(layout.request, 42);
    ASSERT_EQ(packet.size(), layout.size);
    EXPECT_EQ(u32At(packet, 0), layout.size);
    EXPECT_EQ(u32At(packet, 4), 4u);
    EXPECT_EQ(u32At(packet, 8), 0xF0000000u | layout.type);
    EXPECT_EQ(u32At(packet, 12), 42u);
    for (const auto& [offset, value] : layout.words) EXPECT_EQ(u32At(packet, offset), value) << offset;
    for (const auto& [offset, size, text] : layout.strings) EXPECT_EQ(stringAt(packet, offset, size), text);
  }
}

TEST(WireRequests, EveryCallDecodesToWhatWasEncoded) {
  for (const auto& layout : requestLayouts()) {
    SCOPED_TRACE(layout.name);
    std::vector<uint8_t> packet = wire::encodeRequest(layout.request, 9);
    wire::DecodedRequest decoded;
    ASSERT_EQ(wire::decodeRequest(packet, decoded), wire::DecodeStatus::Ok);
    EXPECT_EQ(decoded.sendId, 9u);
    EXPECT_EQ(decoded.callType, layout.type);
    EXPECT_EQ(wire::encodeRequest(decoded.body, 9), packet);
  }
}

TEST(WireRequests, LongStringsAreCutAndStayTerminated) {
  std::string longName(400, 'A');
  auto packet = wire::encodeRequest(wire::MapClientEventToSimEvent{1, longName}, 1);
  ASSERT_EQ(packet.size(), 276u);
  EXPECT_EQ(packet[20 + 255], 0);
  EXPECT_EQ(stringAt(packet, 20, 256), std::string(255, 'A'));
}

TEST(WireRequests, MalformedPacketsAreRejectedNotTrusted) {
  auto good = wire::encodeRequest(wire::MenuDeleteItem{1}, 3);
  struct Case {
    const char* what;
    std::vector<uint8_t> packet;
    wire::DecodeStatus expected;
  };
  auto sizeLies = good;
  sizeLies[0] = 200;
  auto truncatedBody = wire::encodeRequest(wire::MenuAddItem{"x", 1, 0}, 1);
  truncatedBody.resize(100);
  truncatedBody[0] = 100;
  auto unknownCall = good;
  unknownCall[8] = 0x77;
  auto noMarker = good;
  noMarker[11] = 0;
  auto textCountLies = wire::encodeRequest(wire::Text{0x101, 1.0f, 7, {'a', 0}}, 1);
  textCountLies[28] = 200;
  std::vector<Case> cases = {
      {"size field disagrees", sizeLies, wire::DecodeStatus::BadSize},
      {"body shorter than the call", truncatedBody, wire::DecodeStatus::BadSize},
      {"unknown call type", unknownCall, wire::DecodeStatus::UnknownCall},
      {"no call marker", noMarker, wire::DecodeStatus::BadHeader},
      {"shorter than a header", {1, 2, 3}, wire::DecodeStatus::BadHeader},
      {"text byte count beyond the packet", textCountLies, wire::DecodeStatus::BadSize},
  };
  for (const auto& c : cases) {
    wire::DecodedRequest decoded;
    EXPECT_EQ(wire::decodeRequest(c.packet, decoded), c.expected) << c.what;
  }
}

TEST(WireMessages, ServerMessagesMatchThePublishedStructures) {
  wire::OpenInfo info;
  info.applicationName = "Lab";
  auto open = wire::encodeOpenMessage(info);
  ASSERT_EQ(open.size(), sizeof(SIMCONNECT_RECV_OPEN));
  auto* o = reinterpret_cast<SIMCONNECT_RECV_OPEN*>(open.data());
  EXPECT_EQ(o->dwSize, 308u);
  EXPECT_EQ(o->dwVersion, 4u);
  EXPECT_EQ(o->dwID, static_cast<DWORD>(SIMCONNECT_RECV_ID_OPEN));
  EXPECT_STREQ(o->szApplicationName, "Lab");
  EXPECT_EQ(o->dwApplicationVersionMajor, 10u);
  EXPECT_EQ(o->dwSimConnectBuildMajor, 61259u);

  auto quit = wire::encodeQuitMessage();
  ASSERT_EQ(quit.size(), 12u);
  EXPECT_EQ(reinterpret_cast<SIMCONNECT_RECV*>(quit.data())->dwID, 3u);

  auto exception = wire::encodeExceptionMessage(7, 12, 1);
  ASSERT_EQ(exception.size(), sizeof(SIMCONNECT_RECV_EXCEPTION));
  auto* e = reinterpret_cast<SIMCONNECT_RECV_EXCEPTION*>(exception.data());
  EXPECT_EQ(e->dwException, 7u);
  EXPECT_EQ(e->dwSendID, 12u);
  EXPECT_EQ(e->dwIndex, 1u);

  auto event = wire::encodeEventMessage(0xFFFFFFFF, 3, 0x10000);
  ASSERT_EQ(event.size(), sizeof(SIMCONNECT_RECV_EVENT));
  auto* ev = reinterpret_cast<SIMCONNECT_RECV_EVENT*>(event.data());
  EXPECT_EQ(ev->uGroupID, 0xFFFFFFFFu);
  EXPECT_EQ(ev->uEventID, 3u);
  EXPECT_EQ(ev->dwData, 0x10000u);

  auto state = wire::encodeSystemStateMessage(1, 1, 2.5f, "flight.flt");
  ASSERT_EQ(state.size(), sizeof(SIMCONNECT_RECV_SYSTEM_STATE));
  auto* s = reinterpret_cast<SIMCONNECT_RECV_SYSTEM_STATE*>(state.data());
  EXPECT_EQ(s->dwRequestID, 1u);
  EXPECT_EQ(s->dwInteger, 1u);
  EXPECT_FLOAT_EQ(s->fFloat, 2.5f);
  EXPECT_STREQ(s->szString, "flight.flt");

  const uint8_t datums[] = {1, 0, 0, 0, 0, 0, 0x80, 0x3F};  // datum id 1, 1.0f
  wire::SimObjectDataHead head{101, 0, 101, 3, 1, 1, 1};
  auto data = wire::encodeSimObjectDataMessage(head, datums);
  ASSERT_EQ(data.size(), 40u + sizeof(datums));
  auto* d = reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(data.data());
  EXPECT_EQ(d->dwRequestID, 101u);
  EXPECT_EQ(d->dwDefineID, 101u);
  EXPECT_EQ(d->dwFlags, 3u);
  EXPECT_EQ(d->dwentrynumber, 1u);
  EXPECT_EQ(d->dwoutof, 1u);
  EXPECT_EQ(d->dwDefineCount, 1u);
  EXPECT_EQ(d->dwData, 1u);
  EXPECT_EQ(std::memcmp(data.data() + 40, datums, sizeof(datums)), 0);
}

TEST(WireFraming, PacketsSplitAcrossReadsComeOutWhole) {
  auto a = wire::encodeEventMessage(1, 2, 3);
  auto b = wire::encodeQuitMessage();
  std::vector<uint8_t> stream(a);
  stream.insert(stream.end(), b.begin(), b.end());
  wire::PacketFramer framer(wire::kServerHeaderSize);
  std::vector<std::vector<uint8_t>> packets;
  std::vector<uint8_t> packet;
  for (uint8_t byte : stream) {
    framer.append({&byte, 1});
    while (framer.next(packet) == wire::PacketFramer::Status::Packet) packets.push_back(packet);
  }
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0], a);
  EXPECT_EQ(packets[1], b);
  EXPECT_EQ(framer.pending(), 0u);
}

TEST(WireFraming, SeveralPacketsInOneReadComeOutInOrder) {
  wire::PacketFramer framer(wire::kServerHeaderSize);
  std::vector<uint8_t> stream;
  for (uint32_t id = 0; id < 50; ++id) {
    auto p = wire::encodeEventMessage(0, id, id * 2);
    stream.insert(stream.end(), p.begin(), p.end());
  }
  framer.append(stream);
  std::vector<uint8_t> packet;
  for (uint32_t id = 0; id < 50; ++id) {
    ASSERT_EQ(framer.next(packet), wire::PacketFramer::Status::Packet);
    EXPECT_EQ(reinterpret_cast<SIMCONNECT_RECV_EVENT*>(packet.data())->uEventID, id);
  }
  EXPECT_EQ(framer.next(packet), wire::PacketFramer::Status::NeedMore);
}

TEST(WireFraming, ImpossibleSizesMarkTheStreamCorrupt) {
  for (uint32_t size : {0u, 11u, wire::kMaxPacketSize + 1, 0xFFFFFFFFu}) {
    wire::PacketFramer framer(wire::kServerHeaderSize);
    uint8_t bytes[4];
    std::memcpy(bytes, &size, 4);
    framer.append(bytes);
    std::vector<uint8_t> packet;
    EXPECT_EQ(framer.next(packet), wire::PacketFramer::Status::Corrupt) << size;
  }
}
