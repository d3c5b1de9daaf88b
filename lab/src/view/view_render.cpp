// Boards are boxes laid out left to right, wrapping to the next row when the
// terminal is too narrow; below them the simulator, then later sections, then
// the key help, which stays on the last lines whatever is cut above it.
#include "view/view_render.h"

#include "view/segment_glyph.h"

#include <algorithm>
#include <cstdio>

namespace lab::view {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kRadioChannels[] = {"COM1", "COM2", "ADF", "NAV1", "NAV2", "XPNDR"};
constexpr int kRadioFirstChannelLed = 98;

std::string fit(std::string line, int width) {
  if (static_cast<int>(line.size()) > width) line.resize(static_cast<size_t>(width));
  line.resize(static_cast<size_t>(width), ' ');
  return line;
}

// Positions first..last as three rows of glyphs.
Lines digitRows(const BoardState& board, int first, int last) {
  Lines rows(3);
  for (int p = first; p <= last; ++p) {
    auto glyph = segmentGlyph(board.segments[static_cast<size_t>(p - 1)]);
    for (size_t r = 0; r < 3; ++r) rows[r] += glyph[r];
  }
  return rows;
}

std::string hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

std::string numberList(const std::vector<int>& numbers) {
  std::string out;
  for (int n : numbers) out += (out.empty() ? "" : " ") + std::to_string(n);
  return out.empty() ? "none" : out;
}

Lines radioBody(const BoardState& board) {
  Lines body;
  Lines active = digitRows(board, 1, 6), standby = digitRows(board, 7, 12),
        light = digitRows(board, 14, 14);
  body.push_back("active                   standby                  light");
  for (size_t r = 0; r < 3; ++r)
    body.push_back(active[r] + " " + standby[r] + " " + light[r]);
  std::string channels;
  if (board.variant <= 1) {
    for (int i = 0; i < 6; ++i) {
      std::string name = kRadioChannels[i];
      channels += board.ledLit(kRadioFirstChannelLed + i) ? "[" + name + "]" : " " + name + " ";
    }
  } else {
    channels = "channel code (port 1) " + hex2(board.ports[1]);
  }
  body.push_back(channels);
  return body;
}

Lines transponderBody(const BoardState& board) {
  Lines body;
  Lines code = digitRows(board, 2, 5), light = digitRows(board, 6, 7);
  body.push_back("code             light");
  for (size_t r = 0; r < 3; ++r) body.push_back(code[r] + " " + light[r]);
  bool indicator = board.variant <= 1
                       ? board.ledLit(1) || board.ledLit(2) || board.ledLit(3) || board.ledLit(4)
                       : board.ports[1] == 8;
  body.push_back(std::string("indicator ") + (indicator ? "(*) lit" : "( ) dark"));
  return body;
}

Lines otherBody(const BoardState& board) {
  Lines body;
  Lines first = digitRows(board, 1, 12);
  body.push_back("digits 1-12");
  body.insert(body.end(), first.begin(), first.end());
  body.push_back("leds " + numberList(board.litLeds));
  return body;
}

Lines boardsArea(const ViewState& state, int width) {
  Lines out;
  Lines row;  // the row of boxes being filled
  int rowWidth = 0;
  auto flush = [&] {
    out.insert(out.end(), row.begin(), row.end());
    row.clear();
    rowWidth = 0;
  };
  for (const BoardState& board : state.boards) {
    Lines box = renderBoard(board, board.serial == state.selectedSerial);
    int boxWidth = static_cast<int>(box.front().size());
    if (rowWidth > 0 && rowWidth + 2 + boxWidth > width) flush();
    int left = rowWidth == 0 ? 0 : rowWidth + 2;
    if (row.size() < box.size()) row.resize(box.size());
    for (size_t i = 0; i < row.size(); ++i) {
      row[i].resize(static_cast<size_t>(left), ' ');
      row[i] += i < box.size() ? box[i] : std::string(static_cast<size_t>(boxWidth), ' ');
    }
    rowWidth = left + boxWidth;
  }
  flush();
  return out;
}

std::string frequency(double kHz, int decimals, double divisor) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, kHz / divisor);
  return text;
}

