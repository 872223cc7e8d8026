#pragma once
// Where a page is cut into the parts the recognizer reads one after the other.

#include <vector>

#include "pdf/PageImage.h"

namespace folidex {

// A rectangle of a page image, in pixels.
struct Region {
  int left = 0, top = 0, width = 0, height = 0;
};

// The parts of a page in reading order. A page with two columns of horizontal lines side by
// side, a white gutter between them (5 mm at least, straight down through the columns' height),
// reads as what is above the columns (a heading across the page), the left column, the right
// column and what is below; any other page is one part. The engine's own layout analysis reads
// a line of the left column on into the right one when the gutter is narrow, and Japanese has no
// spaces to tell it where a line ends.
std::vector<Region> ReadingRegions(const PageImage& page);

}  // namespace folidex
