#pragma once
// The TextMeasure port on QFontMetrics: the pixel width of a CP932 text in a widget's font.

#include <QFontMetrics>

#include "common/TextMeasure.h"
#include "common/qt/QtText.h"

namespace folidex {

class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(const QFontMetrics& metrics) : metrics_(metrics) {}
  int TextWidth(const std::string& cp932) const override { return metrics_.horizontalAdvance(ToQString(cp932)); }

 private:
  QFontMetrics metrics_;
};

}  // namespace folidex
