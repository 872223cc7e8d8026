#include "common/Cp932.h"

#include <ostream>

#include <iconv.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace folidex {
namespace {

// One converter per direction and thread; iconv_open is far too slow to repeat per call.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv_open failed: ") + from);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; at an unconvertible input unit, `onBad` appends the replacement to `out` and
  // returns how many input bytes to skip.
  template <typename OnBad>
  void Run(const char* in, std::size_t inLeft, std::string& out, OnBad onBad) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 4096> buffer;
    char* src = const_cast<char*>(in);
    while (inLeft > 0) {
      char* dst = buffer.data();
      std::size_t dstLeft = buffer.size();
      std::size_t r = iconv(cd_, &src, &inLeft, &dst, &dstLeft);
      int err = errno;
      out.append(buffer.data(), dst - buffer.data());
      if (r != static_cast<std::size_t>(-1)) break;
      if (err == E2BIG) continue;
      // EILSEQ (no form in the target set) or EINVAL (truncated input at the end).
      std::size_t skip = std::min(inLeft, onBad(src, inLeft, out));
      src += skip;
      inLeft -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
  }

 private:
  iconv_t cd_;
};

Converter& Utf16ToCp932Converter() {
  thread_local Converter c("CP932", "UTF-16LE");
  return c;
}

// The CP932 form of each UTF-16 unit, as the converter gives it for the unit alone, kept in
// blocks of 256 units made at their first use. CP932 has no shift states and no character
// outside the BMP, so a text's form is its units' forms in a row; a unit without one (and every
// surrogate) is left to the caller's fallback, where the converter would have stopped too.
// Converting a page of body text then costs a table look-up per character instead of a pass
// through the converter's steps.
class UnitForms {
 public:
  // The form of `unit` in `out`: false when it has none.
  bool Append(char16_t unit, std::string& out) {
    const std::unique_ptr<Block>& block = blocks_[unit >> 8];
    if (!block) Make(unit >> 8);
    const std::uint16_t form = blocks_[unit >> 8]->forms[unit & 0xFF];
    if (form == kNone) return false;
    // Two-byte forms have their lead byte at 0x81 or above; a one-byte form is below 0x100.
    if (form >= 0x100) out.push_back(static_cast<char>(form >> 8));
    out.push_back(static_cast<char>(form & 0xFF));
    return true;
  }

 private:
  static constexpr std::uint16_t kNone = 0xFFFF;  // no CP932 character is FF FF
  struct Block {
    std::array<std::uint16_t, 256> forms;
  };

  void Make(unsigned high) {
    auto block = std::make_unique<Block>();
    block->forms.fill(kNone);
    for (unsigned low = 0; low < 256; ++low) {
      const unsigned unit = (high << 8) | low;
      if (unit >= 0xD800 && unit <= 0xDFFF) continue;
      const char le[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      std::string form;
      bool whole = true;
      Utf16ToCp932Converter().Run(le, 2, form, [&whole](const char*, std::size_t left, std::string&) {
        whole = false;
        return left;
      });
      if (!whole || form.empty() || form.size() > 2) continue;
      block->forms[low] = form.size() == 1 ? static_cast<unsigned char>(form[0])
                                           : static_cast<std::uint16_t>((static_cast<unsigned char>(form[0]) << 8) |
                                                                        static_cast<unsigned char>(form[1]));
    }
    blocks_[high] = std::move(block);
  }

  std::array<std::unique_ptr<Block>, 256> blocks_;
};

UnitForms& Utf16ToCp932Forms() {
  thread_local UnitForms forms;
  return forms;
}

// Converts UTF-16LE bytes `le` (an even count) into CP932 as the converter would: at a unit
// without a form, `onBad` appends the replacement and returns how many bytes to skip.
template <typename OnBad>
void RunUtf16ToCp932(const std::string& le, std::string& out, OnBad onBad) {
  UnitForms& forms = Utf16ToCp932Forms();
  std::size_t at = 0;
  while (at < le.size()) {
    const auto unit =
        static_cast<char16_t>(static_cast<unsigned char>(le[at]) | (static_cast<unsigned char>(le[at + 1]) << 8));
    if (forms.Append(unit, out)) {
      at += 2;
      continue;
    }
    const std::size_t left = le.size() - at;
    at += std::max<std::size_t>(1, std::min(left, onBad(le.data() + at, left, out)));
  }
}
// A second one for the fallback of a single character, asked while the first is converting.
Converter& FallbackConverter() {
  thread_local Converter c("CP932", "UTF-16LE");
  return c;
}
Converter& Cp932ToUtf16Converter() {
  thread_local Converter c("UTF-16LE", "CP932");
  return c;
}
Converter& Utf8ToUtf16Converter() {
  thread_local Converter c("UTF-16LE", "UTF-8");
  return c;
}

void AppendUnitLE(std::string& out, char16_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

std::u16string FromLE(const std::string& bytes) {
  std::u16string result(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < result.size(); ++i) {
    result[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return result;
}

const icu::Normalizer2& Nfkc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFKCInstance(status);
  if (U_FAILURE(status) || !n) throw std::runtime_error("ICU NFKC data missing");
  return *n;
}

const icu::Normalizer2& Nfc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status) || !n) throw std::runtime_error("ICU NFC data missing");
  return *n;
}

