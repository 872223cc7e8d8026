#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/SavedLists.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

class SavedListsTest : public ::testing::Test {
 protected:
  test::StoreFixture fx;
  ListRows list;

  std::string ListPath(const std::string& name) const { return fx.ListFilePath(name); }
  std::string Read(const std::string& name) const { return fx.ReadListFile(name); }
  void AddRows(ListRows& target, int count, const std::string& title = "t") {
    for (int i = 0; i < count; ++i) {
      ListRows::Cells cells;
      cells[0] = std::to_string(target.RowCount() + 1);
      cells[1] = FormatSerial(target.RowCount());
      cells[3] = title;
      target.AppendRow(cells, true);
    }
  }
};

TEST_F(SavedListsTest, LineFormatEscapesCommasAndEndsEveryCell) {
  ListRows::Cells cells;
  cells[0] = "1";
  cells[1] = "00000007";
  cells[3] = "a,b";
  cells[15] = "two\r\nlines";
  std::string line = FormatListLine(cells);
  EXPECT_EQ(line, "1,00000007,,a@@b,,,,,,,,,,,,two  lines,,\r\n");
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 17);
}

TEST_F(SavedListsTest, RoundTripRestoresCommasAndDoubleAt) {
  ListRows::Cells cells;
  cells[0] = "99";
  cells[1] = "00000001";
  cells[3] = J("報告,書");
  cells[4] = "x@@y";
  cells[5] = J("全角　,");  // "　" is 0x81 0x40: its trail byte must not pair with the escape
  cells[16] = "last";
  list.AppendRow(cells, true);
  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "round.list"), kListFileDone);

  ListRows loaded;
  ASSERT_EQ(LoadListFile(loaded, fx.store, fx.prompter, "round.list"), kListFileDone);
  ASSERT_EQ(loaded.RowCount(), 1);
  EXPECT_EQ(loaded.Cell(0, 0), "1");  // column 0 is numbered anew
  EXPECT_EQ(loaded.Cell(0, 3), J("報告,書"));
  EXPECT_EQ(loaded.Cell(0, 4), "x@@y");  // a literal "@@" is not a comma
  EXPECT_EQ(loaded.Cell(0, 5), J("全角　,"));
  EXPECT_EQ(loaded.Cell(0, 16), "last");
  EXPECT_FALSE(loaded.IsSelected(0));
}

// Random rows of random CP932 bytes — lead bytes right before commas, "@" runs, "@@", commas,
// empty cells — written and read back cell for cell; and a file of an earlier writer ("@@" for
// a comma) still reads as it was meant.
TEST_F(SavedListsTest, RandomRowsReadBackEqual) {
  std::mt19937 random(20261210);
  const std::string pieces[] = {",",    "@", "@@", "\x81",  "\x81,", "\x81@", "\x81\x40",
                                "\x9f", "a", " ",  "\xe0,", "\xfc",  J("漢")};
  for (int round = 0; round < 2000; ++round) {
    ListRows::Cells cells;
    for (int k = 1; k < ListRows::kColumns; ++k) {
      const int n = static_cast<int>(random() % 6);  // 0: an empty cell
      for (int p = 0; p < n; ++p) cells[k] += pieces[random() % std::size(pieces)];
    }
    const std::string line = FormatListLine(cells);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    ListRows::Cells back = ParseListLine(std::string_view(line).substr(0, line.size() - 2));
    for (int k = 1; k < ListRows::kColumns; ++k) ASSERT_EQ(back[k], cells[k]) << "round " << round << " cell " << k;
  }
  EXPECT_EQ(ParseListLine("1,00000003,,a@@b,\x81@@,")[3], "a,b");
  EXPECT_EQ(ParseListLine("1,00000003,,a@@b,\x81@@,")[4], "\x81,");
}

TEST_F(SavedListsTest, ShortLinesGiveEmptyCellsAndLinesMayEndInLfOnly) {
  ASSERT_TRUE(EnsureFolders(ListPath("")));
  ASSERT_TRUE(WriteFileAtomic(ListPath("short.list"), "7,00000003,x\n\r\n8,00000004,,title,"));
  ASSERT_EQ(LoadListFile(list, fx.store, fx.prompter, "short.list"), kListFileDone);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Cell(0, 1), "00000003");
  EXPECT_EQ(list.Cell(0, 2), "x");
  EXPECT_EQ(list.Cell(0, 3), "");
  EXPECT_EQ(list.Cell(1, 1), "");
  EXPECT_EQ(list.Cell(2, 3), "title");
  EXPECT_EQ(list.Cell(2, 0), "3");
}

