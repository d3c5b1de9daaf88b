// The lab's FSUIPC server as a client meets it: the IPC exchange over a
// named shared area, the offset memory, the write log and the faults.
#include <lab/fsuipc_server.h>
#include <platform/named_shared_memory.h>
#include <platform/window_messages.h>
#include <test_environment.h>

#include <gtest/gtest.h>

#include <thread>

#include "fsuipc_raw_client.h"

namespace labtest {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using lab::FsuipcServer;
using lab::FsuipcWrite;

class FsuipcServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.open()); }

  testsupport::TestEnvironment environment;
  FsuipcServer server;
};

TEST_F(FsuipcServerTest, ReadsAnswerTheMemoryAndLeaveTheClientTokenAlone) {
  server.set(0x0350, 2, 0x1234);
  FsuipcArea area;
  size_t fsuipcVersion = area.read(0x3304, 4, 0xCAFEBABE);
  size_t simulatorVersion = area.read(0x3308, 4);
  size_t radio = area.read(0x0350, 2, 7);
  size_t unset = area.read(0x9000, 3);
  FsuipcAnswer answer = sendFsuipcArea(area);
  ASSERT_TRUE(answer.sent.ok());
  EXPECT_EQ(answer.sent.result, 1);
  EXPECT_EQ(answer.area.receivedValue(fsuipcVersion), 0x49990000u);
  EXPECT_EQ(answer.area.wordAt(fsuipcVersion + 12), 0xCAFEBABEu);
  EXPECT_EQ(answer.area.receivedValue(simulatorVersion), 0xFADE0008u);
  EXPECT_EQ(answer.area.received(radio), (Bytes{0x34, 0x12}));
  EXPECT_EQ(answer.area.wordAt(radio + 12), 7u);
  EXPECT_EQ(answer.area.received(unset), (Bytes{0, 0, 0}));
  EXPECT_EQ(server.exchanges(), 1u);
  ASSERT_EQ(server.areaNames().size(), 1u);
  EXPECT_TRUE(server.areaNames()[0].starts_with("FsasmLib:IPC:"));
  EXPECT_TRUE(server.writes().empty());
}

TEST_F(FsuipcServerTest, WritesLandInOrderAndAreLoggedWithTheirExchange) {
  FsuipcArea first;
  first.write(0x0354, {0x00, 0x12});
  first.write(0x7B91, {0x01});
  ASSERT_EQ(sendFsuipcArea(first).sent.result, 1);

  // Several requests in one exchange, performed in order: the read sees
  // the write before it.
  FsuipcArea second;
  second.write(0x0354, {0x77});
  size_t readBack = second.read(0x0354, 2);
  second.write(0x0B00, {});
  FsuipcAnswer answer = sendFsuipcArea(second);
  ASSERT_EQ(answer.sent.result, 1);
  EXPECT_EQ(answer.area.received(readBack), (Bytes{0x77, 0x12}));

  EXPECT_EQ(server.writes(), (std::vector<FsuipcWrite>{{0x0354, {0x00, 0x12}, 1},
                                                       {0x7B91, {0x01}, 1},
                                                       {0x0354, {0x77}, 2},
                                                       {0x0B00, {}, 2}}));
  EXPECT_EQ(server.get(0x0354, 2), 0x1277u);
  EXPECT_EQ(server.bytes(0x7B90, 3), (Bytes{0, 1, 0}));
  EXPECT_EQ(server.exchanges(), 2u);
  EXPECT_EQ(server.areaNames().size(), 2u);

  server.clearWrites();
  EXPECT_TRUE(server.writes().empty());
  EXPECT_EQ(server.get(0x0354, 2), 0x1277u);  // the memory keeps them
}

TEST_F(FsuipcServerTest, WaitUntilSeesWritesOfAClientOnAnotherThread) {
  std::thread client([] {
    FsuipcArea area;
    area.write(0x0354, {0x00, 0x77});
    sendFsuipcArea(area);
  });
  EXPECT_TRUE(server.waitUntil([](const auto& writes) { return writes.size() == 1; }, 20s));
  client.join();
}

// The client's handshake: the versions are read and its library version is
// written to 0x330A, which must not change what 0x3308 reads.
TEST_F(FsuipcServerTest, TheLibraryVersionMailboxLeavesTheSimulatorVersionAlone) {
  EXPECT_FALSE(server.clientLibraryVersion());
  for (int pass = 0; pass < 2; ++pass) {
    FsuipcArea area;
    size_t fsuipcVersion = area.read(0x3304, 4);
    size_t simulatorVersion = area.read(0x3308, 4);
    if (pass == 0) area.write(0x330A, {0xEC, 0x03});
    FsuipcAnswer answer = sendFsuipcArea(area);
    ASSERT_EQ(answer.sent.result, 1);
    EXPECT_EQ(answer.area.receivedValue(fsuipcVersion), 0x49990000u);
    EXPECT_EQ(answer.area.receivedValue(simulatorVersion), 0xFADE0008u) << "pass " << pass;
  }
  EXPECT_EQ(server.clientLibraryVersion(), 1004);
  EXPECT_EQ(server.writes(), (std::vector<FsuipcWrite>{{0x330A, {0xEC, 0x03}, 1}}));
  EXPECT_EQ(server.get(0x3308, 4), 0xFADE0008u);

  // A test makes the version check fail by replacing all four bytes.
  server.set(0x3308, 4, 0);
  FsuipcArea area;
  size_t simulatorVersion = area.read(0x3308, 4);
  EXPECT_EQ(sendFsuipcArea(area).area.receivedValue(simulatorVersion), 0u);
  server.setSimulatorVersion(0xFADE0009);
  EXPECT_EQ(server.get(0x330A, 2), 0xFADEu);
}

