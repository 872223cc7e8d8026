#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "pdf/PdfInfo.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

class PdfInfoTest : public ::testing::Test {
 protected:
  TempDir dir;
  // Reads the bytes through a file, as the import does: the file is read, no message is shown and
  // nothing but PT..PM is written.
  IndexRecord ReadBytes(const std::string& name, const std::string& bytes) {
    std::string path = WritePdf(dir.path(), name, bytes);
    IndexRecord record;
    ScriptedPrompter prompter;
    EXPECT_EQ(PdfInfo(prompter).ReadInfo(path, record), 1);
    EXPECT_TRUE(prompter.shown.empty());
    for (int k = 6; k < kFieldCount; ++k) EXPECT_TRUE(record.fields[k].empty()) << "field " << k << " written";
    return record;
  }
  IndexRecord ReadPdf(const std::string& name, const PdfParts& parts) { return ReadBytes(name, BuildPdf(parts)); }
  IndexRecord ReadXmp(const std::string& name, const std::string& elements, const std::string& info = {}) {
    return ReadPdf(name, {info, XmpPacket(elements), {}, {}});
  }
};

std::string TitleAlt(const std::string& text) {
  return "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + text + "</rdf:li></rdf:Alt></dc:title>";
}

std::string Date(const char* tag, const std::string& text) {
  return std::string("<xmp:") + tag + ">" + text + "</xmp:" + tag + ">";
}

}  // namespace

TEST_F(PdfInfoTest, XmpAlternativeListTitleWinsAndTheDictionaryIsIgnored) {
  IndexRecord r = ReadXmp(
      "xmp_title.pdf",
      TitleAlt("報告書") + "\n<dc:creator>\n <rdf:Seq>\n  <rdf:li>山田 太郎</rdf:li>\n </rdf:Seq>\n</dc:creator>",
      "/Title (Other) /Subject (Ignored) /Keywords (kw) /CreationDate (D:20101201102030)");
  EXPECT_EQ(r[FieldTag::PT], J("報告書"));
  EXPECT_EQ(r[FieldTag::PA], J("山田 太郎"));
  EXPECT_EQ(r[FieldTag::PS], "");
  EXPECT_EQ(r[FieldTag::PK], "");
  EXPECT_EQ(r[FieldTag::PC], "");
  EXPECT_EQ(r[FieldTag::PM], "");
}

TEST_F(PdfInfoTest, XmpElementsOfEveryField) {
  IndexRecord r = ReadXmp("xmp_all.pdf", TitleAlt("Annual Report") +
                                             "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">概要 2010"
                                             "</rdf:li></rdf:Alt></dc:description>"
                                             "<pdf:Keywords>ISO 9001 品質</pdf:Keywords>" +
                                             Date("CreateDate", "2010-12-01T10:20:30+09:00") +
                                             Date("ModifyDate", "2011-01-02T03:04Z"));
  EXPECT_EQ(r[FieldTag::PT], "Annual Report");
  EXPECT_EQ(r[FieldTag::PS], J("概要 2010"));
  // XMP text is UTF-8 throughout: a value that begins in ASCII keeps its Japanese.
  EXPECT_EQ(r[FieldTag::PK], J("ISO 9001 品質"));
  EXPECT_EQ(r[FieldTag::PC], "2010.12.01 10:20:30");
  EXPECT_EQ(r[FieldTag::PM], "2011.01.02 03:04:00");
}

TEST_F(PdfInfoTest, XmpDateWithoutZoneFallsBackToTheFirstApostropheAfterTheName) {
  IndexRecord r = ReadXmp("xmp_date_fallback.pdf", TitleAlt("Title") + Date("CreateDate", "2010-12-01") +
                                                       Date("ModifyDate", "2010-12-01T10:20:30.25+09:00") +
                                                       "\n<dc:format>it's 2011-02-03</dc:format>");
  // The fallback takes the text after the first apostrophe that follows "CreateDate": "s 2011-02-03…"
  // gives offsets 0..9 of that text.
  EXPECT_EQ(r[FieldTag::PC], "s 20.1-.2- 00:00:00");
  EXPECT_EQ(r[FieldTag::PM], "s 20.1-.2- 00:00:00");

  r = ReadXmp("xmp_attribute_dates.pdf", TitleAlt("Title") +
                                             "<rdf:Description xmp:CreateDate='2010-12-01T10:20:30+09:00'"
                                             " xmp:ModifyDate='2011-01-02T03:04:05Z'/>");
  EXPECT_EQ(r[FieldTag::PT], "Title");
  EXPECT_EQ(r[FieldTag::PC], "2010.12.01 00:00:00");
  EXPECT_EQ(r[FieldTag::PM], "2011.01.02 00:00:00");
}

