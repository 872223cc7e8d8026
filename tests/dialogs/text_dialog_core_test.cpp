#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "dialogs/BodyTextEdit.h"
#include "dialogs/TextSearch.h"
#include "list/RecordRow.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

std::u16string U(const char* utf8) { return Cp932ToUtf16(J(utf8)); }

struct TextFixture : StoreFixture {
  ListRows list;
  IndexRecord record;
  TextFixture() {
    for (int k = 0; k < kFieldCount; ++k) record.fields[k] = "v" + std::to_string(k);
    record[FieldTag::TX] = J("本文ＡＢＣ");
    record[FieldTag::TS] = "10";
    PutRecord("00000007", record);
    ListRows::Cells cells;
    cells[1] = "00000007";
    cells[12] = "10";
    list.AppendRow(cells, true);
  }
  std::string Path() { return store.StoreFilePath("00000007", kKindText); }
  std::string Bytes() {
    std::string bytes;
    ReadFileBytes(Path(), bytes);
    return bytes;
  }
};

}  // namespace

TEST(TextSearch, ForwardAndBackwardWrapAsTheDialogDoes) {
  const std::u16string text = u"abc xabc abc";
  // Backward from the second match's start: the first; from the first: wraps to the last.
  EXPECT_EQ(SearchTowardBeginning(text, u"abc", 5, false), (TextMatch{0, 3}));
  EXPECT_EQ(SearchTowardBeginning(text, u"abc", 0, false), (TextMatch{9, 3}));
  EXPECT_EQ(SearchTowardBeginning(text, u"abc", 11, false), (TextMatch{5, 3}));  // must end before
  // Forward from a selection's end; past the last match it wraps to the first.
  EXPECT_EQ(SearchTowardEnd(text, u"abc", 3, false), (TextMatch{5, 3}));
  EXPECT_EQ(SearchTowardEnd(text, u"abc", 12, false), (TextMatch{0, 3}));
  // From the very start without a match there is no second search and no match.
  EXPECT_EQ(SearchTowardEnd(text, u"zz", 0, false), std::nullopt);
  EXPECT_EQ(SearchTowardBeginning(text, u"zz", 4, false), std::nullopt);
  EXPECT_EQ(SearchTowardEnd(u"ab", u"abc", 0, false), std::nullopt);
  // Latin letters match without regard to case, half- and full-width apart.
  EXPECT_EQ(FindForward(U("pdf ＰＤＦ PDF"), u"Pdf", 1, false), (TextMatch{8, 3}));
  EXPECT_EQ(FindForward(U("pdf ＰＤＦ"), U("ｐｄｆ"), 0, false), (TextMatch{4, 3}));
}

TEST(TextSearch, WholeWordsBreakAtKindsOfCharacters) {
  const std::u16string text = u"xabc abc_d abc.";
  EXPECT_EQ(SearchTowardEnd(text, u"abc", 0, true), (TextMatch{11, 3}));
  EXPECT_EQ(SearchTowardBeginning(text, u"abc", 11, true), (TextMatch{11, 3}));  // wraps onto itself
  // Japanese: inside a run of kanji no whole word; before a particle in hiragana, one.
  const std::u16string japanese = U("会議資料と資料。");
  EXPECT_EQ(FindForward(japanese, U("資料"), 0, false), (TextMatch{2, 2}));
  EXPECT_EQ(FindForward(japanese, U("資料"), 0, true), (TextMatch{5, 2}));
  EXPECT_EQ(FindForward(U("会議資料"), U("資料"), 0, true), std::nullopt);
  EXPECT_TRUE(IsWholeWord(U("PDFファイル"), 0, 3));
  EXPECT_FALSE(IsWholeWord(U("ファイルサイズ"), 0, 4));
}

TEST(TextSearch, NeverSplitsASurrogatePair) {
  const std::u16string text = u"a\U00020B9Fb\U00020B9F";  // 𠮟 outside the basic plane
  const std::u16string low(1, text[2]);
  EXPECT_EQ(FindForward(text, low, 0, false), std::nullopt);
  EXPECT_EQ(FindForward(text, u"\U00020B9F", 2, false), (TextMatch{4, 2}));

  std::u16string pairs;
  for (int i = 0; i < 50; ++i) pairs += u"\U00020B9F";
  for (std::size_t cut : DisplayBreaks(pairs, 9)) EXPECT_FALSE(pairs[cut] >= 0xDC00 && pairs[cut] <= 0xDFFF) << cut;
}