TEST_F(FsuipcServerTest, BadAnswersZeroAndLeavesTheAreaAsItWas) {
  server.setAnswerMode(FsuipcServer::AnswerMode::Bad);
  FsuipcArea area;
  area.read(0x3304, 4);
  area.write(0x0354, {0x12});
  FsuipcAnswer answer = sendFsuipcArea(area);
  ASSERT_TRUE(answer.sent.ok());
  EXPECT_EQ(answer.sent.result, 0);
  EXPECT_EQ(answer.area.bytes(), area.bytes());
  EXPECT_TRUE(server.writes().empty());
  EXPECT_EQ(server.exchanges(), 1u);
}

TEST_F(FsuipcServerTest, GarbagePerformsTheRequestsThenPointsReadCountsOutside) {
  server.setAnswerMode(FsuipcServer::AnswerMode::Garbage);
  FsuipcArea area;
  size_t first = area.read(0x3304, 4);
  area.write(0x0354, {0x12});
  size_t second = area.read(0x0354, 1);
  FsuipcAnswer answer = sendFsuipcArea(area);
  ASSERT_TRUE(answer.sent.ok());
  EXPECT_EQ(answer.sent.result, 1);
  for (size_t read : {first, second}) {
    EXPECT_EQ(answer.area.wordAt(read + 8), 0x7FFFFFF0u);
    EXPECT_GT(read + 16 + answer.area.wordAt(read + 8), kFsuipcAreaSize);
  }
  EXPECT_EQ(answer.area.bytesAt(first + 16, 4), (Bytes{0x00, 0x00, 0x99, 0x49}));
  EXPECT_EQ(answer.area.bytesAt(second + 16, 1), (Bytes{0x12}));
  EXPECT_EQ(server.writes().size(), 1u);
}

// The client gives up after its 2000 ms; the server answers nothing in time.
TEST_F(FsuipcServerTest, SilentOutlastsTheClientsTimeOutUntilTheFaultEnds) {
  server.setAnswerMode(FsuipcServer::AnswerMode::Silent);
  FsuipcArea area;
  area.write(0x0354, {0x12});
  FsuipcAnswer answer = sendFsuipcArea(area, "UIPCMAIN", 2000);
  EXPECT_EQ(answer.sent.status, platform::SendStatus::timedOut);
  EXPECT_EQ(answer.area.bytes(), area.bytes());

  server.setAnswerMode(FsuipcServer::AnswerMode::Normal);
  EXPECT_EQ(sendFsuipcArea(area).sent.result, 1);
  EXPECT_EQ(server.writes(), (std::vector<FsuipcWrite>{{0x0354, {0x12}, 2}}));
}

TEST_F(FsuipcServerTest, ClosingLetsGoOfAMessageHeldSilently) {
  server.setAnswerMode(FsuipcServer::AnswerMode::Silent);
  std::thread client([] { sendFsuipcArea(FsuipcArea(), "UIPCMAIN", 20000); });
  ASSERT_TRUE(testsupport::eventually([&] { return server.exchanges() == 1; }));
  server.close();  // returns although the message was held
  client.join();
  EXPECT_FALSE(server.isOpen());
}

struct MalformedArea {
  const char* what;
  std::function<void(FsuipcArea&)> pack;  // after one good write to 0x0354
  intptr_t firstRequest = 0;
};