std::u16string FromIcu(const icu::UnicodeString& text) {
  return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

icu::UnicodeString ToIcu(std::u16string_view text) {
  return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

// `units` in CP932 when every character of it has a form there.
bool ConvertWhole(std::u16string_view units, std::string& out) {
  std::string le;
  for (char16_t unit : units) AppendUnitLE(le, unit);
  bool whole = true;
  std::string converted;
  FallbackConverter().Run(le.data(), le.size(), converted, [&whole](const char*, std::size_t left, std::string&) {
    whole = false;
    return left;
  });
  if (whole) out += converted;
  return whole;
}

// A Latin letter without its accents (ö → o, é → e, ß → ss), or empty.
std::u16string LatinWithoutAccent(char32_t codePoint) {
  UErrorCode status = U_ZERO_ERROR;
  if (uscript_getScript(static_cast<UChar32>(codePoint), &status) != USCRIPT_LATIN || !u_isalpha(codePoint)) return {};
  thread_local std::unique_ptr<icu::Transliterator> toAscii = [] {
    UErrorCode s = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance("Latin-ASCII", UTRANS_FORWARD, s));
    if (U_FAILURE(s)) t.reset();
    return t;
  }();
  if (!toAscii) return {};
  icu::UnicodeString text(static_cast<UChar32>(codePoint));
  toAscii->transliterate(text);
  std::u16string result = FromIcu(text);
  for (char16_t c : result) {
    if (c >= 0x80 || !((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) return {};
  }
  return result;
}

// The stand-in of a body-text character without a CP932 form: its compatibility form (NFKC) when
// that has one in CP932, else its Latin letter without the accent, else one space.
void AppendFallback(char32_t codePoint, std::string& out) {
  icu::UnicodeString one(static_cast<UChar32>(codePoint));
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString compatible = Nfkc().normalize(one, status);
  if (U_SUCCESS(status) && compatible != one && !compatible.isEmpty() && ConvertWhole(FromIcu(compatible), out)) return;
  const std::u16string latin = LatinWithoutAccent(codePoint);
  if (!latin.empty() && ConvertWhole(latin, out)) return;
  out.push_back(' ');
}

// The code point of UTF-16LE bytes at `at` (`left` bytes remain) and how many bytes it takes.
char32_t CodePointAt(const char* at, std::size_t left, std::size_t& bytes) {
  auto unitAt = [at](std::size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(at[k]) | (static_cast<unsigned char>(at[k + 1]) << 8));
  };
  bytes = 2;
  if (left < 2) {
    bytes = left;
    return 0xFFFD;
  }
  const char32_t hi = unitAt(0);
  if (hi >= 0xD800 && hi <= 0xDBFF && left >= 4) {
    const char32_t lo = unitAt(2);
    if (lo >= 0xDC00 && lo <= 0xDFFF) {
      bytes = 4;
      return 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
    }
  }
  return hi;
}

}  // namespace

char32_t FoldRadical(char32_t codePoint) {
  if (codePoint < 0x2E80 || codePoint > 0x2FD5) return codePoint;
  // Radicals of the supplement that Japanese fonts draw with an ideograph's glyph but that have
  // no compatibility form: their equivalent ideographs.
  static constexpr std::pair<char32_t, char32_t> kSupplement[] = {
      {0x2EA0, 0x6C11},  // ⺠ 民
      {0x2EC4, 0x897F},  // ⻄ 西
      {0x2ED1, 0x9577},  // ⻑ 長
      {0x2EDD, 0x98DF},  // ⻝ 食
      {0x2EE9, 0x9EC4},  // ⻩ 黄
      {0x2EEB, 0x6589},  // ⻫ 斉
      {0x2EED, 0x6B6F},  // ⻭ 歯
      {0x2EEF, 0x7ADC},  // ⻯ 竜
      {0x2EF2, 0x4E80},  // ⻲ 亀
  };
  for (const auto& [radical, ideograph] : kSupplement)
    if (radical == codePoint) return ideograph;
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString folded = Nfkc().normalize(icu::UnicodeString(static_cast<UChar32>(codePoint)), status);
  if (U_FAILURE(status) || folded.countChar32() != 1) return codePoint;
  const UChar32 ideograph = folded.char32At(0);
  return u_hasBinaryProperty(ideograph, UCHAR_IDEOGRAPHIC) ? static_cast<char32_t>(ideograph) : codePoint;
}

std::u16string ToNfc(std::u16string_view text) {
  const icu::Normalizer2& nfc = Nfc();
  const icu::UnicodeString source = ToIcu(text);
  UErrorCode status = U_ZERO_ERROR;
  if (nfc.isNormalized(source, status) && U_SUCCESS(status)) return std::u16string(text);
  status = U_ZERO_ERROR;
  const icu::UnicodeString normal = nfc.normalize(source, status);
  return U_SUCCESS(status) ? FromIcu(normal) : std::u16string(text);
}

std::u16string CompatibleForm(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString normal = Nfkc().normalize(ToIcu(text), status);
  return U_SUCCESS(status) ? FromIcu(normal) : std::u16string(text);
}

std::string BodyTextToCp932(std::u16string_view utf16) {
  const std::u16string normal = ToNfc(utf16);
  std::string le;
  le.reserve(normal.size() * 2);
  for (char16_t unit : normal) AppendUnitLE(le, unit);
  std::string out;
  out.reserve(normal.size() * 2);
  RunUtf16ToCp932(le, out, [](const char* at, std::size_t left, std::string& o) {
    std::size_t bytes = 0;
    const char32_t codePoint = CodePointAt(at, left, bytes);
    AppendFallback(codePoint, o);
    return bytes;
  });
  return out;
}

std::string Utf16ToCp932(std::u16string_view utf16) {
  std::string le;
  le.reserve(utf16.size() * 2);
  for (char16_t unit : utf16) AppendUnitLE(le, static_cast<char16_t>(FoldRadical(unit)));
  std::string out;
  out.reserve(utf16.size() * 2);
  RunUtf16ToCp932(le, out, [](const char* at, std::size_t left, std::string& o) {
    o.push_back(' ');
    // A high surrogate followed by a low one is one character: skip both units.
    if (left >= 4) {
      unsigned hi = static_cast<unsigned char>(at[0]) | (static_cast<unsigned char>(at[1]) << 8);
      unsigned lo = static_cast<unsigned char>(at[2]) | (static_cast<unsigned char>(at[3]) << 8);
      if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF) return std::size_t{4};
    }
    return std::size_t{2};
  });
  return out;
}

