#include "pdf/PdfText.h"

#include "common/Cp932.h"

namespace folidex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

unsigned Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  std::size_t i = 0;
  const std::size_t n = utf8.size();
  while (i < n) {
    unsigned lead = Byte(utf8, i);
    if (lead < 0x80) {
      units.push_back(static_cast<char16_t>(lead));
      ++i;
      continue;
    }
    std::size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead >= 0xF0 && lead <= 0xF4) ? 4 : 3;
    if (i + length > n) {
      units.push_back(kReplacement);
      break;
    }
    if (length == 2) {
      units.push_back(static_cast<char16_t>(((lead & 0x1F) << 6) | (Byte(utf8, i + 1) & 0x3F)));
    } else if (length == 3) {
      units.push_back(static_cast<char16_t>(((lead & 0x0F) << 12) | ((Byte(utf8, i + 1) & 0x3F) << 6) |
                                            (Byte(utf8, i + 2) & 0x3F)));
    } else {
      char32_t cp = ((lead & 0x07) << 18) | ((Byte(utf8, i + 1) & 0x3F) << 12) | ((Byte(utf8, i + 2) & 0x3F) << 6) |
                    (Byte(utf8, i + 3) & 0x3F);
      if (cp < 0x10000 || cp > 0x10FFFF) {
        units.push_back(kReplacement);
      } else {
        cp -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      }
    }
    i += length;
  }
  return units;
}

std::string DecodeHexText(std::string_view hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  int high = -1;
  for (char c : hex) {
    int value = HexValue(c);
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<char>((high << 4) | value));
      high = -1;
    }
  }
  return bytes;
}

std::string PdfUtf16ToCp932(std::u16string_view units) {
  if (!units.empty() && (units.front() == 0xFEFF || units.front() == 0xFFFE)) units.remove_prefix(1);
  std::size_t zero = units.find(u'\0');
  if (zero != std::u16string_view::npos) units = units.substr(0, zero);
  return Utf16ToCp932(units);
}

std::string BigEndianUtf16ToCp932(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>((Byte(bytes, 2 * k) << 8) | Byte(bytes, 2 * k + 1));
  return PdfUtf16ToCp932(units);
}

std::string DecodeHexUtf16(std::string_view hex) {
  std::string bytes = DecodeHexText(hex);
  static constexpr std::string_view kJapaneseEscape("\xFE\xFF\x00\x1B\x6A\x61\x00\x1B", 8);
  if (std::string_view(bytes).starts_with(kJapaneseEscape)) bytes.erase(2, 6);
  return BigEndianUtf16ToCp932(bytes);
}

std::string UnescapeLiteral(std::string_view escaped) {
  std::string bytes;
  bytes.reserve(escaped.size());
  const std::size_t n = escaped.size();
  for (std::size_t i = 0; i < n; ++i) {
    char c = escaped[i];
    if (c != '\\') {
      bytes.push_back(c);
      continue;
    }
    if (++i >= n) break;
    c = escaped[i];
    if (c >= '0' && c <= '7') {
      unsigned value = 0;
      for (int digits = 0; digits < 3 && i < n && escaped[i] >= '0' && escaped[i] <= '7'; ++digits, ++i)
        value = value * 8 + static_cast<unsigned>(escaped[i] - '0');
      --i;
      bytes.push_back(static_cast<char>(value & 0xFF));
      continue;
    }
    switch (c) {
      case 'n':
        bytes.push_back('\n');
        break;
      case 'r':
        bytes.push_back('\r');
        break;
      case 't':
        bytes.push_back('\t');
        break;
      case 'b':
        bytes.push_back('\b');
        break;
      case 'f':
        bytes.push_back('\f');
        break;
      case '\r':
        if (i + 1 < n && escaped[i + 1] == '\n') ++i;
        break;
      case '\n':
        break;
      default:
        bytes.push_back(c);  // \( \) \\ and a backslash before any other byte
        break;
    }
  }
  return bytes;
}

std::string PdfDocEncodingToCp932(std::string_view bytes) {
  // PDFDocEncoding where it differs from Latin-1: 0x18..0x1F and 0x80..0xA0.
  static constexpr char16_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
  static constexpr char16_t kHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                         0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                         0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                         0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD, 0x20AC};
  std::u16string units;
  units.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0) break;  // a field ends at a zero byte
    if (b >= 0x18 && b <= 0x1F) {
      units.push_back(kLow[b - 0x18]);
    } else if (b < 0x20 || b == 0x7F) {
      units.push_back(u' ');
    } else if (b >= 0x80 && b <= 0xA0) {
      units.push_back(kHigh[b - 0x80]);
    } else {
      units.push_back(static_cast<char16_t>(b));
    }
  }
  // A leading U+00FE U+00FF stays text: only the bytes FE FF make UTF-16, and those are read
  // before this.
  std::string text;
  text.reserve(units.size());
  std::size_t from = 0;
  while (from < units.size()) {
    std::size_t ascii = from;
    while (ascii < units.size() && units[ascii] >= 0x20 && units[ascii] < 0x7F) ++ascii;
    for (std::size_t k = from; k < ascii; ++k) text.push_back(static_cast<char>(units[k]));
    if (ascii == units.size()) break;
    std::size_t other = ascii;
    while (other < units.size() && !(units[other] >= 0x20 && units[other] < 0x7F)) ++other;
    text += PdfUtf16ToCp932(std::u16string_view(units).substr(ascii, other - ascii));
    from = other;
  }
  return text;
}

std::string DecodeLiteralUtf16(std::string_view escaped) { return BigEndianUtf16ToCp932(UnescapeLiteral(escaped)); }

std::string Utf8TextToCp932(std::string_view utf8) { return PdfUtf16ToCp932(Utf8ToUtf16(utf8)); }

}  // namespace folidex