Lines simulatorArea(const ViewState& state) {
  Lines out{"simulator"};
  if (!state.radios) {
    out.push_back("  (no radios)");
  } else {
    const SimRadios& r = *state.radios;
    auto pair = [](const char* name, const RadioPair& p, int decimals, double divisor) {
      return std::string(name) + " " + frequency(p.active, decimals, divisor) + "/" +
             frequency(p.standby, decimals, divisor);
    };
    out.push_back("  " + pair("COM1", r.com1, 3, 1000) + "  " + pair("COM2", r.com2, 3, 1000) +
                  "  " + pair("NAV1", r.nav1, 2, 1000) + "  " + pair("NAV2", r.nav2, 2, 1000));
    out.push_back("  " + pair("ADF1", r.adf1, 1, 1) + "  " + pair("ADF2", r.adf2, 1, 1) +
                  "  XPNDR " + r.transponderCode +
                  (r.transponderAvailable ? "" : " (not available)") + "  avionics " +
                  (r.avionicsMaster ? "on" : "off") + "  panel light " +
                  (r.panelLight ? "on" : "off"));
  }
  out.push_back("recent texts");
  if (state.texts.empty()) out.push_back("  (none)");
  for (const std::string& text : state.texts) out.push_back("  " + text);
  return out;
}

}  // namespace

std::vector<std::string> renderBoard(const BoardState& board, bool selected) {
  Lines body;
  std::string name;
  switch (board.kind()) {
    case PanelKind::Radio: body = radioBody(board), name = "radio panel"; break;
    case PanelKind::Transponder: body = transponderBody(board), name = "transponder"; break;
    case PanelKind::Other: body = otherBody(board), name = "board"; break;
  }
  body.push_back("ports " + hex2(board.ports[0]) + " " + hex2(board.ports[1]) + " " +
                 hex2(board.ports[2]) + " " + hex2(board.ports[3]) + "  keys " +
                 numberList(board.pressedKeys));
  std::string title = (selected ? "> " : "  ") + name + " " + board.serial + " (" + board.model +
                      " v" + std::to_string(board.variant) + ")";
  size_t inner = title.size();
  for (const std::string& line : body) inner = std::max(inner, line.size());
  char edge = selected ? '=' : '-';
  Lines box{"+" + std::string(inner, edge) + "+", "|" + fit(title, static_cast<int>(inner)) + "|"};
  for (const std::string& line : body) box.push_back("|" + fit(line, static_cast<int>(inner)) + "|");
  box.push_back(box.front());
  return box;
}

std::vector<std::string> keyHelp(PanelKind kind) {
  Lines help;
  if (kind == PanelKind::Radio)
    help.push_back("radio: 1-6 COM1 COM2 ADF NAV1 NAV2 XPNDR  x transfer  , . fraction -/+"
                   "  < > whole -/+");
  if (kind == PanelKind::Transponder)
    help.push_back("transponder: 0-7 digits  e code entry  i hold/let go IDENT  p position"
                   "  m mode  s status");
  help.push_back("tab/right next board  shift-tab/left previous  q quit");
  return help;
}

std::vector<std::string> renderView(const ViewState& state, int width, int height) {
  if (height < 1 || width < 1) return {};
  if (width < kMinWidth || height < kMinHeight) {
    Lines out(static_cast<size_t>(height), std::string(static_cast<size_t>(width), ' '));
    out[0] = fit("terminal too small", width);
    if (height > 1)
      out[1] = fit("need " + std::to_string(kMinWidth) + "x" + std::to_string(kMinHeight), width);
    return out;
  }
  Lines top;
  top.push_back(state.labRunning ? "kestrix-lab view"
                                 : "kestrix-lab view: lab not running (trying again)");
  if (state.labRunning && state.boards.empty()) top.push_back("no boards plugged");
  Lines boards = boardsArea(state, width);
  top.insert(top.end(), boards.begin(), boards.end());
  if (state.labRunning) {
    Lines sim = simulatorArea(state);
    top.insert(top.end(), sim.begin(), sim.end());
    for (const ExtraSection& section : state.extraSections) {
      top.push_back(section.title);
      for (const std::string& line : section.lines) top.push_back("  " + line);
    }
  }

  PanelKind selectedKind = PanelKind::Other;
  for (const BoardState& board : state.boards)
    if (board.serial == state.selectedSerial) selectedKind = board.kind();
  Lines bottom{state.status};
  Lines help = keyHelp(selectedKind);
  bottom.insert(bottom.end(), help.begin(), help.end());

  size_t room = static_cast<size_t>(height) - bottom.size();
  top.resize(room);  // cut what does not fit, or pad with blank lines
  top.insert(top.end(), bottom.begin(), bottom.end());
  for (std::string& line : top) line = fit(line, width);
  return top;
}

}  // namespace lab::view
