// FsuipcLink against the lab's FSUIPC server, in a world of the test's own.
#include <gtest/gtest.h>
#include <lab/fsuipc_server.h>
#include <platform/system_facts.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include "fsuipc_link.h"
#include "test_environment.h"

namespace {

using Server = lab::FsuipcServer;

class FsuipcLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.open()); }

  testsupport::TestEnvironment env;
  Server server;
  FsuipcLink link;
};

TEST_F(FsuipcLinkTest, OpensWithTheHandshakeAndNamesItsAreaAfterTheProcessAndAttempt) {
  ASSERT_TRUE(link.open()) << link.errorText();
  EXPECT_EQ(link.lastError(), FsuipcError::Okay);
  EXPECT_EQ(link.serverKind(), FsuipcLink::ServerKind::Fsuipc);
  EXPECT_EQ(link.fsuipcVersion(), Server::kInitialFsuipcVersion);
  EXPECT_EQ(link.simulatorVersion(), Server::kInitialSimulatorVersion & 0xFFFF);
  EXPECT_EQ(server.clientLibraryVersion(), std::optional<uint16_t>(1004));

  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "FsasmLib:IPC:%X:", platform::processId());
  EXPECT_EQ(link.areaName().rfind(prefix, 0), 0u) << link.areaName();
  EXPECT_EQ(server.areaNames(), std::vector<std::string>{link.areaName()});
}

TEST_F(FsuipcLinkTest, EveryOpenUsesTheNextAttemptNumber) {
  std::vector<unsigned> attempts;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(link.open()) << link.errorText();
    const std::string& name = link.areaName();
    attempts.push_back(std::stoul(name.substr(name.rfind(':') + 1), nullptr, 16));
    link.close();
  }
  EXPECT_EQ(attempts[1], attempts[0] + 1);
  EXPECT_EQ(attempts[2], attempts[0] + 2);
  EXPECT_EQ(server.areaNames().size(), 3u);
}

// The areas' files in the runtime folder.
size_t areaFiles(const testsupport::TestEnvironment& env) {
  size_t count = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(env.runtimeDir() + "/objects", ec);
       it != std::filesystem::directory_iterator(); ++it)
    count += it->path().filename().string().find("FsasmLib") != std::string::npos;
  return count;
}

TEST_F(FsuipcLinkTest, AnAreaGoesWhenItsLinkCloses) {
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(link.open()) << link.errorText();
    EXPECT_EQ(areaFiles(env), 1u);
    link.close();
    EXPECT_EQ(areaFiles(env), 0u);
  }
}

TEST_F(FsuipcLinkTest, OpenOnAnOpenLinkGivesError1AndLeavesItUsable) {
  ASSERT_TRUE(link.open());
  std::string area = link.areaName();
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.lastError(), FsuipcError::AlreadyOpen);
  EXPECT_EQ(link.errorText(), "Attempt to Open when already Open");
  EXPECT_TRUE(link.isOpen());
  EXPECT_EQ(link.areaName(), area);
  uint16_t value = 0x1234;
  EXPECT_EQ(link.queueWrite(0x66C0, 2, &value), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::Okay);
  EXPECT_EQ(server.get(0x66C0, 2), 0x1234u);
}

