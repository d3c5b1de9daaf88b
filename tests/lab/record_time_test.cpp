// The lab stamps what happens with the machine's monotonic clock: events
// the simulator received, data messages it sent, reports a board took and
// sent, writes the FSUIPC server performed. In-process and in the --json
// answers of a `kestrix-lab serve` of its own process, every stamp lies
// between a clock reading before and one after, in the order things happened.
#include <lab/boards.h>
#include <lab/fsuipc_server.h>
#include <lab/probe_client.h>
#include <lab/record_time.h>
#include <lab/simulator.h>
#include <platform/hid.h>

#include <time.h>

#include <algorithm>
#include <functional>

#include "fsuipc_raw_client.h"
#include "lab_tool_fixture.h"
#include "view/json_value.h"

namespace labtest {
namespace {

namespace wire = simconnect::wire;
using platform::HidDevice;
using Bytes = std::vector<uint8_t>;

constexpr std::chrono::milliseconds kPatience{10000};
constexpr int kPatienceMs = 10000;
constexpr char kBoard[] = "00001001";

uint64_t monotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

TEST(RecordTimeTest, TheLabsClockIsTheMachinesMonotonicClock) {
  uint64_t before = monotonicMicroseconds();
  uint64_t stamp = lab::microsecondsOf(std::chrono::steady_clock::now());
  uint64_t after = monotonicMicroseconds();
  EXPECT_LE(before, stamp);
  EXPECT_LE(stamp, after);
}

// The stamps of one record log, oldest first.
struct StampedLog {
  std::string what;
  std::vector<uint64_t> stamps;
};

// Every log has records, each stamped between before and after, in order.
void expectStampedBetween(const std::vector<StampedLog>& logs, uint64_t before, uint64_t after) {
  for (const StampedLog& log : logs) {
    SCOPED_TRACE(log.what);
    EXPECT_FALSE(log.stamps.empty());
    EXPECT_TRUE(std::is_sorted(log.stamps.begin(), log.stamps.end()));
    for (uint64_t stamp : log.stamps) {
      EXPECT_LE(before, stamp);
      EXPECT_LE(stamp, after);
    }
  }
}

// The special-mode interface of a board, as a program opens it.
std::string specialInterfaceOf(const std::u16string& serial) {
  for (const auto& info : platform::enumerateHidInterfaces())
    if (info.serialNumber == serial && info.interfaceNumber == lab::kSpecialInterface)
      return info.path;
  return {};
}

bool write(HidDevice& device, Bytes bytes) {
  bytes.resize(8);
  return device.writeReport(bytes.data(), bytes.size(), kPatienceMs).status ==
         HidDevice::Status::Ok;
}

bool readOne(HidDevice& device) {
  Bytes buffer(8);
  return device.readReport(buffer.data(), buffer.size(), kPatienceMs).status ==
         HidDevice::Status::Ok;
}

// A client that transmits an event and reads one data message of a
// changed-only request; the lab records both.
void transmitAndReadData(const std::string& socketPath) {
  lab::ProbeClient client;
  ASSERT_TRUE(client.connectUnix(socketPath));
  ASSERT_TRUE(client.open("Stamps"));
  client.send(wire::MapClientEventToSimEvent{13, "XPNDR_SET"});
  client.send(wire::TransmitClientEvent{0, 13, 0x7700, 1, 0x10});
  client.send(wire::TransmitClientEvent{0, 13, 0x1200, 1, 0x10});
  client.send(wire::AddToDataDefinition{1, "TRANSPONDER CODE:1", "BCO16",
                                        SIMCONNECT_DATATYPE_INT32, 0.0f, 0});
  client.send(wire::RequestDataOnSimObject{1, 1, 0, SIMCONNECT_PERIOD_VISUAL_FRAME,
                                           SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 0, 0});
  ASSERT_TRUE(client.readUntil(SIMCONNECT_RECV_ID_SIMOBJECT_DATA));
}

// A program switches the board's keys on (an output report), a person
// presses a key (the board sends its key reports) and the program reads one.
void takeAndSendReports(const std::function<void()>& pressKey) {
  std::string path = specialInterfaceOf(u"00001001");
  auto in = HidDevice::open(path, HidDevice::Access::Read);
  auto out = HidDevice::open(path, HidDevice::Access::Write);
  ASSERT_TRUE(in && out);
  ASSERT_TRUE(write(*out, {0x18, 1}));
  pressKey();
  ASSERT_TRUE(readOne(*in));
}

void writeToFsuipc() {
  FsuipcArea area;
  area.write(0x0354, {0x00, 0x77});
  area.write(0x66C0, {0x02});
  ASSERT_EQ(sendFsuipcArea(area).sent.result, 1);
}

class RecordTimeWorldTest : public LabToolFixture {};

TEST_F(RecordTimeWorldTest, RecordsInProcessAreStampedWhenTheyHappen) {
  lab::Simulator sim({});
  ASSERT_TRUE(sim.start());
  lab::BoardRack rack(environment.runtimeDir());
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kBoard, 0x34, 0x01, 1)));
  lab::FsuipcServer fsuipc;
  ASSERT_TRUE(fsuipc.open());

  auto before = std::chrono::steady_clock::now();
  transmitAndReadData(sim.socketPath());
  takeAndSendReports([&] { ASSERT_TRUE(rack.press(kBoard, 10)); });
  writeToFsuipc();
  auto after = std::chrono::steady_clock::now();

  auto stampsOf = [](const auto& records) {
    std::vector<uint64_t> stamps;
    for (const auto& record : records) stamps.push_back(lab::microsecondsOf(record.at));
    return stamps;
  };
  expectStampedBetween({{"simulator events", stampsOf(sim.events())},
                        {"simulator data messages", stampsOf(sim.dataMessages())},
                        {"board output reports", stampsOf(rack.outputReports(kBoard))},
                        {"board input reports", stampsOf(rack.inputReports(kBoard))},
                        {"fsuipc writes", stampsOf(fsuipc.writes())}},
                       lab::microsecondsOf(before), lab::microsecondsOf(after));

  // The key reports follow the report that switched the keys on.
  ASSERT_EQ(rack.outputReports(kBoard).size(), 1u);
  auto sent = rack.inputReports(kBoard);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, (Bytes{0x19, 0x00, 0x02, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sent[0].interfaceNumber, lab::kSpecialInterface);
  EXPECT_LE(rack.outputReports(kBoard)[0].at, sent[0].at);

  auto data = sim.dataMessages();
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].clientName, "Stamps");
  EXPECT_EQ(data[0].requestId, 1u);
  EXPECT_EQ(data[0].defineId, 1u);
  EXPECT_EQ(data[0].defineCount, 1u);
  EXPECT_EQ(data[0].flags, static_cast<uint32_t>(SIMCONNECT_DATA_REQUEST_FLAG_CHANGED));
  EXPECT_EQ(data[0].size, sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA));  // one 4-byte datum in dwData

  rack.clearInputReports(kBoard);
  EXPECT_TRUE(rack.inputReports(kBoard).empty());
  EXPECT_EQ(rack.outputReports(kBoard).size(), 1u) << "only the input reports are cleared";
}

