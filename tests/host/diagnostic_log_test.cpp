#include "diagnostic_log.h"

#include <gtest/gtest.h>
#include <platform/system_facts.h>
#include <platform/user_notice.h>

#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "test_environment.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  // A Windows log is a text file of CR LF lines, as Notepad wants them.
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class DiagnosticLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = env.root() + "/Kestrix.log";
    log.setFileName(path);
    log.setEnabled(true);
  }
  std::string contents() { return testsupport::readFile(path); }

  testsupport::TestEnvironment env;
  std::string path;
  DiagnosticLog log;
};

const std::regex kLinePrefix(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d (\d) ([0-9a-f]{8}) \[(.*?)\] (.*)$)");

}  // namespace

TEST_F(DiagnosticLogTest, LinesCarryDateTimeLevelThreadAndARightAlignedName) {
  log.write(0, "CSimConnectModule::Run", "Opening SimConnect\n");
  log.write(2, "CSimConnectModule::processSimulatorData", "value %d", 42);
  auto lines = linesOf(contents());
  ASSERT_EQ(lines.size(), 2u);

  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kLinePrefix)) << lines[0];
  EXPECT_EQ(m[1], "0");
  EXPECT_EQ(m[3], "   CSimConnectModule::Run");  // 25 columns, padded on the left
  EXPECT_EQ(m[4], "Opening SimConnect");

  ASSERT_TRUE(std::regex_match(lines[1], m, kLinePrefix)) << lines[1];
  EXPECT_EQ(m[1], "2");
  EXPECT_EQ(m[3], "CSimConnectModule::processSimulatorData");  // longer names are kept whole
  EXPECT_EQ(m[4], "value 42");
}

TEST_F(DiagnosticLogTest, EveryLineEndsWithExactlyOneLineFeed) {
  log.write(0, "A::b", "without");
  log.write(0, "A::b", "with\n");
  EXPECT_EQ(linesOf(contents()).size(), 2u);
  std::string text = contents();
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
}

TEST_F(DiagnosticLogTest, MessagesThatDoNotFitAreDroppedWhole) {
  log.write(0, "A::b", "%s", std::string(499, 'x').c_str());
  log.write(0, "A::b", "%s", std::string(500, 'y').c_str());
  std::string text = contents();
  EXPECT_NE(text.find(std::string(499, 'x')), std::string::npos);
  EXPECT_EQ(text.find('y'), std::string::npos);
}

TEST_F(DiagnosticLogTest, WritesNothingWhenSwitchedOffAtAnyLevel) {
  log.setEnabled(false);
  for (int level : {0, 1, 2, 3}) log.write(level, "A::b", "nothing %d", level);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(DiagnosticLogTest, ALogFileDeletedWhileRunningIsCreatedAgainByTheNextLine) {
  log.write(0, "A::b", "first");
  std::filesystem::remove(path);
  log.write(0, "A::b", "second");
  auto lines = linesOf(contents());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("second"), std::string::npos);
}

TEST_F(DiagnosticLogTest, AnUnopenableFileIsReportedToTheDebuggerOnly) {
  std::vector<std::string> debugLines;
  std::mutex m;
  platform::setNoticeSink([&](platform::NoticeKind kind, const std::string&, const std::string& text) {
    std::lock_guard<std::mutex> g(m);
    if (kind == platform::NoticeKind::DebugOutput) debugLines.push_back(text);
  });
  log.setFileName(env.root() + "/no/such/folder/Kestrix.log");
  log.write(0, "A::b", "lost");
  log.write(0, "A::b", "lost again");
  platform::setNoticeSink({});
  ASSERT_EQ(debugLines.size(), 2u);
  EXPECT_EQ(debugLines[0], "Error opening output file\n");
}

TEST_F(DiagnosticLogTest, LinesFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) log.write(0, "Key::Thread", "thread %d line %d %s", t, i, std::string(100, 'a' + t).c_str());
    });
  for (auto& t : threads) t.join();
  auto lines = linesOf(contents());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  for (const auto& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kLinePrefix)) << line;
    std::string body = m[4];
    char letter = body[body.size() - 1];
    EXPECT_EQ(body.substr(body.size() - 100), std::string(100, letter)) << line;
  }
}

TEST_F(DiagnosticLogTest, TheHeaderIsTwentySevenDisclosureLines) {
  platform::setEnvironmentValue("PROCESSOR_LEVEL", "6");
  // Too long for its buffer: written empty.
  platform::setEnvironmentValue("TEMP", std::string(300, 't'));
  platform::setEnvironmentValue("APPDATA", std::nullopt);
  log.writeHeader();
  platform::setEnvironmentValue("PROCESSOR_LEVEL", std::nullopt);
  platform::setEnvironmentValue("TEMP", std::nullopt);
  auto lines = linesOf(contents());
  ASSERT_EQ(lines.size(), 27u);
  std::vector<std::string> bodies;
  for (const auto& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kLinePrefix)) << line;
    EXPECT_EQ(m[1], "1");
    EXPECT_EQ(m[3], "               Disclosure");
    bodies.push_back(m[4]);
  }
  EXPECT_EQ(bodies[0], std::string(78, '*'));
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(bodies[i].substr(0, 2), "* ") << i;
  EXPECT_EQ(bodies[8], std::string(78, '*'));
  EXPECT_EQ(bodies[9], std::string(30, '*'));
  EXPECT_EQ(bodies[10], "*     General Information     ");
  EXPECT_EQ(bodies[11], std::string(30, '*'));
  EXPECT_EQ(bodies[12].rfind("* File Version: ", 0), 0u);
  EXPECT_EQ(bodies[13].rfind("* Computer Name: ", 0), 0u);
  EXPECT_EQ(bodies[14], "* WOW64: 0");
  EXPECT_EQ(bodies[15].rfind("* Environment OS: ", 0), 0u);
  EXPECT_EQ(bodies[18], "* Processor Level: 6");
  EXPECT_EQ(bodies[22], "* TEMP Folder: ");
  EXPECT_EQ(bodies[24], "* APPDATA Folder: ");
  EXPECT_EQ(bodies[25], std::string(30, '*'));
  EXPECT_EQ(bodies[26], std::string(30, '*'));
}
