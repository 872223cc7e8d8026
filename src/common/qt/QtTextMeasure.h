#pragma once
// The TextMeasure port on QFontMetrics: the pixel width of a CP932 text in a widget's font.
//
// A list fit measures a hundred thousand rows, and shaping every cell costs seconds. So the
// width of a text of printable ASCII characters (numbers, sizes, dates, serials, file names) is
// summed from the advances of its characters, each found once: that sum is what shaping gives
// exactly when no two neighbours change each other's advance (kerning, a ligature), and each
// pair that occurs is checked once against the shaped pair; a text with a pair that does not
// add up is shaped as a whole. Other texts are shaped, each distinct text once; where the
// font's digits are interchangeable (one advance, no kerning), texts that differ only in their
// digits count as one. (Outside ASCII a character's font may be a fallback chosen by the script
// of its neighbours, so its advance is not its own.) Advances are kept in the font engine's 1/64
// pixel units and the total rounded as QFontMetrics rounds it: the result is always
// QFontMetrics::horizontalAdvance's.
//
// The bound of a text's width takes each ASCII character's advance and each other character as
// the wider of its own advance and a full-width character's (half of it for a half-width
// katakana), with a pixel wherever a neighbour may move a character: a fit shapes only the few
// texts whose bound can beat the widest width it has found.

#include <QFontMetricsF>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/TextMeasure.h"

class QFontMetrics;

namespace folidex {

class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(const QFontMetrics& metrics);
  int TextWidth(const std::string& cp932) const override;
  int WidthBound(const std::string& cp932) const override;

 private:
  // In 1/64 pixels, for printable ASCII.
  std::int32_t Advance(unsigned char c) const;
  bool PairAdds(unsigned char left, unsigned char right) const;
  int Shaped(const std::string& cp932) const;
  bool DigitsInterchangeable() const;
  // In 1/64 pixels, the most `character` takes in a laid out text; kept in `cache` under `key`.
  std::int32_t CharBound(std::vector<std::int32_t>& cache, unsigned key,
                         const std::function<QString()>& character) const;

  QFontMetricsF metrics_;
  mutable std::array<std::int32_t, 128> advances_;
  mutable std::array<std::int8_t, 128 * 128> pairs_;  // 0 unknown, 1 adds up, -1 does not
  mutable std::unordered_map<std::string, int> shaped_;
  mutable std::vector<std::int32_t> byCode_;       // character bounds by CP932 code, kUnknown until known
  mutable std::vector<std::int32_t> byCharacter_;  // the same by UTF-16 code
  mutable std::int8_t digitsInterchangeable_ = 0;  // 0 unknown, 1 yes, -1 no
  std::int32_t fullWidth_ = 0;                     // the widest full-width character of the fonts
};

// The width as shaping the whole text gives it (QFontMetrics's rounding).
int ShapedTextWidth(const QFontMetricsF& metrics, const QString& text);

}  // namespace folidex