TEST_F(PdfInfoTest, AttributeOnlyXmpLeavesTheChoiceToTheDictionary) {
  std::string xmp = XmpPacket("", "xmp:CreateDate='2010-12-01T10:20:30+09:00' dc:format='application/pdf'");
  IndexRecord r =
      ReadPdf("xmp_attributes_only.pdf", {"/Title (Annual Report) /Author (Bob) /Subject (Sub) /Keywords (a, b) "
                                          "/CreationDate (D:20101201102030+09'00') /ModDate (D:20101201)",
                                          xmp,
                                          {},
                                          {}});
  EXPECT_EQ(r[FieldTag::PT], "Annual Report");
  EXPECT_EQ(r[FieldTag::PA], "Bob");
  EXPECT_EQ(r[FieldTag::PS], "Sub");
  EXPECT_EQ(r[FieldTag::PK], "a, b");
  EXPECT_EQ(r[FieldTag::PC], "2010.12.01 10:20:30");
  EXPECT_EQ(r[FieldTag::PM], "2010.12.01 00:00:00");
}

TEST_F(PdfInfoTest, XmpTextsThatAreSkipped) {
  // A one-byte title is passed over; the next element text, whatever element, is taken.
  IndexRecord r = ReadXmp("xmp_one_byte.pdf", TitleAlt("X") +
                                                  "<dc:creator><rdf:Seq><rdf:li>Ann Author</rdf:li>"
                                                  "</rdf:Seq></dc:creator>");
  EXPECT_EQ(r[FieldTag::PT], "Ann Author");
  EXPECT_EQ(r[FieldTag::PA], "Ann Author");

  // A self-closing element ends the search for its name at once.
  r = ReadXmp("xmp_empty_element.pdf", "<dc:title/>" + std::string("<dc:creator>Ann</dc:creator>"));
  EXPECT_EQ(r[FieldTag::PT], "");
  EXPECT_EQ(r[FieldTag::PA], "Ann");

  // Element texts of 1024 bytes or more are never taken; 1023 bytes are.
  r = ReadXmp("xmp_1024.pdf", "<dc:title>" + std::string(1024, 'a') + "</dc:title><dc:creator>" +
                                  std::string(1023, 'b') + "</dc:creator>");
  EXPECT_EQ(r[FieldTag::PT], std::string(1023, 'b'));
  EXPECT_EQ(r[FieldTag::PA], std::string(1023, 'b'));
}

TEST_F(PdfInfoTest, XmpEscapedHexadecimalString) {
  IndexRecord r = ReadXmp("xmp_hex.pdf",
                          "<dc:title>&lt;48656c6C6F2C20776F726C64&gt;</dc:title>"
                          "<dc:creator>&lt;414200FF&gt;</dc:creator>");
  EXPECT_EQ(r[FieldTag::PT], "Hello, world");
  EXPECT_EQ(r[FieldTag::PA], "AB");  // up to the first zero byte
}