TEST(TextSearch, DisplayBlocksEndAtSentencesNearTheTarget) {
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += U("これは文です。");  // 7 units each
  std::vector<std::size_t> breaks = DisplayBreaks(text, 50);
  ASSERT_FALSE(breaks.empty());
  std::size_t previous = 0;
  for (std::size_t cut : breaks) {
    EXPECT_EQ(text[cut - 1], u'。');
    EXPECT_GT(cut, previous);
    EXPECT_LE(cut - previous, 75u);
    previous = cut;
  }
  EXPECT_LT(breaks.back(), text.size());
  EXPECT_TRUE(DisplayBreaks(std::u16string(70, u'x'), 50).empty());
  EXPECT_EQ(DisplayBreaks(std::u16string(100, u'x'), 50), (std::vector<std::size_t>{50}));
}

TEST(BodyTextEdit, SavingRewritesTextAndSizeLinesAndTheSelectedRow) {
  TextFixture f;
  std::string bytes = f.Bytes();
  ASSERT_TRUE(LoadTextRecord(f.store, f.prompter, "00000007"));
  // The shown text, unchanged: TX is its normal form, TS its own length.
  const std::string shown = J("本文ａｂｃ\n二行目　です");
  std::optional<std::string> size = SaveBodyText(f.store, f.prompter, "00000007", shown);
  ASSERT_EQ(size, std::to_string(shown.size()));
  ShowTextSize(f.list, "00000007", *size);
  std::string expected = bytes;
  auto replace = [&expected](const std::string& from, const std::string& to) {
    expected.replace(expected.find(from), from.size(), to);
  };
  replace("<TS>10\r\n", "<TS>" + *size + "\r\n");
  replace("<TX>" + J("本文ＡＢＣ") + "\r\n", "<TX>" + NormalizeBodyText(shown) + "\r\n");
  EXPECT_EQ(f.Bytes(), expected);
  EXPECT_EQ(NormalizeBodyText(shown), J("本文ＡＢＣ 二行目です"));
  EXPECT_EQ(f.list.Cell(0, 12), *size);
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TS], *size);

  // A long text: the size is grouped in the cell.
  const std::string big(12345, 'a');
  ASSERT_EQ(SaveBodyText(f.store, f.prompter, "00000007", big), "12345");
  ShowTextSize(f.list, "00000007", "12345");
  EXPECT_EQ(f.list.Cell(0, 12), "12,345");
  // Another record's row selected first: its cell stays.
  f.list.SetCell(0, 1, "00000008");
  ShowTextSize(f.list, "00000007", "99999");
  EXPECT_EQ(f.list.Cell(0, 12), "12,345");
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(BodyTextEdit, FailuresAreReportedAndChangeNothing) {
  TextFixture f;
  std::string bytes = f.Bytes();
  // A record file that ends before its seventeenth line.
  std::string sixteen = bytes.substr(0, bytes.rfind("<TX>"));
  ASSERT_TRUE(WriteFileAtomic(f.Path(), sixteen));
  EXPECT_EQ(SaveBodyText(f.store, f.prompter, "00000007", "x"), std::nullopt);
  EXPECT_EQ(f.Bytes(), sixteen);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::IndexFileDamaged));

  // A missing record is reported when the dialog would open.
  f.prompter.shown.clear();
  ASSERT_TRUE(RemoveFile(f.Path()));
  EXPECT_FALSE(LoadTextRecord(f.store, f.prompter, "00000007"));
  EXPECT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileOpenFailed));
  // A directory in its place is no record either.
  f.prompter.shown.clear();
  ASSERT_TRUE(EnsureFolders(f.Path() + "/x"));
  EXPECT_FALSE(LoadTextRecord(f.store, f.prompter, "00000007"));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileOpenFailed));
  f.prompter.shown.clear();
  EXPECT_FALSE(LoadTextRecord(f.store, f.prompter, "../x"));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileOpenFailed));
}

TEST(BodyTextEdit, PlacementKeepsTheDialogOnTheScreen) {
  MemorySettings settings;
  DialogPlacement placement = ReadTextDlgPlacement(settings);
  EXPECT_EQ(placement.width, 640);
  EXPECT_EQ(placement.height, 480);
  EXPECT_FALSE(placement.maximised);

  WriteTextDlgPlacement(settings, {-12, -3, 700, 500, true});
  EXPECT_EQ(settings.GetInt(setting::TextDlgX), 0);
  EXPECT_EQ(settings.GetInt(setting::TextDlgY), 0);
  EXPECT_EQ(settings.GetInt(setting::TextDlgZoomed), 1);
  placement = ReadTextDlgPlacement(settings);
  EXPECT_EQ(placement.width, 700);
  EXPECT_TRUE(placement.maximised);

  // Damaged values: a size of zero or a negative place never hides the dialog.
  settings.SetInt(setting::TextDlgWidth, 0);
  settings.SetInt(setting::TextDlgHeight, -5);
  settings.SetInt(setting::TextDlgX, -400);
  placement = ReadTextDlgPlacement(settings);
  EXPECT_EQ(placement.width, kTextDlgMinWidth);
  EXPECT_EQ(placement.height, kTextDlgMinHeight);
  EXPECT_EQ(placement.x, 0);
}
