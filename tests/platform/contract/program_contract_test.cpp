#include <platform/named_event.h>
#include <platform/version_info.h>

#include <cstring>

#include "contract_fixture.h"

namespace platform_contract {
namespace {

class ProgramContract : public ContractTest {};

TEST_F(ProgramContract, ProgramReadsTheVersionOfItsOwnFile) {
  auto helper = startHelper({"file-version"});
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  EXPECT_NE(helper->output().find(EXPECTED_FILE_VERSION), std::string::npos) << helper->output();
}

TEST_F(ProgramContract, VersionBlockOfAProgramFileHoldsItsTables) {
  auto block = platform::readVersionResource(PLATFORM_TEST_HELPER);
  ASSERT_TRUE(block);
  auto fixed = platform::queryVersionValue(*block, "\\");
  ASSERT_TRUE(fixed);
  ASSERT_EQ(fixed->size(), 52u);
  uint32_t signature = 0;
  std::memcpy(&signature, fixed->data(), 4);
  EXPECT_EQ(signature, 0xFEEF04BDu);
  auto translation = platform::queryVersionValue(*block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  EXPECT_EQ(*translation, (std::vector<uint8_t>{0x09, 0x04, 0xb0, 0x04}));
  auto company = platform::queryVersionValue(*block, "\\StringFileInfo\\040904b0\\CompanyName");
  ASSERT_TRUE(company);
  EXPECT_EQ(std::string(company->begin(), company->end()), "Quornel Limited");
  EXPECT_FALSE(platform::queryVersionValue(*block, "\\StringFileInfo\\040904b0\\NoSuchName"));
}

TEST_F(ProgramContract, FileWithoutAVersionHasNone) {
  writeWholeFile(path("plain.txt"), "no version here");
  EXPECT_FALSE(platform::readVersionResource(path("plain.txt")));
  EXPECT_FALSE(platform::readVersionResource(path("missing.exe")));
}

TEST_F(ProgramContract, StopRequestReachesTheProgramsWatcher) {
  const std::string goName = uniqueName("go");
  auto go = platform::NamedEvent::createOrOpen(goName, true, false);
  ASSERT_NE(go, nullptr);
  auto helper = startHelper({"watch-stop", "event-create " + goName + " 1 0",
                             "event-wait " + goName + " 120000"});
  ASSERT_NE(helper, nullptr);
  ASSERT_TRUE(helper->waitForOutput("created existed=1", kLongWait)) << helper->output();
  helper->requestStop();
  EXPECT_TRUE(helper->waitForOutput("stop 1 requested=1", kLongWait)) << helper->output();
  go->set();
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
}

}  // namespace
}  // namespace platform_contract
