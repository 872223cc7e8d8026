#include "pdf/tesseract/PagePreparation.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

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

std::optional<double> Slope(const PageImage& page) {
  if (!Usable(page) || page.width < 64 || page.height < 64) return std::nullopt;
  l_float32 angle = 0, confidence = 0;
  // The slope is looked for within seven degrees, on the page made black and white.
  PixPtr pix = ToPix(page);
  PixPtr binary(pix ? pixConvertTo1(pix.get(), 130) : nullptr);
  pix.reset();
  if (!binary || pixFindSkewSweepAndSearch(binary.get(), &angle, &confidence, 4, 2, 7.0f, 1.0f, 0.01f) != 0)
    return std::nullopt;
  if (std::fabs(angle) < 0.1f || confidence < 3.0f) return std::nullopt;
  return angle;
}

bool Turn(PageImage& page, double degrees) {
  if (!Usable(page)) return false;
  PixPtr pix = ToPix(page);
  if (!pix) return false;
  const int dpi = page.dpi;
  page = PageImage{};  // its pixels are in `pix` now
  PixPtr level(pixRotate(pix.get(), static_cast<l_float32>(degrees * 3.14159265358979 / 180.0), L_ROTATE_AREA_MAP,
                         L_BRING_IN_WHITE, 0, 0));
  if (!level || pixGetDepth(level.get()) != 8) {
    page = FromPix(pix.get(), dpi);  // as it was
    return false;
  }
  pix.reset();
  page = FromPix(level.get(), dpi);
  return true;
}

bool Level(PageImage& page, double* degrees) {
  if (degrees) *degrees = 0;
  const std::optional<double> slope = Slope(page);
  if (!slope || !Turn(page, *slope)) return false;
  if (degrees) *degrees = *slope;
  return true;
}

std::optional<PageImage> Deskewed(const PageImage& page, double* degrees) {
  PageImage level = page;
  if (!Level(level, degrees)) return std::nullopt;
  return level;
}

namespace {

struct Bands {
  int height = 0, gap = 0;  // medians of the bands and of the gaps between them
  int count = 0;
};

// The bands of ink of the page along its rows (`across`) or its columns, each row or column taken
// along the slope `rise` (pixels across per pixel along).
Bands InkBands(const PageImage& page, double rise, bool across) {
  const int dpi = page.dpi > 0 ? page.dpi : 300;
  const int shortest = std::max(4, dpi / 40);  // about 0.6 mm: a rule or a speck is no band
  const int length = across ? page.height : page.width, along = across ? page.width : page.height;
  const int reach = static_cast<int>(std::ceil(std::fabs(rise) * along));
  std::vector<int> dark(static_cast<std::size_t>(length + 2 * reach + 1), 0);
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* row =
        page.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page.bytesPerLine);
    for (int x = 0; x < page.width; ++x) {
      if (row[x] >= 128) continue;
      const int at = across ? y + static_cast<int>(std::lround(x * rise)) : x - static_cast<int>(std::lround(y * rise));
      ++dark[static_cast<std::size_t>(at + reach)];
    }
  }
  // A row between two lines still has a little ink (a descender, a speck): a row is in a band
  // with a sixth of the ink of the fullest row.
  const int least = std::max(3, *std::max_element(dark.begin(), dark.end()) / 6);
  std::vector<int> heights, gaps;
  int run = 0, lastEnd = -1;
  for (int i = 0; i <= static_cast<int>(dark.size()); ++i) {
    if (i < static_cast<int>(dark.size()) && dark[static_cast<std::size_t>(i)] >= least) {
      ++run;
      continue;
    }
    if (run >= shortest) {
      if (lastEnd >= 0) gaps.push_back(i - run - lastEnd);
      heights.push_back(run);
      lastEnd = i;
    }
    run = 0;
  }
  auto median = [](std::vector<int>& values) {
    if (values.empty()) return 0;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
  };
  Bands bands;
  bands.count = static_cast<int>(heights.size());
  bands.height = median(heights);
  bands.gap = median(gaps);
  return bands;
}

}  // namespace

int TypeHeight(const PageImage& page, double degrees) {
  if (!Usable(page) || page.width < 64 || page.height < 64) return 0;
  const double rise = std::tan(degrees * 3.14159265358979 / 180.0);
  const Bands lines = InkBands(page, rise, true);
  if (lines.count < 4) return 0;
  // Lines of horizontal text stand apart by a good part of their height, and further apart than
  // the characters within them; vertical writing set on a grid is the other way round.
  const Bands columns = InkBands(page, rise, false);
  return lines.gap * 4 >= lines.height && lines.gap > columns.gap ? lines.height : 0;
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
