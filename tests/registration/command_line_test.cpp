// What either program's command line asks for.
#include <gtest/gtest.h>
#include <platform/user_notice.h>
#include <registration/command_line.h>

#include <vector>

namespace {

using registration::CommandLine;

TEST(CommandLineTest, OnlyTheWholeSwitchInAnyLetterCaseCounts) {
  struct Case {
    const char* text;
    CommandLine meaning;
  } cases[] = {
      {"", CommandLine::Run},
      {"/RegisterFSx", CommandLine::Register},
      {"/registerfsx", CommandLine::Register},
      {"/REGISTERFSX", CommandLine::Register},
      {"/UnregisterFSx", CommandLine::Unregister},
      {"/uNrEgIsTeRfSx", CommandLine::Unregister},
      {"/RegisterFSx now", CommandLine::Run},
      {"/RegisterFS", CommandLine::Run},
      {"/", CommandLine::Run},
      {"/verbose", CommandLine::Run},
      {"RegisterFSx", CommandLine::Invalid},
      {" /RegisterFSx", CommandLine::Invalid},
      {"config.xml", CommandLine::Invalid},
  };
  for (const auto& c : cases)
    EXPECT_EQ(registration::classifyCommandLine(c.text), c.meaning) << '"' << c.text << '"';
}

TEST(CommandLineTest, TheArgumentsAfterTheProgramAreJoinedByBlanks) {
  char program[] = "squarix", first[] = "/RegisterFSx", second[] = "now";
  char* argv[] = {program, first, second, nullptr};
  EXPECT_EQ(registration::argumentTextOf(1, argv), "");
  EXPECT_EQ(registration::argumentTextOf(2, argv), "/RegisterFSx");
  EXPECT_EQ(registration::argumentTextOf(3, argv), "/RegisterFSx now");
}

TEST(CommandLineTest, SwitchesDoTheirWorkAndAnInvalidArgumentIsShown) {
  std::vector<std::string> done;
  bool succeeds = true;
  registration::LaunchEntryActions actions{[&] {
                                             done.push_back("register");
                                             return succeeds;
                                           },
                                           [&] {
                                             done.push_back("unregister");
                                             return succeeds;
                                           }};
  std::vector<std::string> boxes;
  platform::setNoticeSink([&](platform::NoticeKind kind, const std::string& caption,
                              const std::string& text) {
    if (kind == platform::NoticeKind::MessageBox) boxes.push_back(caption + ": " + text);
  });
  EXPECT_EQ(registration::handleCommandLine("/registerFSX", "Squarix", actions), 0);
  EXPECT_EQ(registration::handleCommandLine("/UnregisterFSx", "Squarix", actions), 0);
  EXPECT_EQ(registration::handleCommandLine("/other", "Squarix", actions), std::nullopt);
  EXPECT_EQ(registration::handleCommandLine("", "Squarix", actions), std::nullopt);
  EXPECT_EQ(registration::handleCommandLine("x", "Squarix", actions), -1);
  // Work that could not be done in full ends with its own exit code.
  succeeds = false;
  EXPECT_EQ(registration::handleCommandLine("/RegisterFSx", "Squarix", actions), 2);
  EXPECT_EQ(registration::handleCommandLine("/UnregisterFSx", "Squarix", actions), 2);
  platform::setNoticeSink({});
  EXPECT_EQ(done, (std::vector<std::string>{"register", "unregister", "register", "unregister"}));
  EXPECT_EQ(boxes, std::vector<std::string>{"Squarix: Invalid argument detected."});
}

}  // namespace
