#include <hex_text.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace {

struct HexCase {
  std::string_view text;
  std::uint32_t expected;
};

class HexTextToIntTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexTextToIntTest, ReadsHexDigitsUpToTheFirstOtherCharacter) {
  EXPECT_EQ(hexTextToInt(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexTextToIntTest,
    ::testing::Values(HexCase{"0x1A", 0x1A}, HexCase{"0X1a", 0x1A}, HexCase{"12G4", 0x12},
                      HexCase{"", 0}, HexCase{"G12", 0}, HexCase{"0x", 0}, HexCase{"0", 0},
                      HexCase{"1200", 0x1200}, HexCase{"7777", 0x7777},
                      HexCase{"12345000", 0x12345000}, HexCase{"03500000", 0x03500000},
                      HexCase{"ffffffff", 0xFFFFFFFFu},
                      // A ninth digit shifts the first one out rather than overflowing.
                      HexCase{"123456789", 0x23456789}, HexCase{" 12", 0}));

}  // namespace
