// Our SimConnect client library against the lab's simulator, including the
// ways a simulator can break a connection.
#include <SimConnect.h>
#include <gtest/gtest.h>
#include <lab/simulator.h>
#include <platform/wake_event.h>

#include <filesystem>
#include <thread>

#include "simconnect/local_pipe.h"
#include "simconnect/wire.h"
#include "test_environment.h"

namespace {

using namespace std::chrono_literals;
namespace wire = simconnect::wire;

struct Received {
  std::vector<std::vector<uint8_t>> messages;
  static void CALLBACK collect(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto* self = static_cast<Received*>(context);
    auto* bytes = reinterpret_cast<uint8_t*>(data);
    self->messages.emplace_back(bytes, bytes + size);
  }
  std::vector<uint32_t> ids() const {
    std::vector<uint32_t> out;
    for (const auto& m : messages) out.push_back(reinterpret_cast<const SIMCONNECT_RECV*>(m.data())->dwID);
    return out;
  }
};

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<lab::Simulator>(lab::Simulator::Options{});
    ASSERT_TRUE(sim->start());
  }
  void TearDown() override {
    if (handle) SimConnect_Close(handle);
    sim.reset();
  }
  void open(const char* name = "Probe") {
    ASSERT_EQ(SimConnect_Open(&handle, name, nullptr, 0, nullptr, 0), S_OK);
    ASSERT_NE(handle, nullptr);
  }
  // Dispatches until pred holds on what arrived, or the deadline passes.
  HRESULT dispatchUntil(const std::function<bool()>& pred) {
    HRESULT last = S_OK;
    testsupport::eventually([&] {
      last = SimConnect_CallDispatch(handle, &Received::collect, &received);
      return pred() || last != S_OK;
    });
    return last;
  }

  testsupport::TestEnvironment env;
  std::unique_ptr<lab::Simulator> sim;
  HANDLE handle = nullptr;
  Received received;
};

TEST_F(ClientTest, OpenFailsWhenNoSimulatorAcceptsTheClient) {
  sim->setRefusing(true);
  EXPECT_EQ(SimConnect_Open(&handle, "Probe", nullptr, 0, nullptr, 0), E_FAIL);
  EXPECT_EQ(handle, nullptr);
  sim.reset();
  EXPECT_EQ(SimConnect_Open(&handle, "Probe", nullptr, 0, nullptr, 0), E_FAIL);
}

TEST_F(ClientTest, TheOpenAnswerIsTheFirstMessageAndSendIdsCountEveryPacket) {
  open();
  DWORD sendId = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(handle, &sendId), S_OK);
  EXPECT_EQ(sendId, 1u);  // the Open itself
  SimConnect_MenuAddItem(handle, "Probe", 1, 0);
  SimConnect_GetLastSentPacketID(handle, &sendId);
  EXPECT_EQ(sendId, 2u);

  ASSERT_EQ(dispatchUntil([&] { return !received.messages.empty(); }), S_OK);
  ASSERT_EQ(received.ids().front(), static_cast<uint32_t>(SIMCONNECT_RECV_ID_OPEN));
  EXPECT_EQ(received.messages.front().size(), sizeof(SIMCONNECT_RECV_OPEN));
}

TEST_F(ClientTest, ASimulatorExceptionNamesTheSendIdOfTheFaultyCall) {
  open();
  SimConnect_MapClientEventToSimEvent(handle, 10, "NO_SUCH_EVENT");
  DWORD faulty = 0;
  SimConnect_GetLastSentPacketID(handle, &faulty);
  ASSERT_EQ(dispatchUntil([&] {
              for (uint32_t id : received.ids())
                if (id == SIMCONNECT_RECV_ID_EXCEPTION) return true;
              return false;
            }),
            S_OK);
  for (const auto& m : received.messages) {
    auto* e = reinterpret_cast<const SIMCONNECT_RECV_EXCEPTION*>(m.data());
    if (e->dwID != SIMCONNECT_RECV_ID_EXCEPTION) continue;
    EXPECT_EQ(e->dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED));
    EXPECT_EQ(e->dwSendID, faulty);
  }
}

