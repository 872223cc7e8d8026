#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "common/ByteText.h"
#include "common/Normalize.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;

TEST(VariantKanji, TableHoldsTheTwentyEightPairs) {
  ASSERT_EQ(VariantKanjiTable.size(), 28u);
  for (std::string_view pair : VariantKanjiTable) ASSERT_EQ(pair.size(), 4u);
  // Spot checks against the characters: 澤→沢, 﨑→崎 (a vendor extension), 瀧→滝.
  EXPECT_EQ(VariantKanjiTable[10], J("澤沢"));
  EXPECT_EQ(VariantKanjiTable[7], J("﨑崎"));
  EXPECT_EQ(VariantKanjiTable[27], J("瀧滝"));
  EXPECT_EQ(FoldVariantKanji(J("淺藏兒斎齊齋榮﨑嵜櫻澤嶌壽瀨髙舘德冨濱廣邊邉眞峯惠栁龍瀧")),
            J("浅蔵児斉斉斉栄崎崎桜沢島寿瀬高館徳富浜広辺辺真峰恵柳竜滝"));
}

TEST(VariantKanji, FoldIsCharacterAware) {
  // 澤 is 0xE0 0x56. The bytes 0x88 0xE0 form 育; followed by 0x56 ('V') they must not be read
  // as 澤. Likewise 0x8A 0xDA (舘) inside 0x98 0x8A 0xDA: 0x98 0x8A is one character.
  std::string tricky =
      "\x88\xE0"
      "V";
  EXPECT_EQ(FoldVariantKanji(tricky), tricky);
  std::string tricky2 = "\x98\x8A\xDA";
  EXPECT_EQ(FoldVariantKanji(tricky2), tricky2);
  EXPECT_EQ(FoldVariantKanji(J("澤澤")), J("沢沢"));
}

TEST(Normalize, BodyTextExampleAndSpaceRuns) {
  std::string text = "a--b\r\nx\t" + J("澤") + "....d";
  EXPECT_EQ(NormalizeBodyText(text), "AB X " + J("沢") + "D");
  EXPECT_EQ(NormalizeBodyText("a    b"), "AB");
  EXPECT_EQ(NormalizeBodyText("a   b"), "A   B");
  EXPECT_EQ(NormalizeBodyText("a\rb\nc"), "A B C");
  EXPECT_EQ(NormalizeBodyText(J("全角　空白・・中点・")), J("全角空白中点・"));
}

TEST(Normalize, BodyTextStepsRunInOrder) {
  // "-\r\n-" becomes "- -" only after the deletions, so it survives; "---" loses one pair.
  EXPECT_EQ(NormalizeBodyText("-\r\n-"), "- -");
  EXPECT_EQ(NormalizeBodyText("---"), "-");
  // Eight full stops are two runs of four.
  EXPECT_EQ(NormalizeBodyText("a........b"), "AB");
}

TEST(Normalize, AnInvalidDoubleByteSequenceDoesNotStopTheUpperCasing) {
  // A stray lead byte in captured text: the body is still found by a lower-case term.
  EXPECT_EQ(NormalizeBodyText("abc\x82"), "ABC\x82");
  EXPECT_EQ(NormalizeBodyText("report \x82\x0A summary " + J("ｐｄｆ")), "REPORT \x82  SUMMARY " + J("ＰＤＦ"));
  EXPECT_EQ(NormalizeSearchTerm("term\xFD"), "TERM\xFD");
}

TEST(Normalize, SearchTermFoldsAndUpperCases) {
  EXPECT_EQ(NormalizeSearchTerm(J("ｐｄｆ 齋藤")), J("ＰＤＦ 斉藤"));
  EXPECT_EQ(NormalizeSearchTerm("MixedCase"), "MIXEDCASE");
  EXPECT_EQ(NormalizeSearchTerm(J("かな漢字")), J("かな漢字"));
}