TEST_F(FsuipcLinkTest, ReadsAndWritesTravelTogetherInOneExchange) {
  ASSERT_TRUE(link.open());
  server.set(0x0BC8, 4, 0xCAFEF00D);
  server.set(0x0354, 2, 0x1200);
  size_t before = server.exchanges();
  uint32_t first = 0, second = 0;
  const uint8_t bytes[] = {0xFF, 0xFF};
  ASSERT_EQ(link.queueRead(0x0BC8, &first), FsuipcError::Okay);
  ASSERT_EQ(link.queueWrite(0x3200, 2, bytes), FsuipcError::Okay);
  ASSERT_EQ(link.queueRead(0x0354, &second), FsuipcError::Okay);
  EXPECT_EQ(first, 0u) << "answers arrive with process()";
  ASSERT_EQ(link.process(), FsuipcError::Okay);
  EXPECT_EQ(server.exchanges(), before + 1);
  EXPECT_EQ(first, 0xCAFEF00Du);
  EXPECT_EQ(second, 0x1200u);
  EXPECT_EQ(server.bytes(0x3200, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
}

TEST_F(FsuipcLinkTest, ProcessWithNothingQueuedGives10AndSendsNothing) {
  ASSERT_TRUE(link.open());
  size_t before = server.exchanges();
  EXPECT_EQ(link.process(), FsuipcError::NothingQueued);
  EXPECT_EQ(link.errorText(), "Call cannot execute: No requests accumulated");
  EXPECT_EQ(server.exchanges(), before);
  // The queue is empty again after every exchange.
  uint8_t one = 1;
  ASSERT_EQ(link.queueWrite(0x66C0, 1, &one), FsuipcError::Okay);
  ASSERT_EQ(link.process(), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::NothingQueued);
}

TEST_F(FsuipcLinkTest, CallsOnAClosedLinkGive9) {
  uint32_t value = 0;
  uint8_t byte = 0;
  EXPECT_EQ(link.queueRead(0x3304, &value), FsuipcError::LinkNotOpen);
  EXPECT_EQ(link.queueWrite(0x66C0, 1, &byte), FsuipcError::LinkNotOpen);
  EXPECT_EQ(link.process(), FsuipcError::LinkNotOpen);
  EXPECT_EQ(link.errorText(), "Call cannot execute: Link not Open");
  link.close();  // harmless when closed
  EXPECT_EQ(link.lastError(), FsuipcError::LinkNotOpen);
}

TEST_F(FsuipcLinkTest, TheLargestWriteOnAnEmptyAreaIs32496Bytes) {
  ASSERT_TRUE(link.open());
  std::vector<uint8_t> bytes(32497, 0xA5);
  EXPECT_EQ(link.queueWrite(0x0100, 32497, bytes.data()), FsuipcError::AreaFull);
  EXPECT_EQ(link.errorText(), "Read or Write request cannot be added, memory for Process is full");
  // A size near the top of 32 bits must not wrap the check around.
  EXPECT_EQ(link.queueWrite(0x0100, 0xFFFFFFF8u, bytes.data()), FsuipcError::AreaFull);
  EXPECT_EQ(link.process(), FsuipcError::NothingQueued) << "refused requests leave no trace";

  ASSERT_EQ(link.queueWrite(0x0100, 32496, bytes.data()), FsuipcError::Okay);
  uint32_t value = 0;
  EXPECT_EQ(link.queueRead(0x3304, &value), FsuipcError::AreaFull);
  ASSERT_EQ(link.process(), FsuipcError::Okay);
  auto writes = server.writes();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().offset, 0x0100u);
  EXPECT_EQ(writes.back().bytes, std::vector<uint8_t>(32496, 0xA5));
}

TEST_F(FsuipcLinkTest, ABadAnswerGives13AndTheNextProcessWorksWithoutANewOpen) {
  ASSERT_TRUE(link.open());
  server.set(0x0BC8, 4, 77);
  server.setAnswerMode(Server::AnswerMode::Bad);
  uint32_t value = 5;
  ASSERT_EQ(link.queueRead(0x0BC8, &value), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::BadData);
  EXPECT_EQ(link.errorText(), "IPC request contains bad data");
  EXPECT_EQ(value, 5u);
  EXPECT_TRUE(link.isOpen());
  EXPECT_EQ(link.process(), FsuipcError::NothingQueued) << "the bad exchange emptied the queue";

  server.setAnswerMode(Server::AnswerMode::Normal);
  ASSERT_EQ(link.queueRead(0x0BC8, &value), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::Okay);
  EXPECT_EQ(value, 77u);
}

TEST_F(FsuipcLinkTest, AnAnswerWithCountsOutsideTheAreaIsBadDataAndTouchesNothing) {
  ASSERT_TRUE(link.open());
  server.set(0x0BC8, 4, 1234);
  server.setAnswerMode(Server::AnswerMode::Garbage);
  uint32_t value = 5;
  ASSERT_EQ(link.queueRead(0x0BC8, &value), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::BadData);
  EXPECT_EQ(value, 5u);
  EXPECT_TRUE(link.isOpen());

  server.setAnswerMode(Server::AnswerMode::Normal);
  ASSERT_EQ(link.queueRead(0x0BC8, &value), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::Okay);
  EXPECT_EQ(value, 1234u);
}

TEST_F(FsuipcLinkTest, AFailedVersionCheckNamesTheKindOfServer) {
  struct Case {
    Server::WindowKind kind;
    FsuipcError error;
    const char* text;
  } cases[] = {
      {Server::WindowKind::Fsuipc, FsuipcError::WrongFsuipcVersion,
       "Incorrect version of FSUIPC, or not FSUIPC"},
      {Server::WindowKind::WideClient, FsuipcError::WideClientWithoutServer,
       "Maybe running on WideClient, but FS not running on Server, or wrong FSUIPC"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(server.setWindowKind(c.kind));
    server.setSimulatorVersion(0);  // WideClient without a simulator behind it
    EXPECT_FALSE(link.open());
    EXPECT_EQ(link.lastError(), c.error);
    EXPECT_EQ(link.errorText(), c.text);
    EXPECT_FALSE(link.isOpen());

    server.setSimulatorVersion(Server::kInitialSimulatorVersion);
    ASSERT_TRUE(link.open()) << link.errorText();
    EXPECT_EQ(link.serverKind(), c.kind == Server::WindowKind::Fsuipc
                                     ? FsuipcLink::ServerKind::Fsuipc
                                     : FsuipcLink::ServerKind::WideClient);
    link.close();
  }
  server.set(Server::kFsuipcVersionOffset, 4, 0x19980004);  // older than the oldest that works
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.lastError(), FsuipcError::WideClientWithoutServer);
}

TEST_F(FsuipcLinkTest, WithoutAServerWindowOpenGives2) {
  server.close();
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.lastError(), FsuipcError::NoServerWindow);
  EXPECT_EQ(link.errorText(), "Cannot link to FSUIPC or WideClient");
}

