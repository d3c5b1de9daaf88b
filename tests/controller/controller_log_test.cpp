#include <controller/controller_log.h>
#include <gtest/gtest.h>
#include <platform/system_facts.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

// A line ends with "\n", or "\r\n" where the system writes text so (Windows).
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string todaysFolderName() {
  platform::LocalTime now = platform::localTimeNow();
  char name[16];
  std::snprintf(name, sizeof name, "%02d-%02d-%02d", now.month, now.day, now.year % 100);
  return name;
}

constexpr size_t kHeaderLines = 25;

const std::regex kLine(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d (\d) \[([0-9A-F]{8})\] \[(.*?)\]: (.*)$)");

class ControllerLogTest : public ::testing::Test {
 protected:
  std::string logsFolder() const { return env.configHome() + "/Quornel Limited/Controller Logs"; }
  std::vector<std::string> logLines(const ControllerLog& log) {
    return linesOf(testsupport::readFile(log.path()));
  }
  testsupport::TestEnvironment env;
};

TEST_F(ControllerLogTest, ANewFileOfTheDayStartsWithTheHeader) {
  const std::string before = todaysFolderName();
  ControllerLog log;
  const std::string after = todaysFolderName();
  const fs::path path(log.path());
  EXPECT_TRUE(path.parent_path().filename() == before || path.parent_path().filename() == after);
  EXPECT_EQ(path.parent_path().parent_path(), fs::path(logsFolder()));
  char fileName[64];
  std::snprintf(fileName, sizeof fileName, "Vantrix Controller - %X.log", platform::threadId());
  EXPECT_EQ(path.filename(), fileName);

  auto lines = logLines(log);
  ASSERT_EQ(lines.size(), kHeaderLines);
  const std::string stars(80, '*');
  EXPECT_EQ(lines[0], stars);
  EXPECT_EQ(lines[1], stars);
  EXPECT_EQ(lines[2], "** Vantrix Controller Log");
  EXPECT_EQ(lines[3], "** --------------------------");
  EXPECT_EQ(lines[4], "** ");
  for (int i = 5; i < 17; ++i) EXPECT_EQ(lines[i].rfind("** ", 0), 0u) << lines[i];  // the notice
  EXPECT_EQ(lines[17], "** ");
  EXPECT_EQ(lines[18], "** ");
  EXPECT_EQ(lines[19], "** Module Name:     " + platform::ownProgramPath());
  char ids[64];
  std::snprintf(ids, sizeof ids, "** Thread ID:       %X", platform::threadId());
  EXPECT_EQ(lines[20], ids);
  std::snprintf(ids, sizeof ids, "** Process ID:      %X", platform::processId());
  EXPECT_EQ(lines[21], ids);
  EXPECT_EQ(lines[22], "** ");
  EXPECT_EQ(lines[23], stars);
  EXPECT_EQ(lines[24], stars);
}

TEST_F(ControllerLogTest, LaterLogsOfTheSameThreadAppendWithoutAHeader) {
  std::string path;
  {
    ControllerLog first;
    first.write(3, "CVantrixController::Write", "first %d", 1);
    path = first.path();
  }
  ControllerLog second;
  ASSERT_EQ(second.path(), path);
  second.write(3, "CVantrixController::Write", "second\n");
  auto lines = logLines(second);
  ASSERT_EQ(lines.size(), kHeaderLines + 2);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 0], m, kLine)) << lines[kHeaderLines + 0];
  EXPECT_EQ(m[4], "first 1");
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 1], m, kLine)) << lines[kHeaderLines + 1];
  EXPECT_EQ(m[4], "second");  // one line feed, not two
}

