#include <gtest/gtest.h>

#include <vector>

#include "report_ring.h"

namespace {

std::vector<uint8_t> reportNumbered(int number, size_t length = 8) {
  std::vector<uint8_t> report(length, 0);
  report[0] = static_cast<uint8_t>(number);
  report[1] = static_cast<uint8_t>(number >> 8);
  return report;
}

int numberOf(const ReportRing::Slot& slot) { return slot[0] | slot[1] << 8; }

TEST(ReportRingTest, AFullRingKeepsTheNewestReportsOldestFirst) {
  ReportRing ring;
  for (int n = 1; n <= 130; ++n) ring.put(reportNumbered(n).data(), 8);
  EXPECT_EQ(ring.count(), 128u);
  ReportRing::Slot slot;
  for (int expected = 3; expected <= 130; ++expected) {
    ASSERT_TRUE(ring.takeOldest(slot));
    EXPECT_EQ(numberOf(slot), expected);
  }
  EXPECT_FALSE(ring.takeOldest(slot));
  // Emptied, it starts over.
  ring.put(reportNumbered(7).data(), 8);
  ASSERT_TRUE(ring.takeOldest(slot));
  EXPECT_EQ(numberOf(slot), 7);
}

TEST(ReportRingTest, PutsAndTakesInterleaveAcrossTheWrap) {
  ReportRing ring;
  int next = 1, expected = 1;
  ReportRing::Slot slot;
  for (int round = 0; round < 100; ++round) {
    for (int i = 0; i < 3; ++i) ring.put(reportNumbered(next++).data(), 8);
    for (int i = 0; i < 2; ++i) {
      ASSERT_TRUE(ring.takeOldest(slot));
      EXPECT_EQ(numberOf(slot), expected++);
    }
  }
  EXPECT_EQ(ring.count(), 100u);
}

TEST(ReportRingTest, ReportsAreCutOrPaddedToTheSlot) {
  ReportRing ring;
  std::vector<uint8_t> longReport(100, 0xAB);
  ring.put(longReport.data(), longReport.size());
  ring.put(reportNumbered(5, 2).data(), 2);
  ReportRing::Slot slot;
  ASSERT_TRUE(ring.takeOldest(slot));
  EXPECT_EQ(slot[63], 0xAB);
  ASSERT_TRUE(ring.takeOldest(slot));
  EXPECT_EQ(numberOf(slot), 5);
  EXPECT_EQ(slot[2], 0);  // nothing of the earlier report is left
}

}  // namespace
