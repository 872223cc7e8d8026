#pragma once
// CP932 <-> QString at the edge of the Qt layer; every widget text passes through these.
// Paths go through PathToQString / ToNativePathText instead.

#include <QFile>
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

// The first character of `text` that has no CP932 form (it would become a space), or an empty
// text when every character has one. Names that become file names are refused with it rather
// than silently changed.
inline QString FirstCharWithoutCp932Form(const QString& text) {
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString one = text.mid(i, length);
    if (one != QStringLiteral(" ") && ToQString(ToCp932(one)) != one) return one;
    i += length;
  }
  return {};
}

// A character as message text can name it when CP932 has no form for it: "U+00E9".
inline std::string CodePointText(const QString& character) {
  const char32_t code = character.isEmpty() ? 0 : character.toUcs4().value(0);
  return QStringLiteral("U+%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper().toStdString();
}

// File-system paths are never CP932: a native path (UTF-8 bytes here) to and from QString.
inline QString PathToQString(const std::string& native) { return QFile::decodeName(QByteArray::fromStdString(native)); }
inline NativePath ToNativePathText(const QString& path) { return NativePath(QFile::encodeName(path).toStdString()); }

}  // namespace folidex
