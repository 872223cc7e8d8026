#include <gtest/gtest.h>

#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "search/Places.h"
#include "support/FakePdf.h"

using namespace folidex;

namespace {

std::string J(std::string_view utf8) { return Utf8ToCp932(utf8); }

PlaceMatcher Exact(std::string_view term) { return PlaceMatcher(NormalizeSearchTerm(J(term)), false, false); }
PlaceMatcher Folded(std::string_view term) {
  return PlaceMatcher(FoldForMatch(NormalizeSearchTerm(J(term))), true, false);
}

std::vector<std::string> Terms(const PlaceMatcher& matcher, const std::string& text, bool stored) {
  std::vector<std::string> terms;
  for (const Span& s : matcher.Find(text, stored)) terms.push_back(Cp932ToUtf8(text.substr(s.begin, s.end - s.begin)));
  return terms;
}

// Text from pieces that the normalisation and the fold treat specially.
std::string RandomText(std::mt19937& rng, std::size_t pieces) {
  static const std::vector<std::string> alphabet = {J("あ"), J("ア"), J("ｱ"), J("ｶ"),  J("ﾞ"),  J("ー"), J("－"),
                                                    J("　"), " ",     "  ",   "-",     "--",    ".",     "....",
                                                    J("・"), "\r\n",  "\n",   "\t",    "a",     "A",     J("ａ"),
                                                    J("①"),  J("⑩"),  "1",    J("澤"), J("沢"), J("漢"), "\x82"};
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::string text;
  for (std::size_t k = 0; k < pieces; ++k) text += alphabet[pick(rng)];
  return text;
}

}  // namespace

// The places of a page's text are those of the text the import stores from it (same count), and
// every place, normalised and folded as the search does, holds the term.
TEST(Places, PageTextAgreesWithItsStoredFormOnRandomText) {
  std::mt19937 rng(2718);
  for (int round = 0; round < 3000; ++round) {
    const std::string page = RandomText(rng, 1 + rng() % 40);
    const std::string stored = NormalizeBodyText(page);
    for (bool fold : {false, true}) {
      for (bool cut : {false, true}) {
        std::string raw = RandomText(rng, 1 + rng() % 3);
        std::string term = NormalizeSearchTerm(raw);
        if (fold) term = FoldForMatch(term);
        if (cut) term.erase(std::remove(term.begin(), term.end(), ' '), term.end());
        if (term.empty() || term.find_first_not_of(' ') == std::string::npos) continue;
        const PlaceMatcher matcher(term, fold, cut);
        const std::vector<Span> spans = matcher.Find(page, false);
        ASSERT_EQ(spans.size(), matcher.Find(stored, true).size()) << "round " << round;
        std::size_t last = 0;
        for (const Span& s : spans) {
          ASSERT_LE(last, s.begin);
          ASSERT_LT(s.begin, s.end);
          ASSERT_LE(s.end, page.size());
          last = s.end;
          // The fold looks at the character before (a dash after kana): the text up to the place's end.
          std::string piece = NormalizeBodyText(page.substr(fold ? 0 : s.begin, s.end - (fold ? 0 : s.begin)));
          if (fold) piece = FoldForMatch(piece);
          if (cut) piece.erase(std::remove(piece.begin(), piece.end(), ' '), piece.end());
          ASSERT_NE(piece.find(term), std::string::npos)
              << "round " << round << " page " << Cp932ToUtf8(page) << " term " << Cp932ToUtf8(term) << " fold " << fold
              << " cut " << cut << " span " << s.begin << "," << s.end;
        }
      }
    }
  }
}

TEST(Places, TheFoldMapsEveryByteBackToItsCharacter) {
  std::mt19937 rng(31);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = RandomText(rng, rng() % 60);
    std::string plain, mapped;
    std::vector<std::uint32_t> origin;
    FoldForMatch(text, plain);
    FoldForMatch(text, mapped, origin);
    ASSERT_EQ(mapped, plain);
    ASSERT_EQ(origin.size(), mapped.size() + 1);
    ASSERT_EQ(origin.back(), text.size());
    for (std::size_t k = 0; k + 1 < origin.size(); ++k) ASSERT_LE(origin[k], origin[k + 1]) << "round " << round;
  }
}

