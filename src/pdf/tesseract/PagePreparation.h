#pragma once
// A page image made ready for the recognizer (Leptonica): a sheet fed askew into the scanner is
// turned level. (Scaling small type up, or rendering at more than 300 dpi, was measured and read
// worse: the engine scales each line to its model's size itself, and interpolated pixels of a
// 300-dpi scan only blur it.)

#include <optional>

#include "pdf/PageImage.h"

namespace folidex {

// The page turned so that its lines run level, when its lines slope by a tenth of a degree or
// more (up to seven) and the slope is found with confidence; nothing when the page is level or
// its slope cannot be told (a blank page, a page of pictures). `degrees`, when given, is set to
// the angle the page was turned by (0 when it was not).
std::optional<PageImage> Deskewed(const PageImage& page, double* degrees = nullptr);
// The same in place: `page` turned level (true), or left as it was (false). No more than two
// images of the page exist meanwhile, this one included.
bool Level(PageImage& page, double* degrees = nullptr);

// The slope of the page's lines in degrees (what Turn makes level), when they slope by a tenth
// of a degree or more (up to seven) and the slope is found with confidence.
std::optional<double> Slope(const PageImage& page);
// The page turned by `degrees` (a slope found above) in place; false, the page as it was, when it
// cannot be turned. No more than two images of the page exist meanwhile, this one included.
bool Turn(PageImage& page, double degrees);

// The height in pixels of most of the page's lines of horizontal text that slope by `degrees`:
// the median height of the bands of rows (along the slope) with ink across the page. 0 when the
// page has fewer than four such lines, or its bands are those of vertical writing (rows of
// characters closer together than the columns are).
int TypeHeight(const PageImage& page, double degrees = 0);

// The page turned counterclockwise by `clockwise` degrees (90, 180 or 270): upright again when
// it was turned clockwise by that much. Nothing for any other angle or an unusable page.
std::optional<PageImage> TurnedBack(const PageImage& page, int clockwise);

// The page at half its resolution (each pixel the mean of four), for what needs no fine detail;
// nothing for a page too small or unusable.
std::optional<PageImage> Halved(const PageImage& page);

}  // namespace folidex
