#include <gtest/gtest.h>

#include "common/Cp932.h"

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