TEST_F(ClientTest, SeveralMessagesInOneReadAndOneSplitAcrossReadsAllArrive) {
  open();
  ASSERT_EQ(dispatchUntil([&] { return !received.messages.empty(); }), S_OK);
  received.messages.clear();

  std::vector<uint8_t> burst;
  for (uint32_t id = 100; id < 105; ++id) {
    auto m = wire::encodeEventMessage(0, id, id);
    burst.insert(burst.end(), m.begin(), m.end());
  }
  auto split = wire::encodeEventMessage(0, 200, 7);
  burst.insert(burst.end(), split.begin(), split.begin() + 10);
  ASSERT_TRUE(sim->sendRaw("Probe", burst));
  ASSERT_EQ(dispatchUntil([&] { return received.messages.size() == 5; }), S_OK);
  // The half message waits, whole messages do not wait for it.
  EXPECT_EQ(SimConnect_CallDispatch(handle, &Received::collect, &received), S_OK);
  EXPECT_EQ(received.messages.size(), 5u);

  ASSERT_TRUE(sim->sendRaw("Probe", std::vector<uint8_t>(split.begin() + 10, split.end())));
  ASSERT_EQ(dispatchUntil([&] { return received.messages.size() == 6; }), S_OK);
  auto* last = reinterpret_cast<const SIMCONNECT_RECV_EVENT*>(received.messages.back().data());
  EXPECT_EQ(last->uEventID, 200u);
  EXPECT_EQ(last->dwData, 7u);
}

TEST_F(ClientTest, AFloodingSimulatorWaitsWhileTheProgramHasNotDispatched) {
  open();
  ASSERT_EQ(dispatchUntil([&] { return !received.messages.empty(); }), S_OK);  // the OPEN
  received.messages.clear();
  constexpr uint32_t kFlood = 80000;
  std::vector<uint8_t> flood;
  for (uint32_t i = 0; i < kFlood; ++i) {
    auto event = wire::encodeEventMessage(0, 300, i);
    flood.insert(flood.end(), event.begin(), event.end());
  }
  const size_t eventSize = flood.size() / kFlood;
  ASSERT_TRUE(sim->sendRaw("Probe", flood));
  // The program keeps calling, but not the dispatch, for a while: every
  // call reads what has arrived, yet no more than the client holds back.
  const auto until = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < until) {
    ASSERT_EQ(SimConnect_RequestSystemState(handle, 1, "Sim"), S_OK);
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(SimConnect_CallDispatch(handle, &Received::collect, &received), S_OK);
  size_t events = 0;
  for (uint32_t id : received.ids()) events += id == SIMCONNECT_RECV_ID_EVENT;
  // A MiB, and at most one read's worth more.
  EXPECT_LE(events * eventSize, (1u << 20) + 16384u) << "held back no more than a MiB";
  // Nothing is lost: the rest comes with the next dispatches, in order.
  ASSERT_EQ(dispatchUntil([&] {
              size_t n = 0;
              for (uint32_t id : received.ids()) n += id == SIMCONNECT_RECV_ID_EVENT;
              return n == kFlood;
            }),
            S_OK);
  uint32_t expected = 0, outOfOrder = 0;
  for (const auto& message : received.messages) {
    const auto* recv = reinterpret_cast<const SIMCONNECT_RECV*>(message.data());
    if (recv->dwID == SIMCONNECT_RECV_ID_EVENT)
      outOfOrder += reinterpret_cast<const SIMCONNECT_RECV_EVENT*>(recv)->dwData != expected++;
  }
  EXPECT_EQ(outOfOrder, 0u);
}

