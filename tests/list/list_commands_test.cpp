#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/ColumnFit.h"
#include "list/ListCommands.h"
#include "list/SavedLists.h"
#include "store/Record.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

class ListCommandsTest : public ::testing::Test {
 protected:
  test::StoreFixture fx;
  ListRows list;

  std::string ListPath(const std::string& name) const { return fx.ListFilePath(name); }
  std::string Read(const std::string& name) const { return fx.ReadListFile(name); }
  static void AddRows(ListRows& target, int count) {
    for (int i = 0; i < count; ++i) {
      ListRows::Cells cells;
      cells[0] = std::to_string(target.RowCount() + 1);
      cells[1] = FormatSerial(target.RowCount());
      target.AppendRow(cells, false);
    }
  }
  void SaveNamed(const std::string& name, int rows) {
    ListRows other;
    AddRows(other, rows);
    ASSERT_EQ(SaveListFile(other, fx.store, fx.prompter, name + ".list"), kListFileDone);
  }
  std::string LastText() const { return fx.prompter.shown.empty() ? "" : fx.prompter.shown.back().text; }
};

TEST_F(ListCommandsTest, SelectAllAndClear) {
  AddRows(list, 3);
  SelectAllRows(list);
  EXPECT_TRUE(list.IsSelected(0) && list.IsSelected(2));
  list.AddDuplicate(1, 0);
  fx.prompter.answers = {Answer::No};
  EXPECT_FALSE(ClearList(list, fx.prompter));
  EXPECT_EQ(list.RowCount(), 3);
  fx.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(ClearList(list, fx.prompter));
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.DuplicateCount(), 0);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ClearListQuestion));
}

TEST_F(ListCommandsTest, SaveUnderANameChecksTheNameInOrder) {
  AddRows(list, 2);
  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, ""), 0);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ListNameMissing));

  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += J("あ");
  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, fifty + "a"), 0);
  EXPECT_EQ(fx.prompter.shown.back().kind, MessageKind::Information);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::NameTooLong));

  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, "a?b:c"), 0);
  EXPECT_EQ(LastText(), ":\n" + MessageText(Msg::BadFileNameCharacter));
  EXPECT_EQ(fx.prompter.shown.back().kind, MessageKind::Error);

  // Names that would make files no dialog shows: hidden ones, and spaces only.
  for (const char* hidden : {".", "..", ".x"}) {
    EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, hidden), 0) << hidden;
    EXPECT_EQ(LastText(), ".\n" + MessageText(Msg::BadFileNameCharacter));
  }
  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, "   "), 0);
  EXPECT_EQ(LastText(), J("(空白のみ)") + "\n" + MessageText(Msg::BadFileNameCharacter));
  EXPECT_TRUE(ListFiles(ListPath("")).empty());

  fx.prompter.answers = {Answer::No};
  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, "mine"), 0);
  EXPECT_EQ(LastText(), "mine\n\n" + MessageText(Msg::SaveListQuestion));
  EXPECT_FALSE(PathExists(ListPath("mine.list")));

  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, fifty), kListFileDone);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ListSaved));
  EXPECT_TRUE(IsFile(ToNativePath(ListPath("") + fifty + ".list")));
}

TEST_F(ListCommandsTest, SaveOverAnExistingNameIsRefusedAndLeavesTheFile) {
  SaveNamed("old", 1);
  std::string before = Read("old.list");
  AddRows(list, 4);
  EXPECT_EQ(SaveListUnderName(list, fx.store, fx.prompter, "old"), kListFileExists);
  EXPECT_EQ(LastText(), MessageText(Msg::FileExists));
  EXPECT_EQ(Read("old.list"), before);
}

TEST_F(ListCommandsTest, LoadChoiceAppendsReplacesOrCancels) {
  SaveNamed("three", 3);
  AddRows(list, 5);
  fx.prompter.answers = {Answer::Cancel};
  EXPECT_EQ(LoadChosenList(list, fx.store, fx.prompter, "three.list"), 0);
  EXPECT_EQ(list.RowCount(), 5);

  fx.prompter.answers = {Answer::Yes};
  EXPECT_EQ(LoadChosenList(list, fx.store, fx.prompter, "three.list"), kListFileDone);
  ASSERT_EQ(list.RowCount(), 8);
  EXPECT_EQ(list.Cell(7, 0), "8");
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::AppendToListQuestion));

  fx.prompter.answers = {Answer::No};
  EXPECT_EQ(LoadChosenList(list, fx.store, fx.prompter, "three.list"), kListFileDone);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Cell(0, 0), "1");
  EXPECT_EQ(list.Cell(2, 0), "3");

  // Replacing with a file that is not in the list folder keeps the rows.
  fx.prompter.answers = {Answer::No};
  EXPECT_EQ(LoadChosenList(list, fx.store, fx.prompter, "elsewhere.list"), kListFileMissing);
  EXPECT_EQ(list.RowCount(), 3);

  ListRows empty;
  fx.prompter.shown.clear();
  EXPECT_EQ(LoadChosenList(empty, fx.store, fx.prompter, "three.list"), kListFileDone);
  EXPECT_TRUE(fx.prompter.shown.empty());  // nothing to append to: no question
}

