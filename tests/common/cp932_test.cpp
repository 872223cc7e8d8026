#include <gtest/gtest.h>

#include "common/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <iterator>
#include <random>
#include <type_traits>

using namespace folidex;

TEST(Cp932, RoundTripsJapaneseAndAscii) {
  const std::string utf8 = "報告書 Report ｱｲｳ ～①";
  std::string cp932 = Utf8ToCp932(utf8);
  EXPECT_EQ(cp932.substr(0, 6), "\x95\xF1\x8D\x90\x8F\x91");  // 報告書
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  std::u16string utf16 = Cp932ToUtf16(cp932);
  EXPECT_EQ(Utf16ToCp932(utf16), cp932);
}

TEST(Cp932, UnmappableCharactersBecomeOneSpaceEach) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b"),
            "a b");                                      // an emoji (surrogate pair in UTF-16)
  EXPECT_EQ(Utf8ToCp932("x\xC3\xA9\xC3\xA9y"), "x  y");  // é has no CP932 form
  EXPECT_EQ(Utf16ToCp932(u"\xD800z"), " z");             // a lone surrogate
  EXPECT_EQ(Utf8ToCp932("\xFF\xFE"
                        "ok"),
            "  ok");  // bytes that are not UTF-8
}

TEST(Cp932, VendorExtensionsConvert) {
  // 﨑 (U+FA11) and 髙 (U+9AD9) exist only in the code page's extensions.
  EXPECT_EQ(Utf8ToCp932("﨑髙"), "\xFA\xB1\xFB\xFC");
  EXPECT_EQ(Cp932ToUtf8("\xFA\xB1\xFB\xFC"), "﨑髙");
}

TEST(Cp932, KangxiRadicalsFoldToUnifiedIdeographs) {
  // ⽇ (U+2F47 KANGXI RADICAL SUN) and ⺟ (U+2E9F) as PDF fonts emit them.
  EXPECT_EQ(FoldRadical(0x2F47), U'日');
  EXPECT_EQ(FoldRadical(0x2E9F), U'母');
  EXPECT_EQ(FoldRadical(0x2ED1), U'長');    // the supplement's radicals a Japanese font draws as ideographs
  EXPECT_EQ(FoldRadical(0x2E80), 0x2E80u);  // no compatibility form: unchanged
  EXPECT_EQ(Utf16ToCp932(u"\u2F47\u672C"), Utf8ToCp932("日本"));
}

TEST(Cp932, InvalidCp932DecodesToReplacement) {
  EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // lead byte without trail byte at the end
}

TEST(Cp932, NativePathsAreUtf8) {
  EXPECT_EQ(ToNativePath("/tmp/plain"), "/tmp/plain");
  EXPECT_EQ(ToNativePath(Utf8ToCp932("/home/資料")), "/home/資料");
  EXPECT_EQ(FromNativePath("/home/資料"), Utf8ToCp932("/home/資料"));
}

// A path converted twice does not compile: each conversion takes only its own kind of text, and
// neither kind turns into the other.
template <typename T>
concept ConvertsToNative = requires(const T& text) {
  ToNativePath(text);
};
template <typename T>
concept ConvertsFromNative = requires(const T& path) {
  FromNativePath(path);
};
static_assert(ConvertsToNative<Cp932Text> && !ConvertsToNative<NativePath>);
static_assert(ConvertsFromNative<NativePath> && !ConvertsFromNative<Cp932Text>);
static_assert(!std::is_convertible_v<std::string, NativePath> && !std::is_convertible_v<NativePath, Cp932Text>);
static_assert(!std::is_convertible_v<std::string, Cp932Text> && !std::is_convertible_v<Cp932Text, NativePath>);

TEST(Cp932, TypedPathsConvertOnceEachWay) {
  const Cp932Text stored(Utf8ToCp932("/home/資料庫 テスト/a.pdf"));
  const NativePath native = ToNativePath(stored);
  EXPECT_EQ(native, "/home/資料庫 テスト/a.pdf");
  EXPECT_EQ(FromNativePath(native), stored);
  EXPECT_EQ(native + "/" + "DOCDATA", "/home/資料庫 テスト/a.pdf/DOCDATA");
}