// A program that sleeps on the event handle between dispatches, as the
// programs do, must never sleep while a message waits to be dispatched.
TEST_F(ClientTest, TheEventHandleIsSetWhileMessagesWaitOrTheConnectionBroke) {
  constexpr int kGenerousMs = 30000;
  platform::WakeEvent wake;
  ASSERT_EQ(SimConnect_Open(&handle, "Probe", nullptr, 0, wake.handle(), 0), S_OK);
  ASSERT_TRUE(wake.wait(kGenerousMs)) << "the OPEN answer waits";
  ASSERT_EQ(SimConnect_CallDispatch(handle, &Received::collect, &received), S_OK);
  EXPECT_EQ(received.ids(), std::vector<uint32_t>{SIMCONNECT_RECV_ID_OPEN});
  EXPECT_FALSE(wake.wait(0)) << "nothing waits any more";

  // An answer that a later call read off the connection before the
  // dispatch still keeps the event set.
  ASSERT_EQ(SimConnect_RequestSystemState(handle, 1, "Sim"), S_OK);
  ASSERT_TRUE(wake.wait(kGenerousMs));
  ASSERT_EQ(SimConnect_MenuAddItem(handle, "Probe", 1, 0), S_OK);
  ASSERT_TRUE(wake.wait(kGenerousMs));
  ASSERT_EQ(dispatchUntil([&] { return received.messages.size() == 2; }), S_OK);
  EXPECT_EQ(received.ids().back(), SIMCONNECT_RECV_ID_SYSTEM_STATE);

  sim->breakConnections();
  ASSERT_TRUE(wake.wait(kGenerousMs)) << "a broken connection wakes the program too";
  ASSERT_EQ(dispatchUntil([] { return false; }), SIMCONNECT_E_PIPE_BROKEN);
}

TEST_F(ClientTest, EveryWayOfBreakingTheConnectionEndsInPipeBroken) {
  enum class Fault { CloseMidPacket, OversizedMessage, UndersizedEvent, Break, ServerGone };
  for (Fault fault : {Fault::CloseMidPacket, Fault::OversizedMessage, Fault::UndersizedEvent,
                      Fault::Break, Fault::ServerGone}) {
    SCOPED_TRACE(static_cast<int>(fault));
    if (!sim) {
      sim = std::make_unique<lab::Simulator>(lab::Simulator::Options{});
      ASSERT_TRUE(sim->start());
    }
    open();
    ASSERT_EQ(dispatchUntil([&] { return !received.messages.empty(); }), S_OK);
    switch (fault) {
      case Fault::CloseMidPacket:
        ASSERT_TRUE(sim->closeMidPacket("Probe"));
        break;
      case Fault::OversizedMessage:
        ASSERT_TRUE(sim->sendRaw("Probe", {0xFF, 0xFF, 0xFF, 0x7F, 4, 0, 0, 0, 4, 0, 0, 0}));
        break;
      case Fault::UndersizedEvent:
        ASSERT_TRUE(sim->sendRaw("Probe", {12, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0}));
        break;
      case Fault::Break:
        sim->breakConnections();
        break;
      case Fault::ServerGone:
        sim.reset();
        break;
    }
    EXPECT_EQ(dispatchUntil([] { return false; }), SIMCONNECT_E_PIPE_BROKEN);
    // Every later call fails the same way, without waiting.
    EXPECT_EQ(SimConnect_CallDispatch(handle, &Received::collect, &received), SIMCONNECT_E_PIPE_BROKEN);
    EXPECT_EQ(SimConnect_MenuAddItem(handle, "Probe", 1, 0), SIMCONNECT_E_PIPE_BROKEN);
    SimConnect_Close(handle);
    handle = nullptr;
    received.messages.clear();
  }
}

TEST_F(ClientTest, QuitArrivesBeforeTheEndOfTheConnection) {
  open();
  sim->quit();
  HRESULT result = dispatchUntil([&] {
    for (uint32_t id : received.ids())
      if (id == SIMCONNECT_RECV_ID_QUIT) return true;
    return false;
  });
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(dispatchUntil([] { return false; }), SIMCONNECT_E_PIPE_BROKEN);
}