TEST_F(FsuipcLinkTest, AServerThatWentAwayGives2AndClosesTheLink) {
  ASSERT_TRUE(link.open());
  server.close();
  uint8_t byte = 1;
  ASSERT_EQ(link.queueWrite(0x66C0, 1, &byte), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::NoServerWindow);
  EXPECT_FALSE(link.isOpen());
  ASSERT_TRUE(server.open());
  EXPECT_TRUE(link.open()) << link.errorText();
}

TEST_F(FsuipcLinkTest, AServerThatStopsAnsweringGives11AndClosesTheLink) {
  ASSERT_TRUE(link.open());
  server.setAnswerMode(Server::AnswerMode::Silent);
  size_t before = server.exchanges();
  uint8_t byte = 1;
  ASSERT_EQ(link.queueWrite(0x66C0, 1, &byte), FsuipcError::Okay);
  EXPECT_EQ(link.process(), FsuipcError::TimedOut);
  EXPECT_EQ(link.errorText(), "IPC timed out all retries");
  EXPECT_FALSE(link.isOpen());
  EXPECT_EQ(link.queueWrite(0x66C0, 1, &byte), FsuipcError::LinkNotOpen);
  // Both attempts reached the server.
  EXPECT_TRUE(testsupport::eventually([&] { return server.exchanges() == before + 2; }));

  server.setAnswerMode(Server::AnswerMode::Normal);
  EXPECT_TRUE(link.open()) << link.errorText();
}

TEST_F(FsuipcLinkTest, AnAreaOfTheSameNameThatExistsAlreadyIsNotShared) {
  // Another holder of the name the next open would use.
  ASSERT_TRUE(link.open());
  std::string name = link.areaName();
  link.close();
  unsigned next = std::stoul(name.substr(name.rfind(':') + 1), nullptr, 16) + 1;
  char nextName[64];
  std::snprintf(nextName, sizeof nextName, "FsasmLib:IPC:%X:%X", platform::processId(), next);
  auto squatter = platform::NamedSharedMemory::createOrOpen(nextName, 16);
  ASSERT_TRUE(squatter);
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.lastError(), FsuipcError::MappingNotCreated);
  EXPECT_FALSE(link.isOpen());
  EXPECT_TRUE(link.open()) << "the attempt after that has a name of its own";
}

}  // namespace
