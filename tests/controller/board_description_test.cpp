#include <controller/board_description.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// A reading of a programmed board with the given model and variant, no ranges.
BoardMemoryReading boardOf(uint8_t high, uint8_t low, uint8_t variant = 2) {
  BoardMemoryReading reading;
  reading.modelHigh = high;
  reading.modelLow = low;
  reading.variant = variant;
  reading.date[0] = 17;
  reading.date[1] = 6;
  reading.date[2] = 23;
  return reading;
}

TEST(BoardDescriptionTest, ABlankMemoryDescribesNoBoard) {
  const uint8_t blankFeatures[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  BoardMemoryReading reading;  // model 0xFF, 0xFF
  reading.featureWord = featureWordOf(blankFeatures, 0xFF, 0xFF);
  EXPECT_EQ(reading.featureWord, 0u);
  for (int range = 1; range <= 4; ++range) EXPECT_FALSE(rangeIsPresent(reading.featureWord, range));
  reading.variant = 0xFF;
  reading.date[0] = reading.date[1] = reading.date[2] = 0xFF;

  ControllerInfo info = describeBoard(reading, "00001234");
  EXPECT_STREQ(info.modelText, "FFFF");
  EXPECT_EQ(info.featureWord, 0u);
  EXPECT_EQ(info.variantNumber, 255u);
  EXPECT_STREQ(info.dateText, "");
  for (const auto& range : info.ranges) EXPECT_EQ(range.count + range.first + range.last, 0u);
  // A programmed model keeps an all-ones feature word.
  EXPECT_EQ(featureWordOf(blankFeatures, 0x34, 0x01), 0xFFFFFFFFu);
}

TEST(BoardDescriptionTest, FeatureBitsTellWhichRangesAreStored) {
  const std::pair<int, uint32_t> bits[] = {{1, 1u << 8}, {2, 1u << 0}, {3, 1u << 10}, {4, 1u << 13}};
  for (auto [range, bit] : bits) {
    EXPECT_TRUE(rangeIsPresent(bit, range)) << range;
    EXPECT_FALSE(rangeIsPresent(~bit, range)) << range;
  }
  const uint8_t bytes[4] = {0x01, 0x05, 0x03, 0x80};
  EXPECT_EQ(featureWordOf(bytes, 0x34, 0x01), 0x80030501u);
}

TEST(BoardDescriptionTest, RangesAndTheirCounts) {
  struct Case {
    int range;
    uint8_t first, last;
    uint32_t storedLast, count;
  };
  const Case cases[] = {
      {1, 1, 0xFF, 256, 256},  // range 1 from 1 without an end runs to 256
      {1, 1, 0, 256, 256},
      {1, 5, 0, 256, 252},
      {1, 0, 0, 0, 0},
      {1, 3, 9, 9, 7},
      {2, 6, 0, 0, 0},         // ranges 1-3 count by their last
      {3, 11, 15, 15, 5},
      {4, 0, 7, 7, 0},         // range 4 counts by its first
      {4, 3, 7, 7, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "range " << c.range << " " << int(c.first) << "-" << int(c.last));
    BoardMemoryReading reading = boardOf(0x34, 0x01);
    reading.ranges[c.range - 1] = {c.first, c.last};
    const auto& range = describeBoard(reading, "00001234").ranges[c.range - 1];
    EXPECT_EQ(range.first, c.first);
    EXPECT_EQ(range.last, c.storedLast);
    EXPECT_EQ(range.count, c.count);
  }
}

TEST(BoardDescriptionTest, KnownBoardsAreCorrected) {
  BoardMemoryReading early = boardOf(0x33, 0x0A, 4);
  early.ranges[3] = {3, 9};
  const auto& range4 = describeBoard(early, "00001234").ranges[3];
  EXPECT_EQ(range4.first, 15u);
  EXPECT_EQ(range4.last, 16u);
  EXPECT_EQ(range4.count, 2u);
  BoardMemoryReading later = boardOf(0x33, 0x0A, 5);
  later.ranges[3] = {3, 9};
  EXPECT_EQ(describeBoard(later, "00001234").ranges[3].count, 7u);

  EXPECT_EQ(describeBoard(boardOf(0x33, 0x1A), "00001234").featureWord, 0x30000u);

  for (const char* serial : {"0000082E", "0000082F"}) {
    SCOPED_TRACE(serial);
    ControllerInfo info = describeBoard(boardOf(0x4C, 0x5A, 7), serial);
    EXPECT_STREQ(info.modelText, "3305");
    EXPECT_EQ(info.featureWord, 0x501u);
    EXPECT_EQ(info.variantNumber, 2u);
    const uint32_t expected[4][3] = {{9, 41, 49}, {24, 1, 24}, {4, 2, 5}, {0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(info.ranges[i].count, expected[i][0]) << "range " << i + 1;
      EXPECT_EQ(info.ranges[i].first, expected[i][1]) << "range " << i + 1;
      EXPECT_EQ(info.ranges[i].last, expected[i][2]) << "range " << i + 1;
    }
    EXPECT_EQ(modelFromMemory(0x4C, 0x5A, serial), 0x3305);
  }
  EXPECT_STREQ(describeBoard(boardOf(0x4C, 0x5A), "00000830").modelText, "4C5A");
  EXPECT_EQ(modelFromMemory(0x4C, 0x5A, "00000830"), 0x4C5A);
  EXPECT_EQ(modelFromMemory(0xFF, 0x01, "00000830"), std::nullopt);
  EXPECT_EQ(modelFromMemory(0x34, 0xFF, "00000830"), std::nullopt);
}

TEST(BoardDescriptionTest, DateTexts) {
  struct Case {
    uint8_t high, low;
    uint8_t date[3];
    const char* text;
  };
  const Case cases[] = {
      {0x34, 0x01, {17, 6, 23}, "17/06/23"},
      {0x34, 0x01, {100, 100, 100}, ""},
      {0x34, 0x01, {5, 100, 255}, "05/100/2"},  // cut to the field, never past it
      {0x00, 0x01, {17, 6, 23}, ""},             // no model byte may be 0
      {0x34, 0x00, {17, 6, 23}, ""},
  };
  for (const Case& c : cases) {
    BoardMemoryReading reading = boardOf(c.high, c.low);
    std::copy(c.date, c.date + 3, reading.date);
    ControllerInfo info = describeBoard(reading, "00001234");
    EXPECT_STREQ(info.dateText, c.text);
    EXPECT_EQ(info.reserved2[0], 0);  // the field's neighbour is untouched
  }
}

}  // namespace
