#include "pdf/tesseract/PagePreparation.h"

#include <leptonica/allheaders.h>

#include <cmath>
#include <memory>

namespace folidex {

namespace {

struct PixFree {
  void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixFree>;

PixPtr ToPix(const PageImage& page) {
  PixPtr pix(pixCreate(page.width, page.height, 8));
  if (!pix) return pix;
  l_uint32* data = pixGetData(pix.get());
  const int wpl = pixGetWpl(pix.get());
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* from =
        page.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page.bytesPerLine);
    l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * wpl;
    for (int x = 0; x < page.width; ++x) SET_DATA_BYTE(line, x, from[x]);
  }
  return pix;
}

PageImage FromPix(Pix* pix, int dpi) {
  PageImage page;
  page.width = static_cast<int>(pixGetWidth(pix));
  page.height = static_cast<int>(pixGetHeight(pix));
  page.bytesPerLine = page.width;
  page.dpi = dpi;
  page.bytes.resize(static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height));
  const l_uint32* data = pixGetData(pix);
  const int wpl = pixGetWpl(pix);
  for (int y = 0; y < page.height; ++y) {
    const l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * wpl;
    std::uint8_t* to = page.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page.width);
    for (int x = 0; x < page.width; ++x) to[x] = static_cast<std::uint8_t>(GET_DATA_BYTE(line, x));
  }
  return page;
}

bool Usable(const PageImage& page) {
  return !page.Empty() && page.bytesPerLine >= page.width &&
         page.bytes.size() >= static_cast<std::size_t>(page.bytesPerLine) * static_cast<std::size_t>(page.height);
}

}  // namespace

std::optional<PageImage> Deskewed(const PageImage& page, double* degrees) {
  if (degrees) *degrees = 0;
  if (!Usable(page) || page.width < 64 || page.height < 64) return std::nullopt;
  PixPtr pix = ToPix(page);
  if (!pix) return std::nullopt;
  l_float32 angle = 0, confidence = 0;
  // The slope is looked for within seven degrees, on the page made black and white.
  PixPtr level(pixDeskewGeneral(pix.get(), 0, 7.0f, 0.0f, 0, 0, &angle, &confidence));
  if (!level || level.get() == pix.get()) return std::nullopt;  // a clone: not turned
  pix.reset();
  if (pixGetDepth(level.get()) != 8 || std::fabs(angle) < 0.1f) return std::nullopt;
  if (degrees) *degrees = angle;
  return FromPix(level.get(), page.dpi);
}

std::optional<PageImage> TurnedBack(const PageImage& page, int clockwise) {
  if (!Usable(page) || (clockwise != 90 && clockwise != 180 && clockwise != 270)) return std::nullopt;
  const bool sideways = clockwise != 180;
  PageImage out;
  out.width = sideways ? page.height : page.width;
  out.height = sideways ? page.width : page.height;
  out.bytesPerLine = out.width;
  out.dpi = page.dpi;
  out.bytes.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* from =
        page.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page.bytesPerLine);
    for (int x = 0; x < page.width; ++x) {
      // Where the pixel (x, y) goes when the page turns counterclockwise.
      int tx = x, ty = y;
      if (clockwise == 90) {
        tx = y;
        ty = page.width - 1 - x;
      } else if (clockwise == 180) {
        tx = page.width - 1 - x;
        ty = page.height - 1 - y;
      } else {
        tx = page.height - 1 - y;
        ty = x;
      }
      out.bytes[static_cast<std::size_t>(ty) * static_cast<std::size_t>(out.width) + static_cast<std::size_t>(tx)] =
          from[x];
    }
  }
  return out;
}

std::optional<PageImage> Halved(const PageImage& page) {
  if (!Usable(page) || page.width < 64 || page.height < 64) return std::nullopt;
  PixPtr pix = ToPix(page);
  if (!pix) return std::nullopt;
  PixPtr half(pixScaleAreaMap2(pix.get()));
  if (!half) return std::nullopt;
  pix.reset();
  return FromPix(half.get(), (page.dpi > 0 ? page.dpi : 300) / 2);
}

}  // namespace folidex
