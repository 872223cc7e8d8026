#pragma once
// A PDF page rendered for text recognition: 8-bit greyscale, one byte a pixel from 0 (black) to
// 255 (white), rows from the top, each row `bytesPerLine` bytes long (the pixels first).

#include <cstdint>
#include <vector>

namespace folidex {

struct PageImage {
  int width = 0;                    // pixels
  int height = 0;                   // pixels
  int bytesPerLine = 0;             // at least `width`
  int dpi = 0;                      // the resolution the page was rendered at
  std::vector<std::uint8_t> bytes;  // height * bytesPerLine

  bool Empty() const { return width <= 0 || height <= 0 || bytes.empty(); }
};

}  // namespace folidex
