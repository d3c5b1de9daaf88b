#include "view/view_state.h"

#include <algorithm>

namespace lab::view {

PanelKind BoardState::kind() const {
  if (model == "3401") return PanelKind::Radio;
  if (model == "3402") return PanelKind::Transponder;
  return PanelKind::Other;
}

bool BoardState::ledLit(int led) const {
  return std::find(litLeds.begin(), litLeds.end(), led) != litLeds.end();
}

bool BoardState::keyPressed(int key) const {
  return std::find(pressedKeys.begin(), pressedKeys.end(), key) != pressedKeys.end();
}

}  // namespace lab::view