TEST_F(PdfInfoTest, DictionaryStringForms) {
  struct Case {
    const char* name;
    std::string literal;
    std::string expected;
  } cases[] = {
      {"dict_literal.pdf", "(Annual Report)", "Annual Report"},
      {"dict_hex_upper.pdf", "<FEFF30C630B930C8>", J("テスト")},
      {"dict_hex_lower.pdf", "<feff30c630b930c8>", J("テスト")},
      {"dict_hex_wrapped.pdf", "<FEFF 30C6\n30B9 30C8>", J("テスト")},
      {"dict_hex_ja.pdf", "<FEFF001B6A61001B30C630B930C8>", J("テスト")},
      {"dict_octal.pdf", "(\\376\\377\\060\\306\\060\\271\\060\\310)", J("テスト")},
      {"dict_raw_utf16.pdf", std::string("(\xFE\xFF\x30\xC6\x30\xB9\x30\xC8)", 10), J("テスト")},
      {"dict_raw_octal.pdf", std::string("(\xFE\xFF\\060\\306\\060\\271\\060\\310)"), J("テスト")},
      // UTF-16 as producers write it: the bytes 0x5C, 0x28 and 0x29 of a unit escaped, or
      // parentheses balanced (山 is U+5C71).
      {"dict_utf16_escaped.pdf",
       std::string("(\xFE\xFF\\\\q\x75\x30\0\\(\0"
                   "1\0\\)\x30\x6E)",
                   19),
       J("山田(1)の")},
      {"dict_utf16_nested.pdf",
       std::string("(\xFE\xFF\0(\0"
                   "1\0)\x30\x6E)",
                   12),
       J("(1)の")},
      {"dict_backslash.pdf", "(Report \\(rev\\))", "Report (rev)"},
      {"dict_octal_spaces.pdf", "(The\\040ltxcmds\\040package)", "The ltxcmds package"},
      {"dict_less_than.pdf", "(a < b)", "a < b"},
      {"dict_raw_lines.pdf", "(two\r\nlines\\\r\n joined\\r\\n)", "two lines joined  "},
      {"dict_latin.pdf", "(Sch\\366pf \\(HO\\))", "Sch pf (HO)"},
      {"dict_raw_cp932.pdf", "(" + J("報告書") + ")", ""},
      {"dict_empty.pdf", "()", ""},
      {"dict_emoji.pdf", "<FEFFD83DDE0030C6>", J(" テ")},
      {"dict_line_break.pdf", "<FEFF0041000A0042>", "A B"},
  };
  for (const Case& c : cases) {
    IndexRecord r = ReadPdf(c.name, {"/Producer (x) /Title " + c.literal, {}, {}, {}});
    EXPECT_EQ(r[FieldTag::PT], c.expected) << c.name;
  }
}

// Random literals, each written with a random mix of the escapes PDF allows (named, one to three
// octal digits, a backslash before another byte, a backslash before a line end, parentheses
// balanced or escaped), read back as the text they spell.
TEST_F(PdfInfoTest, RandomlyEscapedLiteralsReadAsTheTextTheySpell) {
  std::mt19937 random(20261210);
  auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
  struct Token {
    std::string bytes;
    int octal = -1;  // an octal escape's value
  };
  for (int round = 0; round < 300; ++round) {
    std::vector<Token> tokens;
    std::string expected;
    auto emit = [&tokens](std::string bytes) { tokens.push_back({std::move(bytes)}); };
    auto octal = [&tokens](char c) { tokens.push_back({{}, static_cast<unsigned char>(c)}); };
    int open = 0;
    const int length = 1 + static_cast<int>(random() % 40);
    for (int k = 0; k < length; ++k) {
      if (chance(5)) emit(chance(50) ? "\\\n" : "\\\r\n");  // a line continued: nothing
      const int pick = static_cast<int>(random() % 100);
      if (pick < 6) {
        emit(std::string("\\") + "nrtbf"[random() % 5]);
        expected += ' ';
      } else if (pick < 10 && open < 3) {
        emit("(");  // balanced, closed further on
        expected += '(';
        ++open;
      } else if (pick < 14 && open > 0) {
        emit(")");
        expected += ')';
        --open;
      } else {
        const char c = static_cast<char>(0x20 + random() % 95);
        expected += c;
        if (c == '(' || c == ')' || c == '\\') {
          chance(50) ? emit(std::string("\\") + c) : octal(c);
        } else if (chance(25)) {
          octal(c);
        } else if (std::isalpha(static_cast<unsigned char>(c)) && !std::strchr("nrtbf", c) && chance(10)) {
          emit(std::string("\\") + c);  // an escape PDF does not name: the backslash goes
        } else {
          emit(std::string(1, c));
        }
      }
    }
    for (; open > 0; --open) {
      emit(")");
      expected += ')';
    }
    // An octal escape takes one to three digits: a short one only where no digit follows.
    std::string literal;
    for (std::size_t i = tokens.size(); i-- > 0;) {
      Token& t = tokens[i];
      if (t.octal < 0) {
        literal.insert(0, t.bytes);
        continue;
      }
      const int least = t.octal >= 64 ? 3 : t.octal >= 8 ? 2 : 1;
      const bool digitAfter = !literal.empty() && literal[0] >= '0' && literal[0] <= '7';
      const int digits = digitAfter ? 3 : least + static_cast<int>(random() % (4 - least));
      char text[16];
      std::snprintf(text, sizeof text, "\\%0*o", digits, static_cast<unsigned>(t.octal));
      literal.insert(0, text);
    }
    IndexRecord r = ReadPdf("random.pdf", {"/Producer (x) /Title (" + literal + ") /Author (after)", {}, {}, {}});
    ASSERT_EQ(r[FieldTag::PT], expected) << "literal (" << literal << ")";
    ASSERT_EQ(r[FieldTag::PA], "after");
  }
}

