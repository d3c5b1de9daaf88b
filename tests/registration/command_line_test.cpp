// What either program's command line asks for.
#include <gtest/gtest.h>
#include <registration/command_line.h>

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

}  // namespace