TEST_F(ListCommandsTest, EnumerationSkipsTheCurrentListAndOtherNames) {
  SaveNamed("big", 1500);
  SaveNamed("Upper", 1);
  ASSERT_TRUE(RenameFile(ListPath("Upper.list"), ListPath("Upper.LIST")));
  ASSERT_EQ(SaveListFile(list, fx.store, fx.prompter, "ListData.csv"), kListFileDone);
  ASSERT_TRUE(WriteFileAtomic(ListPath("a.list.bak"), "x,\r\n"));
  ASSERT_TRUE(EnsureFolders(ListPath("folder.list")));

  std::vector<SavedListEntry> entries = EnumerateSavedLists(fx.store, fx.prompter);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].number, "1");
  EXPECT_EQ(entries[0].name, "big");
  EXPECT_EQ(entries[0].count, "1,500");
  ASSERT_EQ(entries[0].created.size(), 16u);  // "%Y.%m.%d %H:%M"
  EXPECT_EQ(entries[0].modified[4], '.');
  EXPECT_EQ(entries[0].modified[13], ':');
}

TEST_F(ListCommandsTest, ManageChoiceAndDelete) {
  // いいえ to the rename-or-delete question only leads to a second question naming the list;
  // a delete needs its はい, and the question defaults to いいえ.
  fx.prompter.answers = {Answer::No, Answer::No};
  EXPECT_EQ(AskManageChoice(fx.prompter, "x"), ManageChoice::Cancel);
  ASSERT_EQ(fx.prompter.shown.size(), 2u);
  EXPECT_EQ(fx.prompter.shown[0].text, "x\n\n" + MessageText(Msg::RenameOrDeleteListQuestion));
  EXPECT_EQ(fx.prompter.shown[1].kind, MessageKind::YesNoSafe);
  EXPECT_EQ(LastText(), "x\n\n" + MessageText(Msg::DeleteListQuestion));
  fx.prompter.answers = {Answer::No, Answer::Yes};
  EXPECT_EQ(AskManageChoice(fx.prompter, "x"), ManageChoice::Delete);

  SaveNamed("gone", 1);
  EXPECT_TRUE(DeleteSavedList(fx.store, fx.prompter, "gone"));
  EXPECT_FALSE(PathExists(ListPath("gone.list")));
  EXPECT_FALSE(DeleteSavedList(fx.store, fx.prompter, "gone"));
  EXPECT_EQ(LastText(), MessageText(Msg::FileDeleteFailed));
}

TEST_F(ListCommandsTest, RenameRulesInListMode) {
  SaveNamed("old", 2);
  SaveNamed("taken", 1);
  std::string oldBytes = Read("old.list");

  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", ""));
  EXPECT_EQ(LastText(), MessageText(Msg::NameEmpty));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", std::string(101, 'n')));
  EXPECT_EQ(LastText(), MessageText(Msg::NameTooLong));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", "a/b"));
  EXPECT_EQ(LastText(), "/\n" + MessageText(Msg::BadFileNameCharacter));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", ".x"));
  EXPECT_EQ(LastText(), ".\n" + MessageText(Msg::BadFileNameCharacter));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", " "));
  EXPECT_TRUE(PathExists(ListPath("old.list")));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", "taken"));
  EXPECT_EQ(LastText(), MessageText(Msg::FileExists));

  fx.prompter.answers = {Answer::No};
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "old", "new"));
  EXPECT_EQ(LastText(), "(Old) old\n(New) new\n\n" + MessageText(Msg::RenameListQuestion));
  EXPECT_TRUE(PathExists(ListPath("old.list")));

  fx.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(AcceptRenameName(fx.store, fx.prompter, true, "old", "new"));
  EXPECT_FALSE(PathExists(ListPath("old.list")));
  EXPECT_EQ(Read("new.list"), oldBytes);

  fx.prompter.answers = {Answer::Yes};
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, true, "missing", "other"));
  EXPECT_EQ(LastText(), MessageText(Msg::ListRenameFailed));
}

