#include "common/qt/QtTextMeasure.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>
#include <functional>

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
  // The fonts that draw Japanese give every full-width character the same advance, one em; which
  // of them draws a character may depend on its neighbours, so a bound takes the widest of them.
  for (const char16_t* reference : {u"あ", u"ア", u"漢", u"Ｗ", u"ー", u"・", u"〜", u"①", u"─"})
    fullWidth_ = std::max(fullWidth_, Units(metrics_.horizontalAdvance(QString::fromUtf16(reference))));
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

bool QtTextMeasure::DigitsInterchangeable() const {
  if (digitsInterchangeable_ == 0) {
    bool same = true;
    for (unsigned char d = '1'; same && d <= '9'; ++d) same = Advance(d) == Advance('0');
    for (unsigned char d = '0'; same && d <= '9'; ++d)
      for (unsigned char c = 0x20; same && c <= 0x7E; ++c) same = PairAdds(c, d) && PairAdds(d, c);
    digitsInterchangeable_ = same ? 1 : -1;
  }
  return digitsInterchangeable_ > 0;
}

int QtTextMeasure::Shaped(const std::string& cp932) const {
  // Where every digit has the same advance and none kerns, texts that differ only in their digits
  // (serials, numbers, a path's file name) are as wide as each other and are shaped once.
  std::string key = cp932;
  if (DigitsInterchangeable()) {
    for (std::size_t i = 0; i < key.size(); ++i) {
      const auto c = static_cast<unsigned char>(key[i]);
      if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        const auto trail = i + 1 < key.size() ? static_cast<unsigned char>(key[i + 1]) : 0;
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) {  // a broken pair: the text as it is
          key = cp932;
          break;
        }
        ++i;
      } else if (c >= '1' && c <= '9') {
        key[i] = '0';
      }
    }
  }
  auto found = shaped_.find(key);
  if (found != shaped_.end()) return found->second;
  const int width = ShapedTextWidth(metrics_, ToQString(cp932));
  shaped_.emplace(std::move(key), width);
  return width;
}

std::int32_t QtTextMeasure::CharBound(std::vector<std::int32_t>& cache, unsigned key,
                                      const std::function<QString()>& character) const {
  if (cache.empty()) cache.assign(0x10000, kUnknown);
  std::int32_t& bound = cache[key];
  if (bound == kUnknown) {
    // The font that draws a character outside ASCII may be chosen by its neighbours' script: it
    // is then a Japanese font's full-width advance (half of it for a half-width character; a
    // control character's box is full width).
    const QString text = character();
    const char16_t first = text.isEmpty() ? 0 : text.front().unicode();
    const bool halfWidth = first >= u'\uFF61' && first <= u'\uFF9F';
    bound = std::max(Units(metrics_.horizontalAdvance(text)), halfWidth ? fullWidth_ / 2 : fullWidth_);
  }
  return bound;
}

int QtTextMeasure::WidthBound(const std::string& cp932) const {
  // A printable ASCII text costs no layout: its width is its bound.
  if (std::all_of(cp932.begin(), cp932.end(), [](char c) { return IsPrintableAscii(static_cast<unsigned char>(c)); }))
    return TextWidth(cp932);
  // ASCII characters keep their own advances, checked pair by pair as in TextWidth; a pixel is
  // added wherever a neighbour may move them (two for a pair that does not add up, one at each
  // edge of a run of ASCII) and one for the rounding. Each other character is taken as wide as
  // it may be: well-formed ones by their CP932 code, the rest as the layout gets them (an odd
  // byte may decode together with its neighbour).
  std::int64_t sum = 64;
  bool previousAscii = false;
  unsigned char previous = 0;
  auto ascii = [&](unsigned char c) {
    sum += Advance(c);
    if (!previousAscii)
      sum += 64;
    else if (!PairAdds(previous, c))
      sum += 128;
    previous = c;
    previousAscii = true;
  };
  auto other = [&](std::int32_t bound) {
    sum += bound;
    if (previousAscii) sum += 64;
    previousAscii = false;
  };
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    const auto c = static_cast<unsigned char>(cp932[i]);
    const auto next = i + 1 < cp932.size() ? static_cast<unsigned char>(cp932[i + 1]) : 0;
    if (IsPrintableAscii(c)) {
      ascii(c);
    } else if (c >= 0xA1 && c <= 0xDF) {
      other(CharBound(byCode_, c, [&] { return ToQString(cp932.substr(i, 1)); }));
    } else if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && next >= 0x40 && next != 0x7F && next <= 0xFC) {
      other(CharBound(byCode_, c << 8 | next, [&] { return ToQString(cp932.substr(i, 2)); }));
      ++i;
    } else {
      sum = 64, previousAscii = false;
      for (char16_t character : Cp932ToUtf16(cp932)) {
        if (character < 0x80 && IsPrintableAscii(static_cast<unsigned char>(character)))
          ascii(static_cast<unsigned char>(character));
        else
          other(CharBound(byCharacter_, character, [character] { return QString(QChar(character)); }));
      }
      break;
    }
  }
  return static_cast<int>((sum + 63) >> 6);
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
