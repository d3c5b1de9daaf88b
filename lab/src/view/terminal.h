#pragma once
// The terminal the view draws on: raw mode, the alternate screen and a
// hidden cursor while a Terminal lives; all restored by restore(), by the
// destructor, and by the stop signals' path through the view loop.
#include <string>

namespace lab::view {

class Terminal {
 public:
  Terminal() = default;
  ~Terminal() { restore(); }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // False when standard input or output is no terminal.
  bool enter();
  void restore();
  // Columns and rows now.
  bool size(int& width, int& height) const;
  void write(const std::string& bytes) const;

 private:
  bool entered_ = false;
  struct Saved;
  Saved* saved_ = nullptr;
};

}  // namespace lab::view
