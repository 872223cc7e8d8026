#pragma once
// The TextMeasure port: the pixel width of a CP932 text in the list's font.

#include <string>

namespace folidex {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int TextWidth(const std::string& cp932) const = 0;
  // A width that TextWidth(cp932) never exceeds, found without laying the text out, so that a
  // fit can leave unmeasured every text that cannot be the widest. By default the width itself.
  virtual int WidthBound(const std::string& cp932) const { return TextWidth(cp932); }
};

}  // namespace folidex
