#include "common/qt/QtTextMeasure.h"

#include <QFontMetrics>
#include <QString>
#include <cmath>

#include "common/qt/QtText.h"

namespace folidex {
namespace {

constexpr std::int32_t kUnknown = -1;

// In 1/64 pixels, the font engine's unit (a width in it converts to and from a qreal exactly).
std::int32_t Units(qreal pixels) { return static_cast<std::int32_t>(std::lround(pixels * 64)); }

bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

int ShapedTextWidth(const QFontMetricsF& metrics, const QString& text) {
  // QFontMetrics rounds the engine's width half up: the same from its exact qreal.
  return (Units(metrics.horizontalAdvance(text)) + 32) >> 6;
}

QtTextMeasure::QtTextMeasure(const QFontMetrics& metrics) : metrics_(QFontMetricsF(metrics)) {
  advances_.fill(kUnknown);
  pairs_.fill(0);
}

std::int32_t QtTextMeasure::Advance(unsigned char c) const {
  std::int32_t& advance = advances_[c];
  if (advance == kUnknown) advance = Units(metrics_.horizontalAdvance(QString(QChar(c))));
  return advance;
}

bool QtTextMeasure::PairAdds(unsigned char left, unsigned char right) const {
  std::int8_t& adds = pairs_[left * 128 + right];
  if (adds == 0) {
    const QChar pair[2] = {QChar(left), QChar(right)};
    adds = Units(metrics_.horizontalAdvance(QString(pair, 2))) == Advance(left) + Advance(right) ? 1 : -1;
  }
  return adds > 0;
}

int QtTextMeasure::Shaped(const std::string& cp932) const {
  auto found = shaped_.find(cp932);
  if (found != shaped_.end()) return found->second;
  const int width = ShapedTextWidth(metrics_, ToQString(cp932));
  shaped_.emplace(cp932, width);
  return width;
}

int QtTextMeasure::TextWidth(const std::string& cp932) const {
  std::int64_t sum = 0;
  unsigned char previous = 0;
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    const auto c = static_cast<unsigned char>(cp932[i]);
    if (!IsPrintableAscii(c) || (i > 0 && !PairAdds(previous, c))) return Shaped(cp932);
    sum += Advance(c);
    previous = c;
  }
  return static_cast<int>((sum + 32) >> 6);
}

}  // namespace folidex
