// What the simulator sends the driver: the client's framing, then the
// panels' handling of every message that passed it.
#include <SimConnect.h>
#include <device_kestrix_radio.h>
#include <simconnect/wire.h>
#include <transponder/device_kestrix_xpndr.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace wire = simconnect::wire;
  wire::PacketFramer framer(wire::kServerHeaderSize);
  framer.append({data, size});
  CDeviceKestrixRadio radio(nullptr);
  CDeviceKestrixXPNDR transponder(nullptr);
  std::vector<uint8_t> packet;
  while (framer.next(packet) == wire::PacketFramer::Status::Packet) {
    auto* message = reinterpret_cast<SIMCONNECT_RECV*>(packet.data());
    // The client hands on only what is as long as its published layout.
    if (packet.size() < wire::minimumMessageSize(message->dwID)) break;
    radio.SimConnectModuleDispatchProc(message, static_cast<DWORD>(packet.size()));
    transponder.SimConnectModuleDispatchProc(message, static_cast<DWORD>(packet.size()));
  }
  return 0;
}
