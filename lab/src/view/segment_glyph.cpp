#include "view/segment_glyph.h"

namespace lab::view {

std::array<std::string, 3> segmentGlyph(uint8_t s) {
  auto lit = [s](int bit, char c) { return (s >> bit) & 1 ? c : ' '; };
  return {
      std::string{' ', lit(0, '_'), ' ', ' '},
      std::string{lit(5, '|'), lit(6, '_'), lit(1, '|'), ' '},
      std::string{lit(4, '|'), lit(3, '_'), lit(2, '|'), lit(7, '.')},
  };
}

}  // namespace lab::view
