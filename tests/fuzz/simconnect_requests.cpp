// What a client sends the lab's simulator: framing and decoding of every
// call; a decoded call encodes to a packet that decodes to the same call.
#include <simconnect/wire.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace wire = simconnect::wire;
  wire::PacketFramer framer(wire::kClientHeaderSize);
  framer.append({data, size});
  std::vector<uint8_t> packet;
  while (framer.next(packet) == wire::PacketFramer::Status::Packet) {
    wire::DecodedRequest decoded;
    if (wire::decodeRequest(packet, decoded) != wire::DecodeStatus::Ok) continue;
    std::vector<uint8_t> again = wire::encodeRequest(decoded.body, decoded.sendId, decoded.protocol);
    wire::DecodedRequest redecoded;
    if (wire::decodeRequest(again, redecoded) != wire::DecodeStatus::Ok ||
        wire::encodeRequest(redecoded.body, redecoded.sendId, redecoded.protocol) != again)
      std::abort();
  }
  return 0;
}
