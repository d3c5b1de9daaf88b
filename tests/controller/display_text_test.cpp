#include <controller/display_text.h>
#include <controller/segment_font.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SegmentFontTest, ShapesOfDigitsLettersAndSigns) {
  const std::pair<char, uint8_t> shapes[] = {
      {'0', 63},  {'1', 6},   {'5', 109}, {'8', 127}, {'9', 103}, {'A', 119}, {'b', 124},
      {'H', 118}, {'r', 80},  {'-', 64},  {'_', 8},   {'.', 128}, {' ', 0},   {'!', 1},
      {'~', 0},   {'\xC4', 0}, {'\0', 0},
  };
  for (auto [character, pattern] : shapes)
    EXPECT_EQ(SegmentFont(character), pattern) << "character " << int(character);
}

TEST(DisplayTextTest, PreparesTheTextForTheDigitsAskedFor) {
  struct Case {
    const char* text;
    int count, alignment;
    char pad;
    const char* shown;
  };
  const Case cases[] = {
      {"123.45", 6, 1, ' ', " 123.45"},   // right-aligned, the dot takes no digit
      {"123.45", 6, 0, '-', "123.45-"},
      {"1234567", 5, 0, ' ', "12345"},     // too long: cut from the right
      {"1234567", 5, 1, ' ', "34567"},     // or from the left
      {"118.000", -1, 0, ' ', "118.000"},  // as many digits as the text has
      {"8..", -1, 0, ' ', "8.."},
      {"12", 4, 2, ' ', ""},               // no such alignment
      {"12", -2, 0, ' ', ""},
      {"", 3, 1, '0', "000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(prepareDisplayText(c.text, c.count, c.alignment, c.pad), c.shown)
        << c.text << " count " << c.count << " alignment " << c.alignment;
}

// The segment pattern each position shows after painting all eight rows.
std::vector<uint8_t> paint(const std::string& shown, int firstPosition, int positions) {
  std::array<std::array<uint8_t, 4>, 8> rows{};
  for (int row = 0; row < 8; ++row) paintDisplayRow(rows[row], row, shown, firstPosition);
  std::vector<uint8_t> patterns;
  for (int column = 0; column < positions; ++column) {
    uint8_t pattern = 0;
    for (int row = 0; row < 8; ++row)
      if (rows[row][column / 8] & (1u << (column % 8))) pattern |= 1u << row;
    patterns.push_back(pattern);
  }
  return patterns;
}

TEST(DisplayTextTest, ADotLightsThePointOfTheDigitBeforeIt) {
  EXPECT_EQ(paint(" 123.45", 1, 7), (std::vector<uint8_t>{0, 6, 91, 79 | 128, 102, 109, 0}));
  // A leading dot is a digit with its point alone; so is a second dot.
  EXPECT_EQ(paint(".5", 1, 2), (std::vector<uint8_t>{128, 109}));
  EXPECT_EQ(paint("8..", 1, 3), (std::vector<uint8_t>{127 | 128, 128, 0}));
  EXPECT_EQ(paint("..", 1, 2), (std::vector<uint8_t>{128, 0}));
}

TEST(DisplayTextTest, PositionsOutsideTheMatrixAreLeftOut) {
  EXPECT_EQ(paint("12", 32, 32).back(), 6);  // position 32 is the last column
  EXPECT_EQ(paint("12", 0, 2), (std::vector<uint8_t>{91, 0}));  // position 0 does not exist
  // Other columns of a row keep their bits.
  std::array<uint8_t, 4> row = {0xFF, 0xFF, 0xFF, 0x00};
  paintDisplayRow(row, 0, "  ", 9);
  EXPECT_EQ(row, (std::array<uint8_t, 4>{0xFF, 0xFC, 0xFF, 0x00}));
}

}  // namespace