TEST_F(PdfInfoTest, DictionaryKeysAnywhere) {
  // An indirect reference takes the next string anywhere after the key.
  IndexRecord r =
      ReadPdf("dict_indirect.pdf", {"/Title (Plain) /Author 9 0 R", {}, "9 0 obj\n(Referenced Author)\nendobj\n", {}});
  EXPECT_EQ(r[FieldTag::PA], "Referenced Author");
  EXPECT_EQ(r[FieldTag::PT], "Plain");

  // The first occurrence anywhere wins, zero bytes and all before it.
  r = ReadPdf("dict_first.pdf", {"/Title (Second)", {}, {}, std::string("\0\0binary\0(", 10) + "/Title (First)\n"});
  EXPECT_EQ(r[FieldTag::PT], "First");

  // An outline item's title before the dictionary is taken; a key that is only the tail of a longer
  // name is not: LibreOffice writes /DisplayDocTitle and /Lang (en-US) before the dictionary.
  r = ReadPdf("dict_outline.pdf", {"/Title (Real)", {}, {}, "5 0 obj << /Title (Chapter 1) >> endobj\n"});
  EXPECT_EQ(r[FieldTag::PT], "Chapter 1");
  r = ReadPdf("dict_display.pdf",
              {"/Title <FEFF8A669A13> /Subtitle (x)",
               {},
               {},
               "4 0 obj << /ViewerPreferences << /DisplayDocTitle true >> /Lang (en-US) /SubjectArea (y) >> endobj\n"});
  EXPECT_EQ(r[FieldTag::PT], J("試験"));
  EXPECT_EQ(r[FieldTag::PS], "");

  // A value longer than 1024 bytes is cut; a missing ")" ends the value with the file.
  r = ReadPdf("dict_long.pdf", {"/Title (" + std::string(1500, 'x') + ")", {}, {}, {}});
  EXPECT_EQ(r[FieldTag::PT], std::string(1024, 'x'));
  r = ReadBytes("dict_unclosed.pdf", "%PDF-1.4\n/Subject (open to the end");
  EXPECT_EQ(r[FieldTag::PS], "open to the end");
}

TEST_F(PdfInfoTest, DictionaryDates) {
  struct Case {
    const char* name;
    std::string value;
    std::string expected;
  } cases[] = {
      {"date_full.pdf", "(D:20101201102030+09'00')", "2010.12.01 10:20:30"},
      {"date_day.pdf", "(D:20101201)", "2010.12.01 00:00:00"},
      {"date_hex.pdf", "<FEFF0044003A0032003000310030003100320030003100310030>", "2010.12.01 10:00:00"},
      {"date_asctime.pdf", "(Wed Dec 01 10:20:30 2010)", "2010.12.01 10:20:30"},
      {"date_foo.pdf", "(Wed Foo 01 10:20:30 2010)", "Wed Foo 01 10:20:30 2010"},
      {"date_slashes.pdf", "(2010/12/01)", ""},
      {"date_short.pdf", "(D:2010)", ""},
  };
  for (const Case& c : cases) {
    IndexRecord r = ReadPdf(c.name, {"/CreationDate " + c.value + " /ModDate " + c.value, {}, {}, {}});
    EXPECT_EQ(r[FieldTag::PC], c.expected) << c.name;
    EXPECT_EQ(r[FieldTag::PM], c.expected) << c.name;
  }
}