std::u16string Cp932ToUtf16(std::string_view cp932) {
  std::string le;
  le.reserve(cp932.size() * 2);
  Cp932ToUtf16Converter().Run(cp932.data(), cp932.size(), le, [](const char*, std::size_t, std::string& o) {
    AppendUnitLE(o, u'\uFFFD');
    return std::size_t{1};
  });
  return FromLE(le);
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string le;
  le.reserve(utf8.size() * 2);
  Utf8ToUtf16Converter().Run(utf8.data(), utf8.size(), le, [](const char*, std::size_t, std::string& o) {
    AppendUnitLE(o, u'\uFFFD');
    return std::size_t{1};
  });
  return Utf16ToCp932(FromLE(le));
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::u16string utf16 = Cp932ToUtf16(cp932);
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string ToNativePath(std::string_view cp932Path) {
  // Pure ASCII needs no conversion: the common case of store paths below an ASCII location.
  if (std::all_of(cp932Path.begin(), cp932Path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(cp932Path);
  return Cp932ToUtf8(cp932Path);
}

std::string FromNativePath(std::string_view nativePath) {
  if (std::all_of(nativePath.begin(), nativePath.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(nativePath);
  return Utf8ToCp932(nativePath);
}

NativePath ToNativePath(const Cp932Text& cp932Path) {
  return NativePath(ToNativePath(std::string_view(cp932Path.str())));
}

Cp932Text FromNativePath(const NativePath& nativePath) {
  return Cp932Text(FromNativePath(std::string_view(nativePath.str())));
}

std::ostream& operator<<(std::ostream& out, const NativePath& path) { return out << path.str(); }
std::ostream& operator<<(std::ostream& out, const Cp932Text& text) { return out << text.str(); }

}  // namespace folidex