TEST_F(SavedListsTest, NamedListIsNeverOverwrittenButTheCurrentListIs) {
  AddRows(list, 2);
  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "keep.list"), kListFileDone);
  std::string before = Read("keep.list");
  AddRows(list, 3);
  EXPECT_EQ(SaveListFile(list, fx.store, fx.prompter, "keep.list"), kListFileExists);
  EXPECT_EQ(Read("keep.list"), before);

  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "ListData.csv"), kListFileDone);
  ListRows empty;
  ASSERT_EQ(SaveListFile(empty, fx.store, fx.prompter, "ListData.csv"), kListFileDone);
  EXPECT_EQ(Read("ListData.csv"), "");
  EXPECT_TRUE(fx.prompter.shown.empty());
}

TEST_F(SavedListsTest, LoadingAppendsNumberedOnAndAMissingFileGivesFour) {
  AddRows(list, 3);
  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "three.list"), kListFileDone);
  ListRows five;
  AddRows(five, 5);
  five.AddDuplicate(2, 0);
  ASSERT_EQ(LoadListFile(five, fx.store, fx.prompter, "three.list"), kListFileDone);
  ASSERT_EQ(five.RowCount(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(five.Cell(i, 0), std::to_string(i + 1));
  EXPECT_TRUE(five.IsSelected(4));
  EXPECT_FALSE(five.IsSelected(5));
  EXPECT_EQ(five.DuplicateCount(), 1);
  EXPECT_EQ(LoadListFile(five, fx.store, fx.prompter, "none.list"), kListFileMissing);
  EXPECT_EQ(five.RowCount(), 8);
}

TEST_F(SavedListsTest, ListFolderThatCannotBeMadeIsReported) {
  ASSERT_TRUE(EnsureFolders(fx.dir.path() + "/DOCDATA"));
  ASSERT_TRUE(WriteFileAtomic(fx.dir.path() + "/DOCDATA/LIST", "not a folder"));
  AddRows(list, 1);
  EXPECT_EQ(SaveListFile(list, fx.store, fx.prompter, "x.list"), kListFileOpenFailed);
  EXPECT_EQ(LoadListFile(list, fx.store, fx.prompter, "x.list"), kListFileOpenFailed);
  ASSERT_EQ(fx.prompter.shown.size(), 2u);
  EXPECT_EQ(fx.prompter.shown[0].text, J((fx.dir.path() + "/DOCDATA/LIST\n保存場所フォルダの作成に失敗").c_str()));
}

TEST_F(SavedListsTest, BadNameCharactersInFixedOrderAndOnlyAsCharacters) {
  EXPECT_EQ(FindBadNameChar("a?b:c"), ":");
  EXPECT_EQ(FindBadNameChar("a|b\\c"), "\\");
  EXPECT_EQ(FindBadNameChar("<>"), "<");
  EXPECT_EQ(FindBadNameChar("x\"y*"), "*");
  EXPECT_EQ(FindBadNameChar(J("報告書")), "");
  // 表 is 0x95 0x5C and ソ 0x83 0x5C: their trail byte is not a backslash character.
  EXPECT_EQ(FindBadNameChar(J("表示ソフト")), "");
  EXPECT_EQ(FindBadNameChar(J("表示/")), "/");
}

TEST_F(SavedListsTest, CountListEntriesCountsLinesWithAComma) {
  AddRows(list, 1500);
  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "big.list"), kListFileDone);
  EXPECT_EQ(CountListEntries(J(ListPath("big.list").c_str()), fx.prompter), 1500);
  ASSERT_TRUE(WriteFileAtomic(ListPath("mixed.list"), "a,\r\nno comma\r\n\r\nb,c"));
  EXPECT_EQ(CountListEntries(ListPath("mixed.list"), fx.prompter), 2);
  EXPECT_TRUE(fx.prompter.shown.empty());
  EXPECT_EQ(CountListEntries(ListPath("gone.list"), fx.prompter), -1);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::FileOpenFailed));
}

}  // namespace
}  // namespace folidex
