// kestrix-microbench: the small pieces on the way from a key to the
// simulator and from a data message to the panel, measured in-process with
// Google Benchmark: the wire codec both ways, and a display's text laid into
// the eight LED-matrix rows a panel takes.
#include <controller/display_text.h>
#include <simconnect/wire.h>

#include <benchmark/benchmark.h>

#include <array>

namespace {

namespace wire = simconnect::wire;

void EncodeTransmitClientEvent(benchmark::State& state) {
  uint32_t sendId = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        wire::encodeRequest(wire::TransmitClientEvent{0, 12, 0x7700, 1, 0x10}, ++sendId));
}
BENCHMARK(EncodeTransmitClientEvent);

void DecodeTransmitClientEvent(benchmark::State& state) {
  auto packet = wire::encodeRequest(wire::TransmitClientEvent{0, 12, 0x7700, 1, 0x10}, 1);
  wire::DecodedRequest decoded;
  for (auto _ : state) benchmark::DoNotOptimize(wire::decodeRequest(packet, decoded));
}
BENCHMARK(DecodeTransmitClientEvent);

// A radio panel's data message (six 8-byte datums) framed out of a stream
// that holds many of them.
void FrameDataMessages(benchmark::State& state) {
  wire::SimObjectDataHead head;
  head.defineCount = 6;
  std::vector<uint8_t> data(6 * 8, 0x42);
  auto message = wire::encodeSimObjectDataMessage(head, data);
  std::vector<uint8_t> stream;
  for (int i = 0; i < 64; ++i) stream.insert(stream.end(), message.begin(), message.end());
  std::vector<uint8_t> packet;
  for (auto _ : state) {
    wire::PacketFramer framer(wire::kServerHeaderSize);
    framer.append(stream);
    while (framer.next(packet) == wire::PacketFramer::Status::Packet)
      benchmark::DoNotOptimize(packet);
  }
  state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(FrameDataMessages);

// Both COM displays of a radio panel into the eight matrix rows.
void PaintRadioDisplays(benchmark::State& state) {
  std::array<std::array<uint8_t, 4>, 8> rows{};
  for (auto _ : state) {
    std::string active = prepareDisplayText("122.800", 6, 1, ' ');
    std::string standby = prepareDisplayText("118.000", 6, 1, ' ');
    for (int row = 0; row < 8; ++row) {
      paintDisplayRow(rows[static_cast<size_t>(row)], row, active, 1);
      paintDisplayRow(rows[static_cast<size_t>(row)], row, standby, 7);
    }
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(PaintRadioDisplays);

}  // namespace
