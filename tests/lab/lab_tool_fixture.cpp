#include "lab_tool_fixture.h"

namespace labtest {

ToolRun LabToolFixture::run(std::vector<std::string> arguments) {
  auto child = platform::ChildProcess::start({tool(), std::move(arguments), {}, {}, ""});
  if (!child) return {};
  auto exitCode = child->waitForExit(kToolPatience);
  return {exitCode, child->output()};
}

std::unique_ptr<platform::ChildProcess> LabToolFixture::serve(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "serve");
  auto child = platform::ChildProcess::start({tool(), std::move(arguments), {}, {}, ""});
  EXPECT_TRUE(child);
  if (child) {
    EXPECT_TRUE(child->waitForOutput("lab: serving on " + simulatorSocket(), kToolPatience))
        << child->output();
  }
  return child;
}

}  // namespace labtest