TEST_F(PdfInfoTest, NothingToFind) {
  IndexRecord r = ReadPdf("nothing.pdf", {});
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.fields[k], "") << k;
  r = ReadBytes("empty.pdf", "");
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.fields[k], "") << k;
}

TEST_F(PdfInfoTest, MalformedEndsStayWithinTheFile) {
  // A key on the very last bytes, a string opened on the last byte, an octal escape cut short,
  // an odd count of UTF-16 bytes, a truncated UTF-8 sequence and XMP text running to the end.
  EXPECT_EQ(ReadBytes("end_key.pdf", "%PDF /Title")[FieldTag::PT], "");
  EXPECT_EQ(ReadBytes("end_open.pdf", "%PDF /Title (")[FieldTag::PT], "");
  EXPECT_EQ(ReadBytes("end_hex.pdf", "%PDF /Title <FEFF30C")[FieldTag::PT], "");
  EXPECT_EQ(ReadBytes("end_octal.pdf", "%PDF /Title (\\376\\377\\060\\306\\060\\")[FieldTag::PT], J("テ"));
  EXPECT_EQ(ReadBytes("end_odd.pdf", std::string("%PDF /Title (\xFE\xFF\x30\xC6\x30)", 19))[FieldTag::PT], J("テ"));
  EXPECT_EQ(ReadBytes("end_utf8.pdf", "<dc:title>報告\xE6\x9B")[FieldTag::PT], J("報告 "));
  EXPECT_EQ(ReadBytes("end_xmp.pdf", "<dc:title>Open text")[FieldTag::PT], "Open text");
}

TEST_F(PdfInfoTest, FourByteUtf8IsOneCharacterWithoutCp932Form) {
  IndexRecord r = ReadXmp("xmp_emoji.pdf", TitleAlt("報告\xF0\x9F\x98\x80書") +
                                               "<dc:creator>\xF0\x9F\x98\x80"
                                               "</dc:creator>");
  EXPECT_EQ(r[FieldTag::PT], J("報告 書"));
  EXPECT_EQ(r[FieldTag::PA], " ");
}

TEST_F(PdfInfoTest, ALineBreakInsideAValueBecomesASpace) {
  IndexRecord r = ReadXmp("xmp_lines.pdf", TitleAlt("第一行\r\n第二行\n"));
  EXPECT_EQ(r[FieldTag::PT], J("第一行  第二行 "));
}

TEST(PdfInfo, AFileThatCannotBeOpenedShowsItsPath) {
  TempDir dir;
  for (const std::string& path : {dir.File("absent.pdf"), dir.path()}) {
    ScriptedPrompter prompter;
    IndexRecord record;
    record[FieldTag::PT] = "kept";
    EXPECT_EQ(PdfInfo(prompter).ReadInfo(path, record), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(prompter.shown[0].text, path + "\n" + MessageText(Msg::FileOpenFailed));
    EXPECT_EQ(record[FieldTag::PT], "kept");
  }
}

TEST(PdfInfo, AJapanesePathIsOpenedByItsNativeName) {
  TempDir dir;
  WritePdf(dir.path(), "報告書.pdf", BuildPdf({"/Title (Native)", {}, {}, {}}));
  ScriptedPrompter prompter;
  IndexRecord record;
  EXPECT_EQ(PdfInfo(prompter).ReadInfo(dir.path() + "/" + J("報告書.pdf"), record), 1);
  EXPECT_EQ(record[FieldTag::PT], "Native");
}
