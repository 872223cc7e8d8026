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

// The page turned counterclockwise by `clockwise` degrees (90, 180 or 270): upright again when
// it was turned clockwise by that much. Nothing for any other angle or an unusable page.
std::optional<PageImage> TurnedBack(const PageImage& page, int clockwise);

// The page at half its resolution (each pixel the mean of four), for what needs no fine detail;
// nothing for a page too small or unusable.
std::optional<PageImage> Halved(const PageImage& page);

}  // namespace folidex
