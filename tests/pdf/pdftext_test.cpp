#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "pdf/DerivedTitle.h"
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

TEST(PdfText, Utf16ToCp932StepsSkipTheMarkAndEndAtZero) {
  EXPECT_EQ(PdfUtf16ToCp932(u"\uFFFEテスト"), J("テスト"));
  EXPECT_EQ(PdfUtf16ToCp932(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(PdfUtf16ToCp932(u"a\u00E9\u0E01b"), "a  b");  // no CP932 form: one space each
}

TEST(PdfText, LiteralEscapes) {
  EXPECT_EQ(UnescapeLiteral("a\\(b\\)c\\\\d"), "a(b)c\\d");
  EXPECT_EQ(UnescapeLiteral("\\n\\r\\t\\b\\f"), "\n\r\t\b\f");
  // One to three octal digits, the value modulo 256; a fourth digit is a byte of its own.
  EXPECT_EQ(UnescapeLiteral("\\101\\0619\\7x\\501\\1011"), "A19\x07xAA1");
  // A backslash before a line end joins the lines; before another byte it is dropped; at the
  // end it is dropped.
  EXPECT_EQ(UnescapeLiteral("ab\\\r\ncd\\\nef\\qg\\"), "abcdefqg");
  EXPECT_EQ(DecodeLiteralUtf16("\\376\\377\\060\\306"), J("テ"));
  EXPECT_EQ(DecodeLiteralUtf16("\xFE\xFF\\\\q\x30\xC6"), J("山テ"));
}

TEST(DerivedTitle, TheLineInTheLargestTypeWhateverOrderTheBoxesComeIn) {
  // A small header at the top, two heading lines of the same size (the upper one wins), the
  // heading's words in two boxes on one baseline (one a little lower, as a different font sets
  // it), body text, blank boxes and a box without a type size.
  const std::vector<PdfTextBox> boxes = {
      {u"社外秘", 50, 20, 30, 9, 9, true},
      {u"Report", 160, 100.5, 80, 24, 24, false},
      {u"Annual", 50, 100, 90, 24, 24, true},
      {u"第二見出し", 50, 200, 120, 24, 24, false},
      {u"本文の一行目", 50, 300, 200, 11, 11, false},
      {u"   ", 50, 50, 100, 40, 40, false},
      {u"大", 300, 400, 40, 40, 0, false},
  };
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<PdfTextBox> shuffled = boxes;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    EXPECT_EQ(HeadingLine(shuffled), u"Annual Report");
  }
  EXPECT_EQ(HeadingLine({}), u"");
}

TEST(DerivedTitle, TrimmedCutOnACharacterBoundaryOrElseTheFileName) {
  EXPECT_EQ(DerivedTitle(u" \u3000年次報告書\t ", "a.pdf"), J("年次報告書"));
  // 99 kanji (198 bytes) and one more: the cut never splits the 100th.
  const std::u16string kanji(100, u'報');
  std::string ninetyNine;
  for (int k = 0; k < 99; ++k) ninetyNine += J("報");
  EXPECT_EQ(DerivedTitle(u"a" + kanji, "a.pdf"), "a" + ninetyNine);
  EXPECT_EQ(DerivedTitle(kanji, "a.pdf").size(), 200u);
  EXPECT_EQ(DerivedTitle(u"ab" + kanji, "a.pdf").size(), 200u);
  EXPECT_EQ(DerivedTitle(u"  ", J("議事録.PDF")), J("議事録"));
  EXPECT_EQ(DerivedTitle(u"", "notes.pdf.bak"), "notes.pdf.bak");
  EXPECT_EQ(DerivedTitle(u"\U0001F600", "x.pdf"), "x");  // nothing with a CP932 form is left
}
