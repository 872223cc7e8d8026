#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "store/RecordCommands.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

constexpr int kSerialColumn = static_cast<int>(ListColumn::SerialNo);

struct ListFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;

  // Stores a record and lists it (selected), as an import or a search would.
  void Add(const std::string& serial, const std::string& title, const std::string& ty = "O",
           const std::string& fg = {}) {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = ty;
    r[FieldTag::FG] = fg;
    r[FieldTag::FS] = "1234567";
    PutRecord(serial, r);
    DocumentLocation location = ResolveDocumentPath(store, serial, ty, fg);
    AppendRecordRow(list, store.WorkingRecord(), serial, location.mark);
    list.SetSelected(list.RowCount() - 1, false);
  }
  std::string Native(const std::string& serial, std::string_view kind) {
    return ToNativePath(store.StoreFilePath(serial, kind));
  }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (int i = 0; i < list.RowCount(); ++i) cells.push_back(list.Cell(i, column));
    return cells;
  }
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(RemoveFromList, RemovesTheSelectedRowsAndRenumbersTheRestWithoutTouchingFiles) {
  ListFixture f;
  for (int i = 1; i <= 6; ++i) f.Add(FormatSerial(i), "T");
  for (int row : {1, 3, 4}) f.list.SetSelected(row, true);

  f.prompter.answers = {Answer::No};
  EXPECT_FALSE(RemoveFromList(f.list, f.prompter));
  EXPECT_EQ(f.list.RowCount(), 6);

  f.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(RemoveFromList(f.list, f.prompter));
  EXPECT_TRUE(f.prompter.ShowedMessage(30057));
  EXPECT_EQ(f.Column(0), (Strings{"1", "2", "3"}));
  EXPECT_EQ(f.Column(kSerialColumn), (Strings{"00000001", "00000003", "00000006"}));
  EXPECT_TRUE(IsFile(f.Native("00000002", kKindText)));
}

TEST(DeleteFromStore, DeletesRecordFilesAndCopiesButNeverAnOutsidePdf) {
  ListFixture f;
  std::string outside = f.dir.File("outside.pdf");
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF-1.4 outside"));
  f.Add("00000001", "copy", "I");
  ASSERT_TRUE(WriteFileAtomic(f.Native("00000001", kKindPdf), "%PDF-1.4 copy"));
  f.Add("00000002", "outside", "O", FromNativePath(outside));
  f.Add("00000003", "gone by hand");
  ASSERT_TRUE(RemoveFile(f.Native("00000003", kKindText)));
  f.Add("00000004", "not selected");
  // A cell that is no serial (a hand-edited list file) must not lead out of the store.
  ASSERT_TRUE(WriteFileAtomic(f.store.StoreRoot() + "/victim.TXT", "keep"));
  f.list.AppendRow({"6", "../../victim"}, true);
  f.settings.SetText(setting::SerialCounter, "00000005");
  for (int row : {0, 1, 2}) f.list.SetSelected(row, true);

  f.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(DeleteFromStore(f.list, f.store, f.prompter));
  EXPECT_EQ(f.prompter.shown.size(), 1u);  // the question only
  EXPECT_TRUE(f.prompter.ShowedMessage(30058));
  EXPECT_EQ(f.Column(kSerialColumn), (Strings{"00000003", "00000004", "../../victim"}));
  EXPECT_EQ(f.Column(0), (Strings{"1", "2", "3"}));
  EXPECT_FALSE(IsFile(f.Native("00000001", kKindText)));
  EXPECT_FALSE(IsFile(f.Native("00000001", kKindPdf)));
  EXPECT_FALSE(IsFile(f.Native("00000002", kKindText)));
  EXPECT_TRUE(IsFile(outside));
  EXPECT_TRUE(IsFile(f.Native("00000004", kKindText)));
  EXPECT_TRUE(IsFile(f.store.StoreRoot() + "/victim.TXT"));
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000005");

  f.list.SetAllSelected(true);
  f.prompter.answers = {Answer::No};
  EXPECT_FALSE(DeleteFromStore(f.list, f.store, f.prompter));
  EXPECT_TRUE(IsFile(f.Native("00000004", kKindText)));
  EXPECT_EQ(f.list.RowCount(), 3);
}