// Which lab a client of that name reached: "default", "other" or "none".
class ClientConfigTest : public ClientTest {
 protected:
  std::string reachedBy(const std::string& config, const std::string& clientName) {
    std::string folder = env.root() + "/cwd-" + clientName;
    testsupport::writeFile(folder + "/SimConnect.cfg", config);
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    HANDLE opened = nullptr;
    HRESULT result = SimConnect_Open(&opened, clientName.c_str(), nullptr, 0, nullptr, 0);
    std::filesystem::current_path(previous);
    if (FAILED(result)) return "none";
    SimConnect_Close(opened);
    for (const auto& [which, lab] : {std::pair<const char*, lab::Simulator*>{"default", sim.get()},
                                     {"other", other.get()}})
      for (const auto& c : lab->clients())
        if (c.name == clientName) return which;
    return "unknown";
  }
  // A second lab on its own pipe, and on TCP.
  void startOther(const std::string& socketFileName) {
    lab::Simulator::Options options;
    options.socketPath = env.runtimeDir() + "/" + socketFileName;
    options.tcpOnAnyFreePort = true;
    other = std::make_unique<lab::Simulator>(options);
    ASSERT_TRUE(other->start());
  }
  std::unique_ptr<lab::Simulator> other;
};

TEST_F(ClientConfigTest, SimConnectCfgIsReadAsThePublishedClientReadsIt) {
  startOther(simconnect::pipeSocketFileName("Custom/SimConnect"));
  const std::string port = std::to_string(other->tcpPort());
  struct Case {
    const char* what;
    std::string config;
    const char* reached;
  } cases[] = {
      {"IPv4 with address and port", "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + port + "\n", "other"},
      {"no protocol means IPv4", "[SimConnect]\nAddress=127.0.0.1\nPort=" + port + "\n", "other"},
      {"a pipe named by its port", "[SimConnect]\nProtocol=Pipe\nPort=Custom/SimConnect\n", "other"},
      {"a pipe's name ignores letter case and the local prefix",
       "[SimConnect]\nProtocol=pipe\nPort=\\\\.\\pipe\\CUSTOM/simconnect\n", "other"},
      {"a pipe without a port is the default pipe", "[SimConnect]\nProtocol=Pipe\n", "default"},
      {"a pipe nobody serves", "[SimConnect]\nProtocol=Pipe\nPort=Nobody/SimConnect\n", "none"},
      {"the section of index 0", "[SimConnect.0]\nProtocol=Pipe\nPort=Custom/SimConnect\n", "other"},
      {"a section of another index only", "[SimConnect.1]\nProtocol=Pipe\nPort=Custom/SimConnect\n",
       "default"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(reachedBy(c.config, "Client" + std::to_string(n++)), c.reached);
  }
}

TEST(LocalPipe, EveryPipeHasASocketFileOfItsOwn) {
  const std::pair<const char*, const char*> cases[] = {
      {"Microsoft Flight Simulator\\SimConnect", "simconnect.sock"},
      {"microsoft flight simulator\\simconnect", "simconnect.sock"},
      {"\\\\.\\pipe\\Microsoft Flight Simulator\\SimConnect", "simconnect.sock"},
      {"", "simconnect.sock"},
      {"Custom/SimConnect", "pipe.custom%2Fsimconnect.sock"},
      {"Custom\\SimConnect", "pipe.custom%5Csimconnect.sock"},
      {"../x", "pipe...%2Fx.sock"},
      {"a%2Fb", "pipe.a%252fb.sock"},
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(simconnect::pipeSocketFileName(name), file) << name;
}

TEST_F(ClientTest, CallsOnANullHandleFailWithoutHarm) {
  Received r;
  EXPECT_EQ(SimConnect_CallDispatch(nullptr, &Received::collect, &r), E_FAIL);
  EXPECT_EQ(SimConnect_MenuAddItem(nullptr, "x", 1, 0), E_FAIL);
  DWORD id = 0;
  EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &id), E_FAIL);
  EXPECT_EQ(SimConnect_Open(nullptr, "x", nullptr, 0, nullptr, 0), E_FAIL);
}

}  // namespace
