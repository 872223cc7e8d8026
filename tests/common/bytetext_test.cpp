#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"

using namespace folidex;

namespace {
std::string J(const char* utf8) { return Utf8ToCp932(utf8); }
}  // namespace

TEST(ByteText, FindNeverStartsOnATrailByte) {
  // ア is 0x83 0x41: its trail byte is the letter A.
  std::string text = J("ア") + "A";
  EXPECT_EQ(FindCp932(text, "A"), 2u);
  EXPECT_FALSE(ContainsCp932(J("ア"), "A"));
  // ソ is 0x83 0x5C; 表 is 0x95 0x5C: trail bytes equal to a backslash.
  EXPECT_EQ(FindCp932(J("表ソ\\"), "\\"), 4u);
  // A trail byte equal to a lead byte: 0x81 0x81 is ＝, then 0x40 — not the ideographic space 0x81 0x40.
  EXPECT_FALSE(ContainsCp932(J("＝") + "@", "\x81\x40"));
  EXPECT_EQ(FindCp932(J("＝　"), "\x81\x40"), 2u);
}

TEST(ByteText, FindFromBoundaryAndEmptyNeedle) {
  std::string text = J("ああ") + "x" + J("あ") + "x";
  EXPECT_EQ(FindCp932(text, "x"), 4u);
  EXPECT_EQ(FindCp932(text, "x", 5), 7u);
  EXPECT_EQ(FindCp932(text, ""), 0u);
  EXPECT_EQ(FindCp932("", "x"), std::string_view::npos);
}

TEST(ByteText, ReplaceIsOneLeftToRightPass) {
  EXPECT_EQ(ReplaceAllCp932("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAllCp932(J("ア") + "A", "A", "B"), J("ア") + "B");
  EXPECT_EQ(ReplaceAllCp932("none", "x", "y"), "none");
}

TEST(ByteText, UpperCasesAsciiAndFullWidthLatinOnly) {
  EXPECT_EQ(UpperCaseCp932(J("abcｐｄｆａｚ日本語かなｱ")), J("ABCＰＤＦＡＺ日本語かなｱ"));
  // ぁ is 0x82 0x9F: the lead byte of the full-width letters, but not a letter.
  EXPECT_EQ(UpperCaseCp932(J("ぁ")), J("ぁ"));
  // A trail byte that looks like a lower-case letter stays: ぢ is 0x82 0x61 ('a').
  EXPECT_EQ(UpperCaseCp932(J("ぢ")), J("ぢ"));
  EXPECT_EQ(UpperCaseAsciiCp932(J("ぢpdf")), J("ぢPDF"));
}

TEST(ByteText, AnInvalidSequencePassesThroughAndTheRestIsStillUpperCased) {
  EXPECT_EQ(UpperCaseCp932("ab\x82"), "AB\x82");  // a lead byte at the end
  // 0x82 before a space is no character: it stays, and the letters after it are upper-cased,
  // full-width ones included.
  EXPECT_EQ(UpperCaseCp932("\x82 a" + J("ｐ")), "\x82 A" + J("Ｐ"));
  EXPECT_EQ(UpperCaseCp932("x\x82\x7F" + J("ｂ") + "y"), "X\x82\x7F" + J("Ｂ") + "Y");
}

TEST(ByteText, LeadingNumberAndSerials) {
  EXPECT_EQ(LeadingNumber("00000107.TXT"), 107);
  EXPECT_EQ(LeadingNumber("16765650"), 16765650);
  EXPECT_EQ(LeadingNumber("12abc"), 12);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("-5"), -5);
  EXPECT_EQ(FormatSerial(0), "00000000");
  EXPECT_EQ(FormatSerial(123456789), "123456789");
}
