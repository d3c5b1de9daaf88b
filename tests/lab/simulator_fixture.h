#pragma once
// A Simulator of its own for each test case, in a private runtime folder,
// and probe clients that talk to it over its real socket.
#include <lab/probe_client.h>
#include <lab/simulator.h>
#include <test_environment.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace labtest {

using lab::ProbeClient;
namespace wire = simconnect::wire;

// Generous: only reached when something is wrong.
constexpr std::chrono::milliseconds kPatience{10000};

class SimulatorFixture : public ::testing::Test {
 protected:
  void SetUp() override { startSimulator({}); }
  void startSimulator(lab::Simulator::Options options);

  // A connected client that has not sent Open yet.
  std::unique_ptr<ProbeClient> connect();
  // A client that sent Open with that name and read the OPEN answer.
  std::unique_ptr<ProbeClient> openClient(const std::string& name);

  testsupport::TestEnvironment environment;
  std::unique_ptr<lab::Simulator> sim;
};

// A round trip through the simulator: once it returns, every request sent
// before has been handled and every message it caused has been read, or is
// returned as a failure.
::testing::AssertionResult sync(ProbeClient& client);

::testing::AssertionResult nextIsException(ProbeClient& client, uint32_t exception,
                                           uint32_t sendId);
::testing::AssertionResult nextIsEvent(ProbeClient& client, uint32_t groupId, uint32_t eventId,
                                       uint32_t data);

}  // namespace labtest