TEST(Normalize, FoldedFormForgivesTheUsualVariants) {
  auto fold = [](const char* utf8) { return FoldForMatch(J(utf8)); };
  const char* pairs[][2] = {
      {"ＰＤＦ", "PDF"},
      {"２０２０年", "2020年"},
      {"ﾃﾞｰﾀﾍﾞｰｽ", "データベース"},
      {"ひらがな", "ヒラガナ"},
      {"サーバ－", "サーバー"},
      {"サーバ―", "サーバー"},
      {"サーバ‐", "サーバー"},
      {"ﾊﾟｿｺﾝ", "パソコン"},
      {"①章", "1章"},
      {"doc 1", "DOC 1"},
      {"東京 都庁", "東京都庁"},
      {"東京　都庁", "東京都庁"},
      {"齋藤と渡邊", "斉藤と渡辺"},
      {"ｶﾞｲﾄﾞ", "ガイド"},
  };
  for (const auto& pair : pairs) {
    EXPECT_EQ(fold(pair[0]), fold(pair[1])) << pair[0];
    EXPECT_NE(J(pair[0]), J(pair[1])) << pair[0];  // the exact form tells them apart
  }
  // What stays apart: a dash after a kanji or a digit, a space between Latin words, a space
  // next to Latin text.
  EXPECT_NE(fold("東京－大阪"), fold("東京ー大阪"));
  EXPECT_EQ(fold("1-2"), "1-2");
  EXPECT_EQ(fold("full text"), "FULL TEXT");
  EXPECT_EQ(fold("東京 PDF"), "\x93\x8C\x8B\x9E PDF");
  // A trail byte that looks like a lead byte or ASCII is never folded on its own.
  EXPECT_EQ(FoldForMatch("\x83\x61"), "\x83\x61");  // ア's trail byte is 'a'
}

// The anchors are a filter a search trusts: every text whose folded form holds a term must hold
// one of the term's anchors. Random texts drawn from the characters the folding treats apart
// (kana in both widths with voiced marks, dashes, variant kanji, full-width ASCII, circled
// numbers, spaces, stray and lone lead bytes), terms cut from their folded forms.
TEST(Normalize, EveryTextWhoseFoldedFormHoldsATermHoldsOneOfItsAnchors) {
  const std::vector<std::string> alphabet = {
      J("あ"), J("ア"), "\xB1",  J("が"), J("ガ"), "\xB6\xDE", "\xB6", "\xDE", "\xCA\xDF", J("ー"), J("－"), J("―"),
      J("‐"),  "\xB0",  J("邊"), J("辺"), J("Ａ"), J("ａ"),    "a",    "A",    "1",        "0",     J("①"),  J("⑩"),
      " ",     J("　"), J("量"), J("子"), "\x83",  "\x80",     "\xFD", "-",    "Q",        "q"};
  auto hex = [](const std::string& bytes) {
    std::string out;
    char two[4];
    for (unsigned char b : bytes) out.append(two, static_cast<std::size_t>(std::snprintf(two, sizeof two, "%02X ", b)));
    return out;
  };
  std::mt19937 random(20261210);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    const std::string folded = FoldForMatch(text);
    // A term of one to four characters of the folded text, from a character boundary.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < folded.size();
         i += (IsCp932LeadByte(static_cast<unsigned char>(folded[i])) && i + 1 < folded.size()) ? 2 : 1)
      starts.push_back(i);
    starts.push_back(folded.size());
    const std::size_t from = random() % (starts.size() - 1);
    const std::size_t to = std::min(starts.size() - 1, from + 1 + random() % 4);
    const std::string term = folded.substr(starts[from], starts[to] - starts[from]);
    const std::vector<std::string> anchors = FoldAnchors(term);
    if (term.find_first_not_of(' ') == std::string::npos) {
      EXPECT_TRUE(anchors.empty());
      continue;
    }
    ASSERT_FALSE(anchors.empty()) << hex(term);
    EXPECT_TRUE(
        std::any_of(anchors.begin(), anchors.end(), [&](const std::string& a) { return ContainsCp932(text, a); }))
        << "text " << hex(text) << " term " << hex(term);
  }
  // A kanji has itself for its only raw form; a katakana its hiragana and half-width forms too.
  EXPECT_EQ(FoldAnchors(FoldForMatch(J("量子"))), std::vector<std::string>{J("量")});
  EXPECT_EQ(FoldAnchors(FoldForMatch(J("辺"))).size(), 3u);  // 辺 邊 邉
}