TEST(Cp932, BodyTextIsComposedAndFallsBackToCompatibleForms) {
  auto body = [](std::u16string_view utf16) { return Cp932ToUtf8(BodyTextToCp932(utf16)); };
  EXPECT_EQ(body(u"\u30AB\u3099\u30A4\u304B\u3099"), "ガイが");                     // voiced marks stored apart (macOS)
  EXPECT_EQ(body(u"\uFB01le \u2F47\u672C"), "file 日本");                           // ligature and radical: NFKC
  EXPECT_EQ(body(u"Sch\u00F6n caf\u00E9 \u0141\u00F3d\u017A"), "Schon cafe Lodz");  // Latin without accents
  EXPECT_EQ(body(u"a\U0001F600b\u0E01c"), "a b c");                                 // nothing near in CP932: one space
  EXPECT_EQ(body(u"①ｶﾀｶﾅ～"), "①ｶﾀｶﾅ～");                                           // what CP932 has is kept as it is
  // The metadata conversion stays as it was: no fallback there.
  EXPECT_EQ(Utf16ToCp932(u"caf\u00E9 \uFB01"), "caf   ");
}

namespace {

// The conversion as the system's converter does it on the whole text at once: a unit without
// a form (a surrogate pair counts as one) becomes one space.
std::string ConverterCp932(std::u16string_view text) {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  std::string le;
  for (char16_t unit : text) {
    const char16_t folded = static_cast<char16_t>(FoldRadical(unit));
    le.push_back(static_cast<char>(folded & 0xFF));
    le.push_back(static_cast<char>(folded >> 8));
  }
  std::string out;
  char* src = le.data();
  std::size_t left = le.size();
  while (left > 0) {
    char buffer[4096];
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    const int error = errno;
    out.append(buffer, dst - buffer);
    if (r != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    out.push_back(' ');
    auto unitAt = [&](std::size_t k) {
      return static_cast<unsigned char>(src[k]) | (static_cast<unsigned char>(src[k + 1]) << 8);
    };
    const std::size_t skip =
        left >= 4 && unitAt(0) >= 0xD800 && unitAt(0) <= 0xDBFF && unitAt(2) >= 0xDC00 && unitAt(2) <= 0xDFFF ? 4 : 2;
    src += skip;
    left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

TEST(Cp932, EveryUnitAndMixedTextsConvertAsTheConverterDoes) {
  // Every unit of the BMP alone, surrogates included.
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    const std::u16string one(1, static_cast<char16_t>(unit));
    ASSERT_EQ(Utf16ToCp932(one), ConverterCp932(one)) << std::hex << unit;
  }
  // Texts of mapped and unmapped characters, pairs and lone surrogates in any order.
  const char16_t pieces[] = {u'a',      u'\0',     u'~',      u'\\',     u'\x7F',   u'\x80',   u'\xA5',   u'\xE9',
                             u'\x3042', u'\xFF71', u'\x9AD9', u'\xFA11', u'\x2460', u'\x2F00', u'\x2EA0', u'\xFF5E',
                             u'\x301C', u'\xFEFF', u'\xD83D', u'\xDE00', u'\xDBFF', u'\xDC00', u'\x20AC', u'\xE000'};
  std::mt19937 random(25);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const int length = static_cast<int>(random() % 24);
    for (int k = 0; k < length; ++k) text.push_back(pieces[random() % std::size(pieces)]);
    ASSERT_EQ(Utf16ToCp932(text), ConverterCp932(text)) << round;
    // The body-text form keeps the converter's forms of what it can convert.
    std::u16string mapped;
    for (char16_t c : text) {
      if (c < 0xD800 || c > 0xDFFF) mapped.push_back(c);
    }
    if (Utf16ToCp932(mapped).find(' ') == std::string::npos && mapped.find(u'\x2EA0') == std::u16string::npos &&
        mapped.find(u'\x2F00') == std::u16string::npos) {
      EXPECT_EQ(BodyTextToCp932(mapped), ConverterCp932(ToNfc(mapped))) << round;
    }
  }
}
