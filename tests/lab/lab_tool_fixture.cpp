#include "lab_tool_fixture.h"

#include <regex>

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

std::string LabToolFixture::withoutStamps(const std::string& json) {
  static const std::regex stamp(",\"atUs\":[0-9]+");
  return std::regex_replace(json, stamp, "");
}

}  // namespace labtest
