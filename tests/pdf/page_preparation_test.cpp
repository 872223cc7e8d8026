// The page made ready for the recognizer: a sheet fed askew comes back level, and a level or
// blank page is left alone.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pdf/tesseract/PagePreparation.h"

namespace folidex {
namespace {

constexpr int kWidth = 1240, kHeight = 1754;  // A4 at 150 dpi
constexpr int kPitch = 50, kInk = 24;         // a line every 50 pixels, 24 of them inked

// Lines of "words" (bars with gaps) as a page of text, turned by `degrees` about its middle, with
// a few specks.
PageImage TextLines(double degrees, bool lines = true) {
  PageImage page{kWidth, kHeight, kWidth, 150, std::vector<std::uint8_t>(std::size_t{kWidth} * kHeight, 255)};
  const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
  std::mt19937 random(3);
  std::vector<int> gaps(40);
  for (int& gap : gaps) gap = 60 + static_cast<int>(random() % 90);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // The point of the level page that lands here.
      const double dx = x - kWidth / 2.0, dy = y - kHeight / 2.0;
      const double u = c * dx + s * dy + kWidth / 2.0, v = -s * dx + c * dy + kHeight / 2.0;
      const int line = static_cast<int>(std::floor((v - 150) / kPitch));
      const bool inLine =
          lines && u >= 120 && u < kWidth - 120 && v >= 150 && line < 30 && std::fmod(v - 150, kPitch) < kInk;
      const bool word = inLine && static_cast<int>(u) % gaps[static_cast<std::size_t>(line)] > 14;
      std::uint8_t& pixel = page.bytes[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
      pixel = word ? 20 : (random() % 1000 == 0 ? 0 : 255);
    }
  }
  return page;
}

// Rows with ink in the text's middle third: a level page has its lines' rows only.
int InkedRows(const PageImage& page) {
  int rows = 0;
  for (int y = 0; y < page.height; ++y) {
    int dark = 0;
    for (int x = page.width / 3; x < page.width * 2 / 3; ++x)
      dark += page.bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(page.bytesPerLine) +
                         static_cast<std::size_t>(x)] < 128;
    rows += dark > 20;
  }
  return rows;
}

TEST(PagePreparation, ASheetFedAskewComesBackLevel) {
  for (const double turn : {-2.5, -1.5, 0.8, 1.8}) {
    const PageImage askew = TextLines(turn);
    double degrees = 0;
    const std::optional<PageImage> level = Deskewed(askew, &degrees);
    ASSERT_TRUE(level) << turn;
    EXPECT_NEAR(degrees, -turn, 0.2) << turn;
    EXPECT_EQ(level->width, askew.width);
    EXPECT_EQ(level->height, askew.height);
    EXPECT_EQ(level->dpi, 150);
    // Each line's ink lies on its own rows again (a sloping line spreads over many more).
    EXPECT_LE(InkedRows(*level), 30 * (kInk + 4)) << turn;
    EXPECT_GT(InkedRows(askew), InkedRows(*level)) << turn;
  }
}

TEST(PagePreparation, ALevelBlankOrTinyPageIsLeftAlone) {
  double degrees = 1;
  EXPECT_FALSE(Deskewed(TextLines(0), &degrees));
  EXPECT_EQ(degrees, 0);
  EXPECT_FALSE(Deskewed(TextLines(0, false)));  // specks alone: no slope to find
  EXPECT_FALSE(Deskewed(PageImage{}));
  EXPECT_FALSE(Deskewed(PageImage{20, 20, 20, 300, std::vector<std::uint8_t>(400, 0)}));
  PageImage cut = TextLines(1.5);
  cut.bytes.resize(cut.bytes.size() / 2);  // fewer bytes than its rows
  EXPECT_FALSE(Deskewed(cut));
}

