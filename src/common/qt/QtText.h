#pragma once
// CP932 <-> QString at the edge of the Qt layer; every widget text passes through these.

#include <QString>
#include <string>
#include <string_view>

#include "common/Cp932.h"

namespace folidex {

inline QString ToQString(std::string_view cp932) {
  std::u16string utf16 = Cp932ToUtf16(cp932);
  return QString(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size()));
}

inline std::string ToCp932(const QString& text) {
  return Utf16ToCp932(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

}  // namespace folidex
