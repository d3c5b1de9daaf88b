#pragma once
// The kestrix-lab tool as a person or a script runs it: `serve` as a child
// process in this test's own world, and one-shot commands against it.
#include <gtest/gtest.h>
#include <platform/child_process.h>
#include <test_environment.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace labtest {

struct ToolRun {
  std::optional<int> exitCode;
  std::string output;  // standard output and error together
};

class LabToolFixture : public ::testing::Test {
 protected:
  static constexpr std::chrono::milliseconds kToolPatience{10000};

  static std::string tool() { return testsupport::programPath("kestrix-lab"); }
  std::string simulatorSocket() const { return environment.runtimeDir() + "/simconnect.sock"; }

  // Runs one command to its end.
  ToolRun run(std::vector<std::string> arguments);
  // Starts `kestrix-lab serve` and waits until it serves.
  std::unique_ptr<platform::ChildProcess> serve(std::vector<std::string> arguments = {});
  // A --json answer without its records' "atUs" stamps, whose values no test
  // knows beforehand (record_time_test.cpp checks them).
  static std::string withoutStamps(const std::string& json);

  testsupport::TestEnvironment environment;
};

}  // namespace labtest