TEST(PagePreparation, APageTurnedBackByEachQuarterComesBackWhole) {
  // 5 x 3 pixels, each its own value, rows padded to 8 bytes.
  PageImage page{5, 3, 8, 300, std::vector<std::uint8_t>(24, 255)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) page.bytes[static_cast<std::size_t>(y * 8 + x)] = static_cast<std::uint8_t>(y * 5 + x);
  auto pixel = [](const PageImage& p, int x, int y) {
    return p.bytes[static_cast<std::size_t>(y * p.bytesPerLine + x)];
  };
  auto same = [&](const PageImage& a, const PageImage& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x)
        if (pixel(a, x, y) != pixel(b, x, y)) return false;
    return true;
  };
  // A page turned clockwise by 90 has its top right corner at the top left once turned back.
  const std::optional<PageImage> back = TurnedBack(page, 90);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 3);
  EXPECT_EQ(back->height, 5);
  EXPECT_EQ(pixel(*back, 0, 0), pixel(page, 4, 0));
  EXPECT_EQ(pixel(*back, 0, 4), pixel(page, 0, 0));
  for (int turn : {90, 180, 270}) {
    const std::optional<PageImage> once = TurnedBack(page, turn);
    ASSERT_TRUE(once) << turn;
    const std::optional<PageImage> whole = TurnedBack(*once, 360 - turn);
    ASSERT_TRUE(whole) << turn;
    EXPECT_TRUE(same(*whole, page)) << turn;
    EXPECT_EQ(whole->dpi, 300);
  }
  EXPECT_TRUE(same(*TurnedBack(*TurnedBack(page, 90), 90), *TurnedBack(page, 180)));
  EXPECT_FALSE(TurnedBack(page, 0));
  EXPECT_FALSE(TurnedBack(page, 45));
  EXPECT_FALSE(TurnedBack(PageImage{}, 90));
}

// Characters (squares of `size` pixels, `apart` between them) set on a grid: in lines across the
// page `between` pixels apart, or, for vertical writing, in columns so far apart.
PageImage Grid(int size, int apart, int between, bool vertical) {
  PageImage page{kWidth, kHeight, kWidth, 150, std::vector<std::uint8_t>(std::size_t{kWidth} * kHeight, 255)};
  for (int y = 100; y < kHeight - 100; ++y)
    for (int x = 100; x < kWidth - 100; ++x) {
      const int along = vertical ? y - 100 : x - 100, across = vertical ? x - 100 : y - 100;
      if (along % (size + apart) < size && across % (size + between) < size)
        page.bytes[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = 20;
    }
  return page;
}

TEST(PagePreparation, TheHeightOfLinesOfHorizontalTextWhateverTheirSlope) {
  // Along the slope found, each line's ink is told apart, turned or not.
  for (const double turn : {0.0, 0.8, -1.8, 3.0}) {
    const PageImage page = TextLines(turn);
    const double slope = Slope(page).value_or(0);
    EXPECT_NEAR(TypeHeight(page, slope), kInk, 2) << turn;
    if (turn != 0) {
      EXPECT_GT(std::abs(TypeHeight(page, 0) - kInk), 2) << turn;  // across the slope: lines run together
    }
  }
  // Japanese on a grid: characters close together in a line, lines further apart.
  EXPECT_NEAR(TypeHeight(Grid(20, 3, 14, false)), 20, 1);
  // Vertical writing on the same grid, a page turned sideways, a page without lines: no height.
  EXPECT_EQ(TypeHeight(Grid(20, 3, 14, true)), 0);
  EXPECT_EQ(TypeHeight(*TurnedBack(TextLines(0), 90)), 0);
  EXPECT_EQ(TypeHeight(TextLines(0, false)), 0);
  EXPECT_EQ(TypeHeight(PageImage{}), 0);
}

TEST(PagePreparation, APageTurnedInPlaceIsTheDeskewedOne) {
  const PageImage askew = TextLines(1.5);
  const std::optional<PageImage> level = Deskewed(askew);
  ASSERT_TRUE(level);
  PageImage turned = askew;
  ASSERT_TRUE(Turn(turned, *Slope(askew)));
  EXPECT_EQ(turned.bytes, level->bytes);
  PageImage flat = TextLines(0);
  const std::vector<std::uint8_t> before = flat.bytes;
  EXPECT_FALSE(Level(flat));  // level already: left as it was
  EXPECT_EQ(flat.bytes, before);
}

}  // namespace
}  // namespace folidex
