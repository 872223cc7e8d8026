#include <gtest/gtest.h>

#include "pdf/PdfText.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

TEST(PdfText, Utf8ToUtf16DecodesLeniently) {
  EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE5\xA0\xB1"), u"Aé報");
  // Four-byte sequences become a surrogate pair; one beyond U+10FFFF and a sequence cut short by
  // the end become U+FFFD.
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80!"), u"\U0001F600!");
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80!"), u"\uFFFD!");
  EXPECT_EQ(Utf8ToUtf16("a\xE5\xA0"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("a\xF0\x9F\x98"), u"a\uFFFD");
  // Continuation bytes are not checked; a stray one starts a three-byte sequence.
  EXPECT_EQ(Utf8ToUtf16("\x85\x80\x80"), u"\u5000");
  EXPECT_EQ(Utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(PdfText, DecodeHexText) {
  EXPECT_EQ(DecodeHexText("48656c6C6F"), "Hello");
  EXPECT_EQ(DecodeHexText("4142 43\n44"), "ABCD");
  EXPECT_EQ(DecodeHexText("414"), "A");  // an odd final digit is dropped
  EXPECT_EQ(DecodeHexText(""), "");
}

TEST(PdfText, Utf16ToCp932StepsSkipTheMarkAndEndAtZero) {
  EXPECT_EQ(PdfUtf16ToCp932(u"\uFEFFテスト"), J("テスト"));
  EXPECT_EQ(PdfUtf16ToCp932(u"\uFFFEテスト"), J("テスト"));
  EXPECT_EQ(PdfUtf16ToCp932(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(PdfUtf16ToCp932(u"a\u00E9\u0E01b"), "a  b");  // no CP932 form: one space each
  EXPECT_EQ(BigEndianUtf16ToCp932("\x30\xC6\x30"), J("テ"));
}

TEST(PdfText, OctalEscapes) {
  EXPECT_EQ(DecodeOctalUtf16("\\376\\377\\060\\306"), J("テ"));
  // A non-digit counts as 0, digits 8 and 9 count as themselves, the value is taken modulo 256.
  EXPECT_EQ(DecodeOctalUtf16("\\0x1\\0A9"), " ");  // 0x01 0x09: U+0109, no CP932 form
  EXPECT_EQ(DecodeOctalUtf16("\\000\\501"), "A");  // 0x00 (5*64+1)%256 = 0x41
  EXPECT_EQ(DecodeOctalUtf16("\\000A\\0"), "A");   // a cut escape ends the text
}
