// Where a page of two columns is cut into parts: never through a line, and a heading above the
// columns stays whole in a part across the page.

#include <gtest/gtest.h>

#include "pdf/tesseract/ReadingRegions.h"

namespace folidex {
namespace {

constexpr int kWidth = 2480, kHeight = 3508;  // A4 at 300 dpi
constexpr int kMargin = 240, kGutterLeft = 1156, kGutterRight = 1324;

struct Page {
  PageImage image{kWidth, kHeight, kWidth, 300, std::vector<std::uint8_t>(std::size_t{kWidth} * kHeight, 255)};
  void Ink(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) image.bytes[static_cast<std::size_t>(y) * kWidth + x] = 0;
  }
  // A line of "characters" (bars with gaps) over [left, right); where the last one ends.
  int Line(int left, int right, int top, int height, int size) {
    int end = left;
    for (int x = left; x + size <= right; x += size + size / 4) Ink(x, top, end = x + size, top + height);
    return end;
  }
  bool RowInked(int y) const {
    for (int x = 0; x < kWidth; ++x)
      if (image.bytes[static_cast<std::size_t>(y) * kWidth + x] < 128) return true;
    return false;
  }
};

// Twelve lines in each column from `top` on, and a line across the page below them.
void Columns(Page& page, int top) {
  for (int k = 0; k < 12; ++k) {
    page.Line(kMargin, kGutterLeft, top + k * 60, 40, 40);
    page.Line(kGutterRight, kWidth - kMargin, top + k * 60, 40, 40);
  }
  page.Line(kMargin, kWidth - kMargin, top + 12 * 60 + 100, 40, 40);
}

const Region* PartAt(const std::vector<Region>& parts, int x, int y) {
  for (const Region& part : parts)
    if (x >= part.left && x < part.left + part.width && y >= part.top && y < part.top + part.height) return &part;
  return nullptr;
}

TEST(ReadingRegions, AHeadingReachingIntoTheGutterStaysWholeAboveTheColumns) {
  // The heading's last character stands over the gutter and ends a little higher than the
  // others (as 「み」 does beside 「組」): the gutter's white begins on the heading's last rows.
  // Headings ending short of the gutter, in it, and across it into the right column.
  for (const int headingRight : {1000, 1250, 1300, 1500}) {
    Page page;
    const int last = page.Line(kMargin, headingRight - 150, 300, 100, 120) + 30;
    page.Ink(last, 300, last + 120, 390);
    const int headingEnd = last + 120;
    Columns(page, 480);
    const std::vector<Region> parts = ReadingRegions(page.image);
    ASSERT_EQ(parts.size(), 4u) << headingRight;
    // The parts meet in rows blank across the page, never inside a line.
    for (const Region& part : parts) {
      if (part.top > 0) {
        EXPECT_FALSE(page.RowInked(part.top)) << headingRight << " at " << part.top;
      }
    }
    // The heading is whole in one part, read before the columns: a part across the page, or the
    // left column's when it ends short of the right column.
    const Region* heading = PartAt(parts, kMargin + 10, 350);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(PartAt(parts, headingEnd - 10, 350), heading) << headingRight;
    EXPECT_EQ(heading->left, 0) << headingRight;
    if (headingEnd > kGutterRight) {
      EXPECT_EQ(heading->width, kWidth) << headingRight;
    }
    // The columns are apart: the left one's lines and the right one's in parts of their own.
    const Region* left = PartAt(parts, kMargin + 10, 500);
    const Region* right = PartAt(parts, kGutterRight + 10, 500);
    ASSERT_TRUE(left && right);
    EXPECT_NE(left, right);
    EXPECT_LE(left->left + left->width, kGutterRight) << headingRight;
    EXPECT_GE(right->left, kGutterLeft) << headingRight;
  }
}

}  // namespace
}  // namespace folidex
