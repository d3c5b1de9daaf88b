#include <controller/key_scan.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Report = std::array<uint8_t, 8>;
using Calls = std::vector<std::pair<int, int>>;
using Taken = KeyScanAssembler::Taken;

// The firmware's set of reports for the pressed keys.
std::vector<Report> scanOf(const std::vector<int>& pressed, KeyMatrixMode mode) {
  std::vector<Report> reports(mode == kKeyMatrix128 ? 4 : 2, Report{});
  for (size_t group = 0; group < reports.size(); ++group)
    reports[group][0] = static_cast<uint8_t>(kKeys1To32 + group);
  for (int key : pressed) {
    int index = key - 1;
    if (static_cast<size_t>(index / 32) < reports.size())
      reports[index / 32][1 + (index % 32) / 8] |= 1u << (index % 8);
  }
  return reports;
}

// How many reports the assembler took until the scan was complete; 0: never.
int reportsToComplete(KeyScanAssembler& assembler, const std::vector<Report>& reports) {
  for (size_t i = 0; i < reports.size(); ++i)
    if (assembler.take(reports[i].data()) == Taken::LastOfSet) return static_cast<int>(i + 1);
  return 0;
}

Calls reportedKeys(const KeyWords& before, const KeyWords& now, KeyMatrixMode mode, bool all,
                   int stopAtKey = -1) {
  Calls calls;
  reportKeyChanges(before, now, mode, all, [&](int key, int state) {
    calls.emplace_back(key, state);
    return key != stopAtKey;
  });
  return calls;
}

TEST(KeyScanTest, AScanIsCompleteWithTheLastReportOfTheModesSet) {
  KeyScanAssembler keys64(kKeyMatrix64);
  EXPECT_EQ(reportsToComplete(keys64, scanOf({3, 40}, kKeyMatrix64)), 2);
  EXPECT_EQ(keys64.words()[0], 0x0004);  // key 3
  EXPECT_EQ(keys64.words()[4], 0x0080);  // key 40

  KeyScanAssembler keys128(kKeyMatrix128);
  EXPECT_EQ(reportsToComplete(keys128, scanOf({1, 100, 128}, kKeyMatrix128)), 4);
  EXPECT_EQ(keys128.words()[0], 0x0001);
  EXPECT_EQ(keys128.words()[4], 0x0800);  // key 100: bit 3 of the high byte of word 4
  EXPECT_EQ(keys128.words()[7], 0x8000);  // key 128
}

// Each report brings its keys as it comes, so a change of keys 1-32 need
// not wait for the rest of the set.
TEST(KeyScanTest, EachReportBringsTheKeysItCoversAtOnce) {
  KeyScanAssembler assembler(kKeyMatrix64);
  auto withKeys = scanOf({3, 40}, kKeyMatrix64);
  EXPECT_EQ(assembler.take(withKeys[0].data()), Taken::Part);
  EXPECT_EQ(assembler.words()[0], 0x0004);  // key 3
  EXPECT_EQ(assembler.words()[4], 0x0000);
  EXPECT_EQ(assembler.take(withKeys[1].data()), Taken::LastOfSet);
  EXPECT_EQ(assembler.words()[4], 0x0080);  // key 40
  // A report of keys 33-64 alone changes only those.
  auto released = scanOf({3}, kKeyMatrix64);
  EXPECT_EQ(assembler.take(released[1].data()), Taken::LastOfSet);
  EXPECT_EQ(assembler.words()[0], 0x0004);
  EXPECT_EQ(assembler.words()[4], 0x0000);
}

TEST(KeyScanTest, AModeReportMidScanDropsTheHighBytesOfThatScan) {
  KeyScanAssembler assembler(kKeyMatrix128);
  auto withKey100 = scanOf({100}, kKeyMatrix128);
  Report modeEcho{kKeyModeReport, 2};
  EXPECT_EQ(assembler.take(withKey100[0].data()), Taken::Part);
  EXPECT_EQ(assembler.take(modeEcho.data()), Taken::Nothing);
  EXPECT_EQ(assembler.take(withKey100[2].data()), Taken::Nothing);  // high bytes: ignored
  EXPECT_EQ(reportsToComplete(assembler, {withKey100[1], withKey100[3]}), 2);
  EXPECT_EQ(assembler.words()[4], 0);
  // The next scan is whole again.
  EXPECT_EQ(reportsToComplete(assembler, withKey100), 4);
  EXPECT_EQ(assembler.words()[4], 0x0800);
}

TEST(KeyScanTest, AFullReportGivesEveryKeyAndTheEndMarker) {
  KeyWords none{}, some{};
  some[0] = 0x0005;  // keys 1 and 3
  Calls calls = reportedKeys(none, some, kKeyMatrix64, true);
  ASSERT_EQ(calls.size(), 65u);
  EXPECT_EQ(calls[0], std::make_pair(1, 1));
  EXPECT_EQ(calls[1], std::make_pair(2, 0));
  EXPECT_EQ(calls[2], std::make_pair(3, 1));
  EXPECT_EQ(calls[63], std::make_pair(64, 0));
  EXPECT_EQ(calls[64], std::make_pair(0, 0));
  EXPECT_EQ(reportedKeys(none, some, kKeyMatrix128, true).size(), 129u);
}

TEST(KeyScanTest, ACallbackThatStopsGetsNoMoreKeysButTheEndMarker) {
  KeyWords none{};
  bool goOn = reportKeyChanges(none, none, kKeyMatrix64, true, [](int key, int) { return key != 5; });
  EXPECT_FALSE(goOn);
  Calls calls = reportedKeys(none, none, kKeyMatrix64, true, 5);
  EXPECT_EQ(calls, (Calls{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {0, 0}}));
}

TEST(KeyScanTest, LaterScansReportOnlyChangedKeysOfTheMode) {
  KeyWords before{}, after{};
  after[4] = 0x0880;  // key 40, and key 100 in the high byte
  EXPECT_EQ(reportedKeys(before, after, kKeyMatrix64, false), (Calls{{40, 1}}));
  EXPECT_EQ(reportedKeys(before, after, kKeyMatrix128, false), (Calls{{40, 1}, {100, 1}}));
  EXPECT_EQ(reportedKeys(after, before, kKeyMatrix128, false), (Calls{{40, 0}, {100, 0}}));
  EXPECT_TRUE(reportedKeys(after, after, kKeyMatrix128, false).empty());
  // Only the high byte changed: nothing to tell in the 64-key mode.
  KeyWords highOnly = before;
  highOnly[0] = 0x0100;
  EXPECT_TRUE(reportedKeys(before, highOnly, kKeyMatrix64, false).empty());
}

}  // namespace
