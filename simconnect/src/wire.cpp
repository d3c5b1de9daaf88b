#include "simconnect/wire.h"

#include <SimConnect.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace simconnect::wire {
namespace {

constexpr size_t kNameField = 256;

class Writer {
 public:
  explicit Writer(size_t headerSize) : bytes_(headerSize, 0) {}

  void u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void f32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    u32(bits);
  }
  // Truncated to size - 1 bytes and always terminated.
  void fixedString(const std::string& text, size_t size) {
    size_t n = std::min(text.size(), size - 1);
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<ptrdiff_t>(n));
    bytes_.insert(bytes_.end(), size - n, 0);
  }
  void raw(std::span<const uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }

  void putAt(size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  std::vector<uint8_t> finishClient(CallType type, uint32_t sendId, uint32_t protocol) {
    putAt(0, static_cast<uint32_t>(bytes_.size()));
    putAt(4, protocol);
    putAt(8, kCallTypeMarker | static_cast<uint32_t>(type));
    putAt(12, sendId);
    return std::move(bytes_);
  }
  std::vector<uint8_t> finishServer(uint32_t recvId, uint32_t protocol) {
    putAt(0, static_cast<uint32_t>(bytes_.size()));
    putAt(4, protocol);
    putAt(8, recvId);
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint32_t u32() {
    if (!need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  float f32() {
    uint32_t bits = u32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  std::string fixedString(size_t size) {
    if (!need(size)) return {};
    std::string s = readFixedString(bytes_.subspan(pos_, size));
    pos_ += size;
    return s;
  }
  std::vector<uint8_t> raw(size_t size) {
    if (!need(size)) return {};
    std::vector<uint8_t> v(bytes_.begin() + static_cast<ptrdiff_t>(pos_),
                           bytes_.begin() + static_cast<ptrdiff_t>(pos_ + size));
    pos_ += size;
    return v;
  }
  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ == bytes_.size(); }

 private:
  bool need(size_t n) {
    if (!ok_ || bytes_.size() - pos_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang 14).
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

void encodeBody(Writer& w, const Request& request) {
  std::visit(
      Overloaded{
          [&](const Open& r) {
            w.fixedString(r.applicationName, kNameField);
            w.u32(0);
            const uint8_t tag[4] = {0, 'X', 'S', 'F'};
            w.raw(tag);
            w.u32(r.versionMajor);
            w.u32(r.versionMinor);
            w.u32(r.buildMajor);
            w.u32(r.buildMinor);
          },
          [&](const MapClientEventToSimEvent& r) {
            w.u32(r.eventId);
            w.fixedString(r.eventName, kNameField);
          },
          [&](const TransmitClientEvent& r) {
            w.u32(r.objectId);
            w.u32(r.eventId);
            w.u32(r.data);
            w.u32(r.groupId);
            w.u32(r.flags);
          },
          [&](const AddClientEventToNotificationGroup& r) {
            w.u32(r.groupId);
            w.u32(r.eventId);
            w.u32(r.maskable);
          },
          [&](const SetNotificationGroupPriority& r) {
            w.u32(r.groupId);
            w.u32(r.priority);
          },
          [&](const AddToDataDefinition& r) {
            w.u32(r.defineId);
            w.fixedString(r.datumName, kNameField);
            w.fixedString(r.unitsName, kNameField);
            w.u32(r.dataType);
            w.f32(r.epsilon);
            w.u32(r.datumId);
          },
          [&](const ClearDataDefinition& r) { w.u32(r.defineId); },
          [&](const RequestDataOnSimObject& r) {
            for (uint32_t v : {r.requestId, r.defineId, r.objectId, r.period, r.flags, r.origin,
                               r.interval, r.limit})
              w.u32(v);
          },
          [&](const SubscribeToSystemEvent& r) {
            w.u32(r.eventId);
            w.fixedString(r.name, kNameField);
          },
          [&](const UnsubscribeFromSystemEvent& r) { w.u32(r.eventId); },
          [&](const MenuAddItem& r) {
            w.fixedString(r.text, kNameField);
            w.u32(r.menuEventId);
            w.u32(r.data);
          },
          [&](const MenuDeleteItem& r) { w.u32(r.menuEventId); },
          [&](const MenuAddSubItem& r) {
            w.u32(r.menuEventId);
            w.fixedString(r.text, kNameField);
            w.u32(r.subEventId);
            w.u32(r.data);
          },
          [&](const MenuDeleteSubItem& r) {
            w.u32(r.menuEventId);
            w.u32(r.subEventId);
          },
          [&](const RequestSystemState& r) {
            w.u32(r.requestId);
            w.fixedString(r.stateName, kNameField);
          },
          [&](const Text& r) {
            w.u32(r.textType);
            w.f32(r.seconds);
            w.u32(r.eventId);
            w.u32(static_cast<uint32_t>(r.bytes.size()));
            w.raw(r.bytes);
          },
      },
      request);
}

// Reads the body of a known call; false when the layout does not fit.
bool decodeBody(CallType type, Reader& r, Request& out) {
  switch (type) {
    case CallType::Open: {
      Open o;
      o.applicationName = r.fixedString(kNameField);
      r.u32();
      r.raw(4);
      o.versionMajor = r.u32();
      o.versionMinor = r.u32();
      o.buildMajor = r.u32();
      o.buildMinor = r.u32();
      out = o;
      break;
    }
    case CallType::MapClientEventToSimEvent: {
      MapClientEventToSimEvent m;
      m.eventId = r.u32();
      m.eventName = r.fixedString(kNameField);
      out = m;
      break;
    }
    case CallType::TransmitClientEvent: {
      TransmitClientEvent t;
      t.objectId = r.u32();
      t.eventId = r.u32();
      t.data = r.u32();
      t.groupId = r.u32();
      t.flags = r.u32();
      out = t;
      break;
    }
    case CallType::AddClientEventToNotificationGroup: {
      AddClientEventToNotificationGroup a;
      a.groupId = r.u32();
      a.eventId = r.u32();
      a.maskable = r.u32();
      out = a;
      break;
    }
    case CallType::SetNotificationGroupPriority: {
      SetNotificationGroupPriority s;
      s.groupId = r.u32();
      s.priority = r.u32();
      out = s;
      break;
    }
    case CallType::AddToDataDefinition: {
      AddToDataDefinition a;
      a.defineId = r.u32();
      a.datumName = r.fixedString(kNameField);
      a.unitsName = r.fixedString(kNameField);
      a.dataType = r.u32();
      a.epsilon = r.f32();
      a.datumId = r.u32();
      out = a;
      break;
    }
    case CallType::ClearDataDefinition:
      out = ClearDataDefinition{r.u32()};
      break;
    case CallType::RequestDataOnSimObject: {
      RequestDataOnSimObject q;
      q.requestId = r.u32();
      q.defineId = r.u32();
      q.objectId = r.u32();
      q.period = r.u32();
      q.flags = r.u32();
      q.origin = r.u32();
      q.interval = r.u32();
      q.limit = r.u32();
      out = q;
      break;
    }
    case CallType::SubscribeToSystemEvent: {
      SubscribeToSystemEvent s;
      s.eventId = r.u32();
      s.name = r.fixedString(kNameField);
      out = s;
      break;
    }
    case CallType::UnsubscribeFromSystemEvent:
      out = UnsubscribeFromSystemEvent{r.u32()};
      break;
    case CallType::MenuAddItem: {
      MenuAddItem m;
      m.text = r.fixedString(kNameField);
      m.menuEventId = r.u32();
      m.data = r.u32();
      out = m;
      break;
    }
    case CallType::MenuDeleteItem:
      out = MenuDeleteItem{r.u32()};
      break;
    case CallType::MenuAddSubItem: {
      MenuAddSubItem m;
      m.menuEventId = r.u32();
      m.text = r.fixedString(kNameField);
      m.subEventId = r.u32();
      m.data = r.u32();
      out = m;
      break;
    }
    case CallType::MenuDeleteSubItem: {
      MenuDeleteSubItem m;
      m.menuEventId = r.u32();
      m.subEventId = r.u32();
      out = m;
      break;
    }
    case CallType::RequestSystemState: {
      RequestSystemState s;
      s.requestId = r.u32();
      s.stateName = r.fixedString(kNameField);
      out = s;
      break;
    }
    case CallType::Text: {
      Text t;
      t.textType = r.u32();
      t.seconds = r.f32();
      t.eventId = r.u32();
      uint32_t count = r.u32();
      t.bytes = r.raw(count);
      out = t;
      break;
    }
    default:
      return false;
  }
  return r.ok() && r.atEnd();
}

bool isKnownCall(uint32_t type) {
  switch (static_cast<CallType>(type)) {
    case CallType::Open:
    case CallType::MapClientEventToSimEvent:
    case CallType::TransmitClientEvent:
    case CallType::AddClientEventToNotificationGroup:
    case CallType::SetNotificationGroupPriority:
    case CallType::AddToDataDefinition:
    case CallType::ClearDataDefinition:
    case CallType::RequestDataOnSimObject:
    case CallType::SubscribeToSystemEvent:
    case CallType::UnsubscribeFromSystemEvent:
    case CallType::MenuAddItem:
    case CallType::MenuDeleteItem:
    case CallType::MenuAddSubItem:
    case CallType::MenuDeleteSubItem:
    case CallType::RequestSystemState:
    case CallType::Text:
      return true;
  }
  return false;
}

}  // namespace

CallType callTypeOf(const Request& request) {
  static constexpr CallType kTypes[] = {
      CallType::Open,
      CallType::MapClientEventToSimEvent,
      CallType::TransmitClientEvent,
      CallType::AddClientEventToNotificationGroup,
      CallType::SetNotificationGroupPriority,
      CallType::AddToDataDefinition,
      CallType::ClearDataDefinition,
      CallType::RequestDataOnSimObject,
      CallType::SubscribeToSystemEvent,
      CallType::UnsubscribeFromSystemEvent,
      CallType::MenuAddItem,
      CallType::MenuDeleteItem,
      CallType::MenuAddSubItem,
      CallType::MenuDeleteSubItem,
      CallType::RequestSystemState,
      CallType::Text,
  };
  static_assert(std::size(kTypes) == std::variant_size_v<Request>);
  return kTypes[request.index()];
}

std::vector<uint8_t> encodeRequest(const Request& request, uint32_t sendId, uint32_t protocol) {
  Writer w(kClientHeaderSize);
  encodeBody(w, request);
  return w.finishClient(callTypeOf(request), sendId, protocol);
}

DecodeStatus decodeRequest(std::span<const uint8_t> packet, DecodedRequest& out) {
  Reader head(packet);
  uint32_t size = head.u32();
  out.protocol = head.u32();
  uint32_t type = head.u32();
  out.sendId = head.u32();
  if (!head.ok() || (type & 0xF0000000) != kCallTypeMarker) return DecodeStatus::BadHeader;
  if (size != packet.size()) return DecodeStatus::BadSize;
  out.callType = type & ~kCallTypeMarker;
  if (!isKnownCall(out.callType)) return DecodeStatus::UnknownCall;
  Reader body(packet.subspan(kClientHeaderSize));
  return decodeBody(static_cast<CallType>(out.callType), body, out.body) ? DecodeStatus::Ok
                                                                         : DecodeStatus::BadSize;
}

std::vector<uint8_t> encodeOpenMessage(const OpenInfo& info, uint32_t protocol) {
  Writer w(kServerHeaderSize);
  w.fixedString(info.applicationName, 256);
  for (uint32_t v : {info.applicationVersionMajor, info.applicationVersionMinor,
                     info.applicationBuildMajor, info.applicationBuildMinor,
                     info.simConnectVersionMajor, info.simConnectVersionMinor,
                     info.simConnectBuildMajor, info.simConnectBuildMinor, 0u, 0u})
    w.u32(v);
  return w.finishServer(SIMCONNECT_RECV_ID_OPEN, protocol);
}

std::vector<uint8_t> encodeQuitMessage(uint32_t protocol) {
  return Writer(kServerHeaderSize).finishServer(SIMCONNECT_RECV_ID_QUIT, protocol);
}

std::vector<uint8_t> encodeExceptionMessage(uint32_t exception, uint32_t sendId, uint32_t index,
                                            uint32_t protocol) {
  Writer w(kServerHeaderSize);
  w.u32(exception);
  w.u32(sendId);
  w.u32(index);
  return w.finishServer(SIMCONNECT_RECV_ID_EXCEPTION, protocol);
}

std::vector<uint8_t> encodeEventMessage(uint32_t groupId, uint32_t eventId, uint32_t data,
                                        uint32_t protocol) {
  Writer w(kServerHeaderSize);
  w.u32(groupId);
  w.u32(eventId);
  w.u32(data);
  return w.finishServer(SIMCONNECT_RECV_ID_EVENT, protocol);
}

std::vector<uint8_t> encodeSystemStateMessage(uint32_t requestId, uint32_t integer, float value,
                                              const std::string& text, uint32_t protocol) {
  Writer w(kServerHeaderSize);
  w.u32(requestId);
  w.u32(integer);
  w.f32(value);
  w.fixedString(text, 260);
  return w.finishServer(SIMCONNECT_RECV_ID_SYSTEM_STATE, protocol);
}

std::vector<uint8_t> encodeSimObjectDataMessage(const SimObjectDataHead& head,
                                                std::span<const uint8_t> data,
                                                uint32_t protocol) {
  Writer w(kServerHeaderSize);
  for (uint32_t v : {head.requestId, head.objectId, head.defineId, head.flags, head.entryNumber,
                     head.outOf, head.defineCount})
    w.u32(v);
  w.raw(data);
  return w.finishServer(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, protocol);
}

uint32_t minimumMessageSize(uint32_t recvId) {
  switch (recvId) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
      return sizeof(SIMCONNECT_RECV_EXCEPTION);
    case SIMCONNECT_RECV_ID_OPEN:
      return sizeof(SIMCONNECT_RECV_OPEN);
    case SIMCONNECT_RECV_ID_EVENT:
      return sizeof(SIMCONNECT_RECV_EVENT);
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
      return sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);  // the 40-byte head
    case SIMCONNECT_RECV_ID_SYSTEM_STATE:
      return sizeof(SIMCONNECT_RECV_SYSTEM_STATE);
    default:
      return sizeof(SIMCONNECT_RECV);
  }
}

void PacketFramer::append(std::span<const uint8_t> bytes) {
  // Drop what has been consumed before the buffer grows.
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > kMaxPacketSize) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

PacketFramer::Status PacketFramer::next(std::vector<uint8_t>& packet) {
  size_t available = buffer_.size() - start_;
  if (available < 4) return Status::NeedMore;
  uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size |= static_cast<uint32_t>(buffer_[start_ + i]) << (8 * i);
  if (size < minimumSize_ || size > kMaxPacketSize) return Status::Corrupt;
  if (available < size) return Status::NeedMore;
  packet.assign(buffer_.begin() + static_cast<ptrdiff_t>(start_),
                buffer_.begin() + static_cast<ptrdiff_t>(start_ + size));
  start_ += size;
  return Status::Packet;
}

std::string readFixedString(std::span<const uint8_t> field) {
  auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return std::string(field.begin(), end);
}

}  // namespace simconnect::wire