TEST(RefreshList, ShowsTheRecordFilesAsTheyAreNowWithProgress) {
  ListFixture f;
  std::string outside = f.dir.File("moved.pdf");
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF"));
  f.Add("00000001", J("旧題"));
  f.Add("00000002", "B", "O", FromNativePath(outside));
  f.Add("00000003", "C", "I");
  f.Add("00000004", "D");
  f.list.SetCell(0, 16, "x");
  f.list.SetCell(0, 0, "9");

  // Edited by hand: a new title and size; the outside PDF moved; a copy appears for record 3.
  IndexRecord edited;
  edited[FieldTag::PT] = J("新題");
  edited[FieldTag::FS] = "1000";
  f.PutRecord("00000001", edited);
  ASSERT_TRUE(RenameFile(outside, outside + ".away"));
  ASSERT_TRUE(WriteFileAtomic(f.Native("00000003", kKindPdf), "%PDF"));

  RefreshList(f.list, f.store, f.progress);
  EXPECT_EQ(f.list.Cell(0, 3), J("新題"));
  EXPECT_EQ(f.list.Cell(0, 11), "1,000");
  EXPECT_EQ(f.list.Cell(0, 0), "9");  // columns 0 and 16 are not the refresh's
  EXPECT_EQ(f.list.Cell(0, 16), "x");
  EXPECT_EQ(f.list.Cell(1, 2), kMarkMissing);
  EXPECT_EQ(f.list.Cell(2, 2), kMarkAvailable);
  std::vector<std::pair<StatusPane, std::string>> expected = {{StatusPane::Url, "0%"},
                                                              {StatusPane::Url, "25%"},
                                                              {StatusPane::Url, "50%"},
                                                              {StatusPane::Url, "75%"},
                                                              {StatusPane::Url, ""}};
  EXPECT_EQ(f.progress.paneTexts, expected);
  EXPECT_EQ(f.progress.maxWaitDepth, 1);
  EXPECT_EQ(f.progress.waitDepth, 0);

  ASSERT_TRUE(RenameFile(outside + ".away", outside));
  RefreshList(f.list, f.store, f.progress);
  EXPECT_EQ(f.list.Cell(1, 2), kMarkAvailable);
}

TEST(RefreshList, KeepsRowsWhoseRecordFileIsGoneAndSkipsThemInTheProgress) {
  ListFixture f;
  for (int i = 1; i <= 5; ++i) f.Add(FormatSerial(i), "T" + std::to_string(i));
  ASSERT_TRUE(RemoveFile(f.Native("00000002", kKindText)));
  ListRows::Cells before = f.list.RowCells(1);

  RefreshList(f.list, f.store, f.progress);
  EXPECT_EQ(f.list.RowCount(), 5);
  EXPECT_EQ(f.list.RowCells(1), before);
  Strings texts;
  for (const auto& [pane, text] : f.progress.paneTexts) texts.push_back(text);
  EXPECT_EQ(texts, (Strings{"0%", "40%", "60%", "80%", ""}));
}

TEST(UpdateRecord, WritesTheWholeRecordAndSetsTheCellsOfTheChangedFields) {
  ListFixture f;
  f.Add("00000007", "old");
  ASSERT_TRUE(UpdateRecord(f.store, "00000007", false,
                           [](IndexRecord& r) {
                             r[FieldTag::PT] = "new";
                             r[FieldTag::FS] = "7654321";
                             r[FieldTag::Y2] = "digest";
                           },
                           &f.list, 0, {FieldTag::PT, FieldTag::FS, FieldTag::Y2}));
  EXPECT_EQ(f.list.Cell(0, 3), "new");
  EXPECT_EQ(f.list.Cell(0, 11), "7,654,321");
  ASSERT_TRUE(f.store.ReadRecordFile("00000007", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::FS], "7654321");  // the file keeps the plain number
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::Y2], "digest");

  EXPECT_FALSE(UpdateRecord(f.store, "00000008", false, [](IndexRecord&) {}, &f.list, 0, {FieldTag::PT}));
  EXPECT_EQ(f.list.Cell(0, 3), "new");
}
