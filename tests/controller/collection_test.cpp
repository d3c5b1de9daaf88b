#include <controller/vantrix_controllers.h>

#include "board_fixture.h"

namespace controller_test {
namespace {

using lab::BoardSetup;

class CollectionTest : public BoardTest {
 protected:
  void TearDown() override {
    controllers.Close();
    BoardTest::TearDown();
  }
  static std::vector<std::string> serialsOf(const std::map<std::string, CVantrixController*>& map) {
    std::vector<std::string> serials;
    for (const auto& [serial, controller] : map) serials.push_back(serial);
    return serials;
  }
  CVantrixControllers controllers;
};

TEST_F(CollectionTest, OpenFindsTheBoardsOnceUntilClosed) {
  EXPECT_FALSE(controllers.Open());
  EXPECT_FALSE(controllers.IsOpen());

  ASSERT_TRUE(rack.plug(BoardSetup::panel("00000001", 0x34, 0x01, 2)));
  ASSERT_TRUE(controllers.Open());
  EXPECT_TRUE(controllers.IsOpen());
  EXPECT_EQ(controllers.Keys(), (std::vector<std::string>{"03E8-00000001"}));
  auto first = controllers.SelectByModel({"3401"});

  // A second Open neither enumerates nor makes new controllers.
  ASSERT_TRUE(rack.plug(BoardSetup::panel("00000002", 0x34, 0x01, 2)));
  EXPECT_TRUE(controllers.Open());
  EXPECT_EQ(controllers.DeviceCount(), 1u);
  EXPECT_EQ(controllers.SelectByModel({"3401"}), first);

  controllers.Close();
  EXPECT_FALSE(controllers.IsOpen());
  EXPECT_TRUE(controllers.Keys().empty());
  ASSERT_TRUE(controllers.Open());
  EXPECT_EQ(controllers.Keys(), (std::vector<std::string>{"03E8-00000001", "03E8-00000002"}));
}

TEST_F(CollectionTest, SelectByModelPicksTheBoardsOfTheModels) {
  ASSERT_TRUE(rack.plug(BoardSetup::panel("0000A001", 0x34, 0x01, 2)));
  ASSERT_TRUE(rack.plug(BoardSetup::panel("0000A002", 0x34, 0x01, 3)));
  ASSERT_TRUE(rack.plug(BoardSetup::panel("0000A003", 0x34, 0x02, 2)));
  ASSERT_TRUE(rack.plug(BoardSetup::panel("0000A004", 0x01, 0x34, 2)));
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000A005")));
  BoardSetup nameless = BoardSetup::panel("0000A006", 0x34, 0x02, 2);
  nameless.serialEqualsIndexedString0 = true;
  nameless.productId = 0x03EA;
  ASSERT_TRUE(rack.plug(nameless));
  ASSERT_TRUE(controllers.Open());
  EXPECT_EQ(controllers.DeviceCount(), 6u);

  EXPECT_TRUE(controllers.SelectByModel({}).empty());
  EXPECT_EQ(serialsOf(controllers.SelectByModel({"3401"})),
            (std::vector<std::string>{"0000A001", "0000A002"}));
  // The board without a serial of its own is listed under the empty text.
  EXPECT_EQ(serialsOf(controllers.SelectByModel({"3402", "3401"})),
            (std::vector<std::string>{"", "0000A001", "0000A002", "0000A003"}));
  EXPECT_EQ(serialsOf(controllers.SelectByModel({"FFFF"})), (std::vector<std::string>{"0000A005"}));
  auto keys = controllers.Keys();
  EXPECT_NE(std::find(keys.begin(), keys.end(), "03EA-"), keys.end());
  auto selected = controllers.SelectByModel({"3402"});
  EXPECT_EQ(selected[""]->GetProductId(), 0x03EA);
}

}  // namespace
}  // namespace controller_test
