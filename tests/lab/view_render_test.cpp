// The view's drawing: what a person sees of boards in a terminal of a size.
#include <gtest/gtest.h>

#include "view/segment_glyph.h"
#include "view/view_loop.h"
#include "view/view_render.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using lab::view::BoardState;
using lab::view::renderView;
using lab::view::ViewState;

// The patterns the board firmware lights for characters.
const std::map<char, uint8_t> kPatterns = {
    {'0', 0x3F}, {'1', 0x06}, {'2', 0x5B}, {'5', 0x6D}, {'8', 0x7F}, {' ', 0x00}};

// Puts text on positions from `first` on; a '.' lights the point of the digit before.
void show(BoardState& board, int first, const std::string& text) {
  int position = first - 1;
  for (char c : text) {
    if (c == '.') board.segments[static_cast<size_t>(position - 1)] |= 0x80;
    else board.segments[static_cast<size_t>(position++)] = kPatterns.at(c);
  }
}

BoardState radioPanel(std::string serial = "00001001", int variant = 1) {
  BoardState board;
  board.serial = std::move(serial);
  board.model = "3401";
  board.variant = variant;
  board.ports = {0xFF, 0xFF, 0xFF, 0xFF};
  return board;
}

BoardState transponderPanel(std::string serial = "00001002", int variant = 2) {
  BoardState board = radioPanel(std::move(serial), variant);
  board.model = "3402";
  return board;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// The row where a text first appears, or -1.
int rowOf(const std::vector<std::string>& lines, const std::string& text) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  return -1;
}

TEST(ViewGlyph, DrawsTheLitSegmentsWhateverThePattern) {
  struct Case {
    uint8_t segments;
    std::array<std::string, 3> rows;
  };
  const Case cases[] = {
      {0x00, {"    ", "    ", "    "}},
      {0x3F, {" _  ", "| | ", "|_| "}},   // 0
      {0x06, {"    ", "  | ", "  | "}},   // 1
      {0xFF, {" _  ", "|_| ", "|_|."}},   // 8. (the panel light)
      {0x80, {"    ", "    ", "   ."}},   // the point alone
      {0x49, {" _  ", " _  ", " _  "}},   // a, d, g: no character
      {0x30, {"    ", "|   ", "|   "}},   // e, f: no character
  };
  for (const Case& c : cases)
    EXPECT_EQ(lab::view::segmentGlyph(c.segments), c.rows) << int{c.segments};
}

TEST(ViewRender, RadioPanelShowsItsFrequenciesAsSevenSegmentDigits) {
  ViewState state;
  state.labRunning = true;
  BoardState radio = radioPanel();
  show(radio, 1, "118.000121.500");
  state.boards = {radio};
  auto lines = renderView(state, 100, 30);
  // 118.000 and 121.500 side by side, one blank column between.
  const std::string top = "         _   _   _   _        _       _   _   _  ";
  const std::string middle = "  |   | |_| | | | | | |    |  _|   | |_  | | | | ";
  const std::string bottom = "  |   | |_|.|_| |_| |_|    | |_    |. _| |_| |_| ";
  int row = rowOf(lines, middle);
  ASSERT_GT(row, 0) << joined(lines);
  EXPECT_NE(lines[static_cast<size_t>(row - 1)].find(top), std::string::npos) << joined(lines);
  EXPECT_NE(lines[static_cast<size_t>(row + 1)].find(bottom), std::string::npos) << joined(lines);
}

TEST(ViewRender, IndicatorsComeFromLedsOrPortsByVariant) {
  struct Case {
    const char* name;
    BoardState board;
    const char* expected;
  };
  BoardState radioAdf = radioPanel("R1", 1);
  radioAdf.litLeds = {100};
  BoardState radioPorts = radioPanel("R2", 2);
  radioPorts.ports[1] = 0x04;
  BoardState transponderLed = transponderPanel("T1", 1);
  transponderLed.litLeds = {3};
  BoardState transponderPort = transponderPanel("T2", 2);
  transponderPort.ports[1] = 8;
  BoardState transponderDark = transponderPanel("T3", 2);
  transponderDark.ports[1] = 0;
  BoardState transponderOtherLed = transponderPanel("T4", 1);
  transponderOtherLed.litLeds = {5};
  BoardState pressed = radioPanel("R3", 1);
  pressed.pressedKeys = {3, 12};
  const Case cases[] = {
      {"radio LED 100", radioAdf, " COM1  COM2 [ADF] NAV1  NAV2  XPNDR"},
      {"radio port 1", radioPorts, "channel code (port 1) 04"},
      {"transponder LED 3", transponderLed, "indicator (*) lit"},
      {"transponder port 1 = 8", transponderPort, "indicator (*) lit"},
      {"transponder port 1 = 0", transponderDark, "indicator ( ) dark"},
      {"transponder LED 5", transponderOtherLed, "indicator ( ) dark"},
      {"pressed keys", pressed, "keys 3 12"},
  };
  for (const Case& c : cases) {
    std::string box = joined(lab::view::renderBoard(c.board, false));
    EXPECT_NE(box.find(c.expected), std::string::npos) << c.name << "\n" << box;
  }
}