// Bad data is answered 0; the whole list is checked before any of it is
// performed, so the good write in front of the bad record is not applied.
TEST_F(FsuipcServerTest, MalformedAreasAreBadData) {
  const MalformedArea cases[] = {
      {"unknown id", [](FsuipcArea& a) { a.word(7); }},
      {"read past the end",
       [](FsuipcArea& a) {
         for (uint32_t word : {1u, 0x3304u, uint32_t(kFsuipcAreaSize), 0u}) a.word(word);
       }},
      {"write count that wraps",
       [](FsuipcArea& a) {
         for (uint32_t word : {2u, 0x3304u, 0xFFFFFFF8u}) a.word(word);
       }},
      {"offset range past 0xFFFFFFFF", [](FsuipcArea& a) { a.write(0xFFFFFFFE, {1, 2, 3, 4}); }},
      {"write past the last offset FFFF", [](FsuipcArea& a) { a.write(0xFFFE, {1, 2, 3}); }},
      {"write at an offset beyond 16 bits", [](FsuipcArea& a) { a.write(0xFFFFFFF0, {1}); }},
      {"read beyond 16 bits", [](FsuipcArea& a) { a.read(0xFFFFFFF0, 4); }},
      {"read past the last offset FFFF", [](FsuipcArea& a) { a.read(0xFFFF, 2); }},
      {"no terminator",
       [](FsuipcArea& a) {
         size_t used = 12 + 1;  // the good write
         a.write(0x0400, std::vector<uint8_t>(kFsuipcAreaSize - used - 12, 0xAA));
       }},
      {"header cut by the end", [](FsuipcArea& a) {
         a.write(0x0400, std::vector<uint8_t>(kFsuipcAreaSize - 13 - 12 - 8, 0xAA));
         a.word(2);
         a.word(0x0500);
       }},
      {"first request outside the area", [](FsuipcArea&) {}, kFsuipcAreaSize},
      {"negative first request", [](FsuipcArea&) {}, -4},
  };
  for (const MalformedArea& c : cases) {
    SCOPED_TRACE(c.what);
    FsuipcArea area;
    area.write(0x0354, {0x99});
    c.pack(area);
    FsuipcAnswer answer = sendFsuipcArea(area, "UIPCMAIN", 10000, c.firstRequest);
    ASSERT_TRUE(answer.sent.ok());
    EXPECT_EQ(answer.sent.result, 0);
    EXPECT_EQ(answer.area.bytes(), area.bytes());
  }
  FsuipcArea area;
  area.write(0x0354, {0x99});
  EXPECT_EQ(sendFsuipcArea(area, "UIPCMAIN", 10000, 0, "FsasmLib:IPC:0:0").sent.result, 0);
  EXPECT_TRUE(server.writes().empty());
  EXPECT_EQ(server.get(0x0354, 1), 0u);
  EXPECT_EQ(server.exchanges(), std::size(cases) + 1);

  // The server goes on serving, up to the very last offset.
  FsuipcArea good;
  good.write(0xFFFE, {0x12, 0x34});
  EXPECT_EQ(sendFsuipcArea(good).sent.result, 1);
  EXPECT_EQ(server.get(0xFFFE, 2), 0x3412u);
}

TEST_F(FsuipcServerTest, AnAreaLargerThanAnyClientMakesIsRefusedUnread) {
  // The size is the client's to claim; the server must not take it on trust.
  auto huge = platform::NamedSharedMemory::createOrOpen("FsasmLib:IPC:0:99", 1 << 20);
  ASSERT_NE(huge, nullptr);
  FsuipcArea area;
  area.write(0x0354, {0x99});
  ASSERT_TRUE(huge->write(0, area.bytes().data(), area.bytes().size()));
  EXPECT_EQ(sendFsuipcArea(area, "UIPCMAIN", 10000, 0, "FsasmLib:IPC:0:99").sent.result, 0);
  EXPECT_EQ(server.get(0x0354, 1), 0u);
  // An area of the usual size still works.
  EXPECT_EQ(sendFsuipcArea(area).sent.result, 1);
  EXPECT_EQ(server.get(0x0354, 1), 0x99u);
}

TEST_F(FsuipcServerTest, OtherMessagesAreAnsweredZeroAndNotCounted) {
  auto sent = platform::sendMessage(platform::findWindow("UIPCMAIN"),
                                    platform::registerWindowMessage("SWITCH"), 0, 0, 10000);
  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(sent.result, 0);
  EXPECT_EQ(server.exchanges(), 0u);
}

TEST_F(FsuipcServerTest, TheWindowKindChoosesTheClassClientsFind) {
  EXPECT_FALSE(server.open());  // one window per server
  EXPECT_TRUE(platform::findWindow("UIPCMAIN", std::string("UIPCMAIN")));

  ASSERT_TRUE(server.setWindowKind(FsuipcServer::WindowKind::WideClient));
  EXPECT_TRUE(server.isOpen());
  EXPECT_FALSE(platform::findWindow("UIPCMAIN"));
  FsuipcArea area;
  size_t version = area.read(0x3304, 4);
  FsuipcAnswer answer = sendFsuipcArea(area, "FS98MAIN");
  EXPECT_EQ(answer.sent.result, 1);
  EXPECT_EQ(answer.area.receivedValue(version), 0x49990000u);

  server.close();
  EXPECT_FALSE(server.isOpen());
  EXPECT_FALSE(platform::findWindow("FS98MAIN"));
  EXPECT_EQ(sendFsuipcArea(area, "FS98MAIN").sent.status, platform::SendStatus::invalidWindow);
  // A closed server stays closed when its kind changes, and opens as that kind.
  ASSERT_TRUE(server.setWindowKind(FsuipcServer::WindowKind::Fsuipc));
  EXPECT_FALSE(server.isOpen());
  ASSERT_TRUE(server.open());
  EXPECT_EQ(sendFsuipcArea(area, "UIPCMAIN").sent.result, 1);
}

}  // namespace
}  // namespace labtest
