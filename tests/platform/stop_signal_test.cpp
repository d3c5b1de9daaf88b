#include <signal.h>
#include <sys/wait.h>

#include "helper_process.h"
#include "platform_test_env.h"

namespace platform_test {
namespace {

// The watcher changes the signal mask of the whole program, so it runs in
// the helper process.
class StopSignalTest : public PlatformTest {};

TEST_F(StopSignalTest, EveryStopSignalCallsBackOnAThreadAndLeavesTheProgramRunning) {
  HelperProcess program;
  ASSERT_EQ(program.ask("watch-stop"), "watching");
  EXPECT_EQ(program.ask("stop-requested"), "requested=0");

  program.signal(SIGTERM);
  EXPECT_EQ(program.readLine(), "stop 1 requested=1");
  program.signal(SIGINT);
  EXPECT_EQ(program.readLine(), "stop 2 requested=1");
  EXPECT_EQ(program.ask("stop-requested"), "requested=1");

  program.send("exit");
  int status = program.waitForExit();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by itself, not by a signal";
}

}  // namespace
}  // namespace platform_test