TEST(ViewRender, EveryFrameFillsTheTerminalExactly) {
  ViewState state;
  state.labRunning = true;
  state.boards = {radioPanel(), transponderPanel()};
  state.texts = std::vector<std::string>(40, "Squarix PRINT_WHITE: a long text");
  for (auto [width, height] : {std::pair{200, 60}, {100, 30}, {56, 16}, {57, 17}, {55, 40},
                               {200, 15}, {20, 5}, {1, 1}}) {
    auto lines = renderView(state, width, height);
    ASSERT_EQ(lines.size(), static_cast<size_t>(height)) << width << "x" << height;
    for (const std::string& line : lines) {
      EXPECT_EQ(line.size(), static_cast<size_t>(width)) << width << "x" << height;
      EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    }
    bool tooSmall = width < lab::view::kMinWidth || height < lab::view::kMinHeight;
    const std::string notice = std::string("terminal too small").substr(0, static_cast<size_t>(width));
    EXPECT_EQ(lines[0].rfind(notice, 0) == 0, tooSmall) << width << "x" << height;
    // The key help stays on the last line whatever is cut above it.
    if (!tooSmall) {
      EXPECT_NE(lines.back().find("q quit"), std::string::npos);
    }
  }
  EXPECT_TRUE(renderView(state, 0, 0).empty());
}

TEST(ViewRender, BoardsWrapToTheNextRowWhenNarrow) {
  ViewState state;
  state.labRunning = true;
  state.boards = {radioPanel(), transponderPanel()};
  auto wide = renderView(state, 160, 40);
  EXPECT_EQ(rowOf(wide, "radio panel 00001001"), rowOf(wide, "transponder 00001002"))
      << joined(wide);
  auto narrow = renderView(state, 70, 40);
  EXPECT_GT(rowOf(narrow, "transponder 00001002"), rowOf(narrow, "radio panel 00001001") + 5)
      << joined(narrow);
}

TEST(ViewRender, FollowsBoardsComingAndGoing) {
  ViewState state;
  state.labRunning = true;
  state.boards = {radioPanel()};
  std::string selected = lab::view::selectBoard(state, "", 0);
  EXPECT_EQ(selected, "00001001");

  state.boards.push_back(transponderPanel());
  selected = lab::view::selectBoard(state, selected, 1);
  EXPECT_EQ(selected, "00001002");
  state.selectedSerial = selected;
  auto both = renderView(state, 160, 40);
  EXPECT_GE(rowOf(both, "> transponder 00001002"), 0) << joined(both);
  EXPECT_GE(rowOf(both, "  radio panel 00001001"), 0) << joined(both);
  EXPECT_GE(rowOf(both, "transponder: 0-7 digits"), 0) << joined(both);

  state.boards.erase(state.boards.begin() + 1);  // the selected one is unplugged
  selected = lab::view::selectBoard(state, selected, 0);
  EXPECT_EQ(selected, "00001001");
  state.selectedSerial = selected;
  auto one = renderView(state, 160, 40);
  EXPECT_EQ(rowOf(one, "00001002"), -1) << joined(one);
  EXPECT_GE(rowOf(one, "radio: 1-6"), 0) << joined(one);

  state.boards.clear();
  EXPECT_EQ(lab::view::selectBoard(state, selected, 1), "");
  EXPECT_GE(rowOf(renderView(state, 160, 40), "no boards plugged"), 0);

  ViewState gone;  // the lab went away
  EXPECT_GE(rowOf(renderView(gone, 160, 40), "lab not running"), 0);
}

TEST(ViewRender, ShowsTheSimulatorAndLaterSections) {
  ViewState state;
  state.labRunning = true;
  state.radios = lab::view::SimRadios{{122800, 118000}, {124850, 121500}, {110500, 113900},
                                      {114700, 108000}, {350, 1234.5}, {410, 275},
                                      "7700", false, true, true};
  state.texts = {"Squarix PRINT_WHITE: hello"};
  state.extraSections = {{"fsuipc writes", {"0x0350 = 1234"}}};
  std::string all = joined(renderView(state, 160, 40));
  for (const char* expected :
       {"COM1 122.800/118.000", "COM2 124.850/121.500", "NAV1 110.50/113.90", "ADF1 350.0/1234.5",
        "XPNDR 7700 (not available)", "avionics on", "panel light on",
        "Squarix PRINT_WHITE: hello", "fsuipc writes", "0x0350 = 1234"})
    EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
}

}  // namespace