// The stamps of a --json answer's array of records.
std::vector<uint64_t> jsonStamps(const std::string& json) {
  std::vector<uint64_t> stamps;
  auto parsed = lab::view::parseJson(json);
  if (!parsed) return stamps;
  for (const auto& record : parsed->items)
    stamps.push_back(static_cast<uint64_t>(record["atUs"].numberOr(0)));
  return stamps;
}

TEST_F(RecordTimeWorldTest, JsonAnswersOfTheServedLabCarryStampsOfTheSameClock) {
  auto lab = serve();
  uint64_t before = monotonicMicroseconds();
  transmitAndReadData(simulatorSocket());
  takeAndSendReports(
      [&] { ASSERT_EQ(run({"board", "press", kBoard, "10"}).exitCode, 0); });
  writeToFsuipc();
  uint64_t after = monotonicMicroseconds();

  std::vector<std::vector<std::string>> commands = {{"sim", "events", "--json"},
                                                    {"sim", "data", "--json"},
                                                    {"board", "reports", kBoard, "--json"},
                                                    {"fsuipc", "writes", "--json"}};
  std::vector<StampedLog> logs;
  for (const auto& command : commands) {
    auto answer = run(command);
    EXPECT_EQ(answer.exitCode, 0) << answer.output;
    logs.push_back({::testing::PrintToString(command) + ": " + answer.output,
                    jsonStamps(answer.output)});
  }
  expectStampedBetween(logs, before, after);

  auto data = run({"sim", "data", "--json"}).output;
  EXPECT_NE(data.find("[{\"clientId\":1,\"client\":\"Stamps\",\"requestId\":1,\"defineId\":1,"
                      "\"objectId\":0,\"flags\":1,\"defineCount\":1,\"size\":44,\"atUs\":"),
            std::string::npos)
      << data;
  auto reports = lab::view::parseJson(run({"board", "reports", kBoard, "--json"}).output);
  ASSERT_TRUE(reports);
  std::vector<std::string> seen;
  for (const auto& r : reports->items)
    seen.push_back(r["direction"].textOr("?") + " " +
                   std::to_string(static_cast<int>(r["interface"].numberOr(-1))) + " " +
                   r["bytes"].textOr("?"));
  EXPECT_EQ(seen, (std::vector<std::string>{"out 1 1801000000000000", "in 1 1900020000000000",
                                            "in 1 1A00000000000000"}));
}

TEST_F(RecordTimeWorldTest, TextAnswersSayWhenToo) {
  auto lab = serve();
  EXPECT_EQ(run({"sim", "data"}).output, "no data messages\n");
  EXPECT_EQ(run({"board", "reports", kBoard}).output, "");
  EXPECT_EQ(run({"board", "reports", "0000FFFF"}).exitCode, 2);
  transmitAndReadData(simulatorSocket());
  takeAndSendReports([&] { ASSERT_EQ(run({"board", "press", kBoard, "10"}).exitCode, 0); });

  auto data = run({"sim", "data"}).output;
  EXPECT_NE(data.find("Stamps (client 1): request 1, define 1, 1 datum, 44 bytes, at "),
            std::string::npos)
      << data;
  auto reports = run({"board", "reports", kBoard}).output;
  auto firstBlank = reports.find(' ');
  ASSERT_NE(firstBlank, std::string::npos) << reports;
  EXPECT_EQ(reports.substr(firstBlank, 28), " out 1 18 01 00 00 00 00 00 ") << reports;
  EXPECT_NE(reports.find(" in 1 19 00 02 00 00 00 00 00\n"), std::string::npos) << reports;
}

}  // namespace
}  // namespace labtest
