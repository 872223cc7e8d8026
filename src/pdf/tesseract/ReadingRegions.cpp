#include "pdf/tesseract/ReadingRegions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace folidex {

std::vector<Region> ReadingRegions(const PageImage& page) {
  const Region whole{0, 0, page.width, page.height};
  constexpr int kCell = 4;  // pixels a side of the cells the page is looked at in
  const int w = page.width / kCell, h = page.height / kCell;
  if (w < 64 || h < 64) return {whole};
  // A cell is ink when a quarter of its pixels are dark: a stroke crosses it, not a speck of dust.
  std::vector<std::uint8_t> ink(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h * kCell; ++y) {
    const std::uint8_t* row =
        page.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page.bytesPerLine);
    std::uint8_t* cells = ink.data() + static_cast<std::size_t>(y / kCell) * static_cast<std::size_t>(w);
    for (int x = 0; x < w * kCell; ++x) cells[x / kCell] += row[x] < 128 ? 1 : 0;
  }
  for (std::uint8_t& cell : ink) cell = cell >= kCell * kCell / 4 ? 1 : 0;
  // Per row, the ink cells left of each x.
  std::vector<int> before(static_cast<std::size_t>(w + 1) * static_cast<std::size_t>(h), 0);
  auto at = [&](int y, int x) -> int& {
    return before[static_cast<std::size_t>(y) * static_cast<std::size_t>(w + 1) + static_cast<std::size_t>(x)];
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      at(y, x + 1) =
          at(y, x) + ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
  auto inkIn = [&](int y, int from, int to) { return at(y, to) - at(y, from); };

  const int dpi = page.dpi > 0 ? page.dpi : 300;
  const int gutter = std::max(2, (dpi * 50 + 254 * kCell - 1) / (254 * kCell));  // 5 mm in cells
  // Lines of text on one side within rows [from, to): runs of rows with ink, one after the
  // other. A row between two lines of a slightly turned page still has a little ink of both at
  // its ends: a row counts as inked with a sixth of the ink of the side's fullest row.
  auto lines = [&](int from, int to, int x0, int x1, int& inked) {
    int fullest = 0;
    for (int y = from; y < to; ++y) fullest = std::max(fullest, inkIn(y, x0, x1));
    const int least = std::max(2, fullest / 6);
    int count = 0;
    bool inLine = false;
    inked = 0;
    for (int y = from; y < to; ++y) {
      const bool any = inkIn(y, x0, x1) >= least;
      inked += any;
      count += any && !inLine;
      inLine = any;
    }
    return count;
  };
  // The first run of rows from `from` on with two columns side by side (of those starting on
  // the same row, the longest): its gutter's first cell, and its rows; false when there is none.
  auto columns = [&](int from, int& bestX, int& bestTop, int& bestBottom) {
    bestX = -1;
    bestTop = bestBottom = 0;
    for (int x = w / 5; x + gutter <= w * 4 / 5; ++x) {
      for (int y = from; y < h;) {
        if (inkIn(y, x, x + gutter) > 0) {
          ++y;
          continue;
        }
        int top = y;
        while (y < h && inkIn(y, x, x + gutter) == 0) ++y;
        // The white run without the blank rows at its ends, and without the ends of lines that
        // reach into the gutter above or below it (a heading's lowest strokes end a row or two
        // above the gutter's white: its cut must be found above the columns, not above it).
        int bottom = y;
        const auto inked = [&](int row) { return inkIn(row, 0, w) > 0; };
        if (top > 0 && inked(top - 1))
          while (top < bottom && inked(top)) ++top;
        if (bottom < h && inked(bottom))
          while (bottom > top && inked(bottom - 1)) --bottom;
        while (top < bottom && !inked(top)) ++top;
        while (bottom > top && !inked(bottom - 1)) --bottom;
        if (bestX >= 0 && (top > bestTop || (top == bestTop && bottom - top <= bestBottom - bestTop))) continue;
        int leftInk = 0, rightInk = 0;
        const int leftLines = lines(top, bottom, 0, x, leftInk);
        const int rightLines = lines(top, bottom, x + gutter, w, rightInk);
        if (leftLines >= 3 && rightLines >= 3 && leftInk * 10 >= (bottom - top) * 3 &&
            rightInk * 10 >= (bottom - top) * 3) {
          bestX = x;
          bestTop = top;
          bestBottom = bottom;
        }
      }
    }
    return bestX >= 0;
  };
  // The parts meet in the middle of rows blank across the page, never inside a line: the engine
  // misreads a line whose ink touches the edge of its part (a heading at the columns' top above
  // all). A run of columns that ends where the next begins, with no blank row between (the
  // gutter crossed by a wide line, a heading reaching into it), is one run.
  auto blank = [&](int y) { return inkIn(y, 0, w) == 0; };
  struct Run {
    int top, bottom, left, right;  // rows [top, bottom); the gutter within cells [left, right)
  };
  std::vector<Run> runs;
  int from = 0, x = 0, top = 0, bottom = 0;
  while (from < h && columns(from, x, top, bottom)) {
    int end = x + gutter;  // the gutter's white reaches on past its first cells
    for (bool white = true; end < w && white; end += white ? 1 : 0) {
      for (int y = top; y < bottom && white; ++y)
        white = ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(end)] == 0;
    }
    int cutTop = from;
    for (int y = top - 1; y >= from; --y) {
      if (!blank(y)) continue;
      int first = y;
      while (first > from && blank(first - 1)) --first;
      cutTop = (first + y + 1) / 2;
      break;
    }
    int cutBottom = h;
    for (int y = bottom; y < h; ++y) {
      if (!blank(y)) continue;
      int last = y;
      while (last + 1 < h && blank(last + 1)) ++last;
      cutBottom = (y + last + 1) / 2;
      break;
    }
    if (!runs.empty() && runs.back().bottom == cutTop) {
      Run& run = runs.back();
      run.bottom = cutBottom;
      run.left = std::min(run.left, x);
      run.right = std::max(run.right, end);
    } else {
      runs.push_back({cutTop, cutBottom, x, end});
    }
    from = std::max(cutBottom, bottom);
  }
  std::vector<Region> regions;
  int done = 0;  // rows already in a part
  for (const Run& run : runs) {
    // Split where the gutter holds the least ink over the whole run: its middle when it is white.
    int best = -1, bestInk = 0, bestLast = 0;
    for (int c = run.left; c < run.right && c < w; ++c) {
      int inkHere = 0;
      for (int y = run.top; y < run.bottom; ++y) inkHere += inkIn(y, c, c + 1);
      if (best < 0 || inkHere < bestInk) {
        best = bestLast = c;
        bestInk = inkHere;
      } else if (inkHere == bestInk && bestLast == c - 1) {
        bestLast = c;
      }
    }
    const int split = ((best + bestLast) / 2) * kCell + kCell / 2;
    if (run.top > done) regions.push_back({0, done * kCell, page.width, (run.top - done) * kCell});
    const int y0 = run.top * kCell, y1 = run.bottom >= h ? page.height : run.bottom * kCell;
    regions.push_back({0, y0, split, y1 - y0});
    regions.push_back({split, y0, page.width - split, y1 - y0});
    done = run.bottom;
  }
  from = done;
  if (regions.empty()) return {whole};
  if (from < h) regions.push_back({0, from * kCell, page.width, page.height - from * kCell});
  return regions;
}

}  // namespace folidex