TEST(Places, ExactAndFoldedMatching) {
  const std::string stored = NormalizeBodyText(J("東京 都庁の データベース と ﾃﾞｰﾀﾍﾞｰｽ、でーたべーす"));
  // Exact: as typed (upper-cased); the space kept from a former line end splits the word.
  EXPECT_EQ(Terms(Exact("データベース"), stored, true), std::vector<std::string>{"データベース"});
  EXPECT_TRUE(Exact("東京都").Find(stored, true).empty());
  // Folded: half-width and hiragana forms match, the space between Japanese characters goes.
  EXPECT_EQ(Terms(Folded("データベース"), stored, true),
            (std::vector<std::string>{"データベース", "ﾃﾞｰﾀﾍﾞｰｽ", "でーたべーす"}));
  EXPECT_EQ(Terms(Folded("東京都"), stored, true), std::vector<std::string>{"東京 都"});
  // A page's line end, joined by the import, is inside the place.
  EXPECT_EQ(Terms(Folded("東京都"), J("東京\r\n都庁"), false), std::vector<std::string>{"東京\r\n都"});
  // Spaces cut: the term meets the text without them.
  EXPECT_EQ(Terms(PlaceMatcher("ABCD", false, true), "AB CD", true), std::vector<std::string>{"AB CD"});
}

TEST(Places, OccurrencesDoNotOverlapAndSitAtTheVeryEnds) {
  EXPECT_EQ(Exact("ああ").Find(J("あああ"), true).size(), 1u);
  EXPECT_EQ(Exact("ああ").Find(J("ああああ"), true), (std::vector<Span>{{0, 4}, {4, 8}}));
  // A trail byte is never the start of a place: 0x82 0xA0 holds no "\xA0".
  EXPECT_TRUE(PlaceMatcher(J("ｱ"), false, false).Find(J("ア"), true).empty());

  Places places;
  const std::string text = J("語") + std::string(100, 'x') + J("語");
  Exact("語").Collect(text, true, kUnknownPage, 5, places);
  ASSERT_EQ(places.count, 2u);
  EXPECT_EQ(places.places[0].before, "");
  EXPECT_EQ(places.places[0].after, std::string(40, 'x') + J("…"));
  EXPECT_EQ(places.places[1].before, J("…") + std::string(40, 'x'));
  EXPECT_EQ(places.places[1].after, "");
  EXPECT_EQ(Cp932ToUtf8(PlaceLine(places.places[1])), "[page ?] …" + std::string(40, 'x') + "【語】");
  // One line shows a page's runs of white space (a table's columns, line ends) as one space.
  places = {};
  Exact("語").Collect(J("表 \t  の\r\n語      欄"), false, 0, 1, places);
  ASSERT_EQ(places.places.size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(PlaceLine(places.places[0])), "[page 1] 表 の 【語】 欄");
}

TEST(Places, ContextCountsCharactersAndKeepsTheFirstPlacesWithTheCountOfAll) {
  std::string text;
  for (int k = 0; k < 12; ++k) text += J("あいうえおかきくけこさしすせそたちつてとなにぬねの語");
  Places places;
  Exact("語").Collect(text, true, 4, 3, places);
  EXPECT_EQ(places.count, 12u);
  ASSERT_EQ(places.places.size(), 3u);
  EXPECT_EQ(places.places[1].page, 4);
  // 40 characters of double-byte text before the second place, cut.
  EXPECT_EQ(places.places[1].before.size(), 2 + 80u);
  EXPECT_EQ(places.places[1].before.substr(0, 2), J("…"));
  EXPECT_EQ(Cp932ToUtf8(PlaceLine(places.places[0])).substr(0, 9), "[page 5] ");
}

TEST(Places, TheDocumentsPagesComeFirstAndTheStoredTextWhenTheyCannot) {
  test::FakePdf pdf;
  pdf.texts = {u"表紙", u"第二頁に用語がある", u"", u"", u"用語と\r\n用語"};
  const PlaceMatcher matcher = Folded("用語");
  Places places = FindRecordPlaces(matcher, &pdf, "/store/a.pdf", J("用語 用語 用語"), 3);
  EXPECT_TRUE(places.fromDocument);
  EXPECT_EQ(places.count, 3u);
  EXPECT_EQ(places.places[0].page, 1);
  EXPECT_EQ(places.places[2].page, 4);
  EXPECT_EQ(Cp932ToUtf8(places.places[1].after), "と用語");  // the page's line end joined

  pdf.openResult = PdfOpenResult::Unreadable;
  places = FindRecordPlaces(matcher, &pdf, "/gone.pdf", J("XX用語"), 3);
  EXPECT_FALSE(places.fromDocument);
  ASSERT_EQ(places.count, 1u);
  EXPECT_EQ(places.places[0].page, kUnknownPage);
  EXPECT_EQ(places.places[0].before, "XX");

  // A scan's pages have no text: its recognised text is in the stored text alone.
  pdf.openResult = PdfOpenResult::Opened;
  pdf.texts = {u"", u""};
  EXPECT_EQ(FindRecordPlaces(matcher, &pdf, "/scan.pdf", J("用語"), 3).count, 1u);
  EXPECT_EQ(FindRecordPlaces(PlaceMatcher("", false, false), &pdf, "/scan.pdf", J("用語"), 3).count, 0u);
}
