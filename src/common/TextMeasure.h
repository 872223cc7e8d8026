#pragma once
// The TextMeasure port: the pixel width of a CP932 text in the list's font.

#include <string>

namespace folidex {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int TextWidth(const std::string& cp932) const = 0;
};

}  // namespace folidex
