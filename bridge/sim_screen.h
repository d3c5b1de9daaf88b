#pragma once
#include <string>

// What the bridge puts in front of the user in the simulator window.
class SimScreen {
 public:
  virtual ~SimScreen() = default;
  // A line of white print text, shown for `seconds`.
  virtual void showSimText(const std::string& text, float seconds) = 0;
  // A menu text: the title, the prompt and the entries, each followed by a
  // NUL byte. The user's choice comes back as a menu result event.
  virtual void showMenu(const std::string& block) = 0;
};
