#include <platform/user_notice.h>
#include <unistd.h>

#include <mutex>
#include <sstream>
#include <thread>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::NoticeKind;

struct Notice {
  NoticeKind kind;
  std::string caption, text;
  bool operator==(const Notice&) const = default;
};

// Sends stderr into a file for the life of the test, and collects the sink's
// notices.
class UserNoticeTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    fflush(stderr);
    savedStderr_ = dup(STDERR_FILENO);
    writeFile(path("stderr"), "");
    FILE* capture = fopen(path("stderr").c_str(), "a");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), STDERR_FILENO);
    fclose(capture);
    platform::setNoticeSink([this](NoticeKind kind, const std::string& caption, const std::string& text) {
      std::lock_guard<std::mutex> turn(noticesTurn_);
      notices_.push_back({kind, caption, text});
    });
  }
  void TearDown() override {
    platform::setNoticeSink({});
    dup2(savedStderr_, STDERR_FILENO);
    close(savedStderr_);
    PlatformTest::TearDown();
  }

  std::string stderrText() { return readFile(path("stderr")); }
  std::vector<Notice> notices() {
    std::lock_guard<std::mutex> turn(noticesTurn_);
    return notices_;
  }

 private:
  int savedStderr_ = -1;
  std::mutex noticesTurn_;
  std::vector<Notice> notices_;
};

TEST_F(UserNoticeTest, NoticesBecomeOneStderrLineEachAndReachTheSink) {
  platform::showMessageBox("Kestrix", "No controllers found.", platform::MessageIcon::Warning);
  platform::showMessageBox("Kestrix", "Two lines\nof text\n", platform::MessageIcon::Error);
  platform::debugOutput("Error opening output file\n");
  platform::debugOutput("no break");
  EXPECT_EQ(stderrText(),
            "Kestrix: No controllers found.\n"
            "Kestrix: Two lines\nof text\n"
            "debug: Error opening output file\n"
            "debug: no break\n");
  const std::vector<Notice> expected = {
      {NoticeKind::MessageBox, "Kestrix", "No controllers found."},
      {NoticeKind::MessageBox, "Kestrix", "Two lines\nof text\n"},
      {NoticeKind::DebugOutput, "", "Error opening output file\n"},
      {NoticeKind::DebugOutput, "", "no break"},
  };
  EXPECT_EQ(notices(), expected);
}

TEST_F(UserNoticeTest, AfterTheSinkIsRemovedOnlyStderrHearsOfNotices) {
  platform::setNoticeSink({});
  platform::debugOutput("unheard");
  EXPECT_TRUE(notices().empty());
  EXPECT_EQ(stderrText(), "debug: unheard\n");
}

TEST_F(UserNoticeTest, ASinkMaySendANoticeItself) {
  platform::setNoticeSink([](NoticeKind kind, const std::string&, const std::string& text) {
    if (kind == NoticeKind::MessageBox) platform::debugOutput("shown: " + text);
  });
  platform::showMessageBox("Kestrix", "hello", platform::MessageIcon::Information);
  EXPECT_EQ(stderrText(), "Kestrix: hello\ndebug: shown: hello\n");
}

TEST_F(UserNoticeTest, LinesOfConcurrentThreadsDoNotMix) {
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        platform::debugOutput("thread " + std::to_string(t) + " line " + std::to_string(i) +
                              std::string(100, 'x'));
    });
  for (auto& thread : threads) thread.join();
  std::istringstream lines(stderrText());
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count)
    EXPECT_TRUE(line.rfind("debug: thread ", 0) == 0 && line.size() > 100 &&
                line.find_first_not_of('x', line.size() - 100) == std::string::npos)
        << line;
  EXPECT_EQ(count, kThreads * kLines);
  EXPECT_EQ(notices().size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
}  // namespace platform_test