TEST_F(ListCommandsTest, ADragOffersTheExistingFilesOfTheSelectedRows) {
  // The store's copy of one record, a linked file under a Japanese name, and rows that give none.
  const std::string copy = fx.store.RecordFilePath("00000001", kKindPdf);
  ASSERT_TRUE(EnsureFolders(copy.substr(0, copy.rfind('/'))));
  ASSERT_TRUE(WriteFileAtomic(copy, "%PDF-1.4\n"));
  const std::string outside = fx.dir.path() + "/外部 資料.pdf";
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF-1.4\n"));
  auto add = [&](const char* serial, std::string_view ty, const std::string& fg, bool selected) {
    ListRows::Cells cells;
    cells[ColumnIndex(ListColumn::SerialNo)] = serial;
    cells[ColumnIndex(ListColumn::Link)] = std::string(ty);
    cells[ColumnIndex(ListColumn::Source)] = fg;
    list.AppendRow(cells, selected);
  };
  add("00000002", kLinkOutside, FromNativePath(outside), true);
  add("00000003", kLinkCopy, "", true);                              // no copy
  add("00000004", kLinkOutside, "https://example.com/a.pdf", true);  // a web link
  add("00000005", kLinkOutside, FromNativePath(fx.dir.path() + "/gone.pdf"), true);
  add("00000001", kLinkCopy, "/elsewhere/a.pdf", true);           // the copy, not FG
  add("00000006", kLinkOutside, FromNativePath(outside), false);  // not selected
  add("00000002", kLinkOutside, FromNativePath(outside), true);   // the same file again
  EXPECT_EQ(SelectedDocumentFiles(fx.store, list), (std::vector<std::string>{outside, copy}));
}

class ByteMeasure : public TextMeasure {
 public:
  int TextWidth(const std::string& text) const override { return static_cast<int>(text.size()) * 7; }
};

TEST(ColumnFitTest, WidestOfHeaderAndCellsPlusMargins) {
  ListRows list;
  ListRows::Cells cells;
  cells[0] = "12345";       // 35 px, header "No" 14 px
  cells[1] = "00000001";    // 56 px, header "Serial No" 63 px
  cells[3] = "long title";  // 70 px, header 8 bytes: 56 px
  list.AppendRow(cells, false);
  ByteMeasure measure;
  std::vector<ColumnWidth> all = FitColumnWidths(measure, list, 17, -1);
  ASSERT_EQ(all.size(), 17u);
  EXPECT_EQ(all[0].width, 35 + 20 + 15);
  EXPECT_EQ(all[1].width, 63 + 15);
  EXPECT_EQ(all[3].width, 70 + 15);
  EXPECT_EQ(all[16].width, 7 + 15);  // the one-space title

  std::vector<ColumnWidth> one = FitColumnWidths(measure, list, 17, 3);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].column, 3);
  EXPECT_TRUE(FitColumnWidths(measure, list, 5, 9).empty());
}

TEST(ColumnFitTest, AFittedWidthStopsAtSixHundredAndTitlesAloneFitAFirstStart) {
  ListRows list;
  ListRows::Cells cells;
  cells[3] = std::string(1800, 'x');  // one long title: 12,600 px
  cells[4] = std::string(83, 'x');    // 581 + 15 = 596 px: kept
  list.AppendRow(cells, false);
  ByteMeasure measure;
  std::vector<ColumnWidth> all = FitColumnWidths(measure, list, 17, -1);
  EXPECT_EQ(all[3].width, kMaxFittedColumnWidth);
  EXPECT_EQ(all[4].width, 596);
  EXPECT_EQ(TitleColumnWidth(measure, 1), 63 + 15);  // "Serial No"
  EXPECT_EQ(TitleColumnWidth(measure, 3), 8 * 7 + 15);
}

TEST(ColumnFitTest, LooseBoundsGiveTheWidthsOfMeasuringEveryCell) {
  // A width that depends on the bytes in no simple way, and bounds above it by up to three
  // pixels: the fit must measure every text that can still be the widest, ties included.
  class Scrambled : public TextMeasure {
   public:
    int TextWidth(const std::string& text) const override {
      int width = 0;
      for (unsigned char c : text) width += 3 + c % 11;
      return width;
    }
    int WidthBound(const std::string& text) const override {
      return TextWidth(text) + static_cast<int>(std::hash<std::string>{}(text) % 4);
    }
  };
  class Exact : public Scrambled {
   public:
    int WidthBound(const std::string& text) const override { return TextWidth(text); }
  };
  std::mt19937 random(11);
  for (int trial = 0; trial < 200; ++trial) {
    ListRows list;
    const int rows = static_cast<int>(random() % 40);
    for (int row = 0; row < rows; ++row) {
      ListRows::Cells cells;
      for (std::string& cell : cells) {
        cell.resize(random() % (trial % 5 == 0 ? 60 : 8));
        for (char& c : cell) c = static_cast<char>('a' + random() % 26);
      }
      list.AppendRow(cells, false);
    }
    const int column = trial % 3 == 0 ? static_cast<int>(random() % 17) : -1;
    const std::vector<ColumnWidth> expected = FitColumnWidths(Exact(), list, 17, column);
    const std::vector<ColumnWidth> got = FitColumnWidths(Scrambled(), list, 17, column);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].width, expected[i].width) << trial;
  }
}

}  // namespace
}  // namespace folidex
