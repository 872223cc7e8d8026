#pragma once
// The TextMeasure port on QFontMetrics: the pixel width of a CP932 text in a widget's font.
//
// A list fit measures a hundred thousand rows, and shaping every cell costs seconds. So the
// width of a text of printable ASCII characters (numbers, sizes, dates, serials, file names) is
// summed from the advances of its characters, each found once: that sum is what shaping gives
// exactly when no two neighbours change each other's advance (kerning, a ligature), and each
// pair that occurs is checked once against the shaped pair; a text with a pair that does not
// add up is shaped as a whole. Other texts are shaped, each distinct text once. (Outside ASCII
// a character's font may be a fallback chosen by the script of its neighbours, so its advance
// is not its own.) Advances are kept in the font engine's 1/64 pixel units and the total
// rounded as QFontMetrics rounds it: the result is always QFontMetrics::horizontalAdvance's.

#include <QFontMetricsF>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "common/TextMeasure.h"

class QFontMetrics;

namespace folidex {

class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(const QFontMetrics& metrics);
  int TextWidth(const std::string& cp932) const override;

 private:
  // In 1/64 pixels, for printable ASCII.
  std::int32_t Advance(unsigned char c) const;
  bool PairAdds(unsigned char left, unsigned char right) const;
  int Shaped(const std::string& cp932) const;

  QFontMetricsF metrics_;
  mutable std::array<std::int32_t, 128> advances_;
  mutable std::array<std::int8_t, 128 * 128> pairs_;  // 0 unknown, 1 adds up, -1 does not
  mutable std::unordered_map<std::string, int> shaped_;
};

// The width as shaping the whole text gives it (QFontMetrics's rounding).
int ShapedTextWidth(const QFontMetricsF& metrics, const QString& text);

}  // namespace folidex