TEST_F(ControllerLogTest, LinesCarryLevelThreadAndARightAlignedName) {
  ControllerLog log;
  log.write(3, "CVantrixController::Write", "short name");
  log.write(3, "CVantrixController::ReadWithQueue", "long name");
  auto lines = logLines(log);
  ASSERT_EQ(lines.size(), kHeaderLines + 2);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 0], m, kLine)) << lines[kHeaderLines + 0];
  EXPECT_EQ(m[1], "3");
  char thread[16];
  std::snprintf(thread, sizeof thread, "%.08X", platform::threadId());
  EXPECT_EQ(m[2], thread);
  EXPECT_EQ(m[3], "CVantrixController::Write");  // exactly 25 characters
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 1], m, kLine)) << lines[kHeaderLines + 1];
  EXPECT_EQ(m[3], "CVantrixController::ReadWithQueue");  // longer names are whole

  ControllerLog shortName;
  shortName.write(3, "A::b", "x");
  const std::string shortLine = logLines(shortName).back();
  ASSERT_TRUE(std::regex_match(shortLine, m, kLine));
  EXPECT_EQ(m[3], std::string(21, ' ') + "A::b");
}

TEST_F(ControllerLogTest, OnlyLevelThreeIsWrittenWhenDisabledAndLongMessagesAreCut) {
  ControllerLog log;
  log.setEnabled(false);
  log.write(1, "A::b", "not written");
  log.write(3, "A::b", "%s", std::string(5000, 'x').c_str());
  log.setEnabled(true);
  log.write(0, "A::b", "written");
  auto lines = logLines(log);
  ASSERT_EQ(lines.size(), kHeaderLines + 2);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 0], m, kLine));
  EXPECT_EQ(m[4], std::string(499, 'x'));
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 1], m, kLine));
  EXPECT_EQ(m[4], "written");
}

TEST_F(ControllerLogTest, EachThreadWritesItsOwnFile) {
  ControllerLog mine;
  std::string theirs;
  std::thread([&] {
    ControllerLog log;
    log.write(3, "A::b", "from another thread");
    theirs = log.path();
  }).join();
  EXPECT_NE(theirs, mine.path());
  EXPECT_EQ(linesOf(testsupport::readFile(theirs)).size(), kHeaderLines + 1);
}

TEST_F(ControllerLogTest, AFolderThatCannotBeMadeLosesTheLinesQuietly) {
  testsupport::writeFile(env.configHome() + "/Quornel Limited", "a file in the way");
  ControllerLog log;
  log.write(3, "A::b", "lost");
  EXPECT_FALSE(fs::exists(log.path()));
}

TEST_F(ControllerLogTest, FaultReportsNameTheFaultAndTellWhetherTheGuardHandlesIt) {
  int local = 0;
  struct Case {
    uint32_t code;
    uintptr_t firstParameter;
    bool handled;
    const char* explanation;
  };
  const Case cases[] = {
      {kAccessViolation, 1,  true,
       "The thread tried to read from or write to a virtual address for which it does not have "
       "the appropriate access."},
      {kStackOverflow, 0, true, "The thread used up its stack."},
      {0xC0000094, 0, false, nullptr},  // division by zero: not the guard's to handle
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    FaultRecord record{c.code, &local, 2, c.firstParameter};
    EXPECT_EQ(reportFault(c.code, record, "CVantrixController::Write"), c.handled);
  }
  ControllerLog log;
  auto lines = logLines(log);
  ASSERT_EQ(lines.size(), kHeaderLines + 5);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 0], m, kLine));
  EXPECT_EQ(m[3], "CVantrixController::Write");
  EXPECT_NE(m[4].str().find("0xC0000005"), std::string::npos) << m[4];
  EXPECT_NE(m[4].str().find("(write)"), std::string::npos) << m[4];
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 1], m, kLine));
  EXPECT_EQ(m[4], cases[0].explanation);
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 2], m, kLine));
  EXPECT_NE(m[4].str().find("0xC00000FD"), std::string::npos);
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 3], m, kLine));
  EXPECT_EQ(m[4], cases[1].explanation);
  ASSERT_TRUE(std::regex_match(lines[kHeaderLines + 4], m, kLine));
  EXPECT_NE(m[4].str().find("0xC0000094"), std::string::npos);
}

}  // namespace
