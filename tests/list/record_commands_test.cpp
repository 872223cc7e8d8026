#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/RecordCommands.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

using Strings = std::vector<std::string>;

struct ListFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;

  // Stores a record and lists it, not selected.
  void Add(long serial, const std::string& title, const std::string& ty = "O", const std::string& fg = {}) {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = ty;
    r[FieldTag::FG] = fg;
    PutRecord(FormatSerial(serial), r);
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing);
    list.SetSelected(list.RowCount() - 1, false);
  }
  std::string Native(long serial, std::string_view kind) {
    return ToNativePath(store.StoreFilePath(FormatSerial(serial), kind));
  }
  Strings Column(int column) const {
    Strings cells;
    for (int i = 0; i < list.RowCount(); ++i) cells.push_back(list.Cell(i, column));
    return cells;
  }
};

}  // namespace

TEST(RemoveFromList, RemovesTheSelectedRowsAndRenumbersTheRestWithoutTouchingFiles) {
  ListFixture f;
  for (long s = 1; s <= 6; ++s) f.Add(s, "T");
  for (int row : {1, 3, 4}) f.list.SetSelected(row, true);
  f.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(RemoveFromList(f.list, f.prompter));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::RemoveFromListQuestion));
  EXPECT_EQ(f.Column(0), (Strings{"1", "2", "3"}));
  EXPECT_EQ(f.Column(1), (Strings{"00000001", "00000003", "00000006"}));
  EXPECT_TRUE(IsFile(f.Native(2, kKindText)));
}

TEST(DeleteFromStore, DeletesRecordFilesAndCopiesButNeverAnOutsidePdf) {
  ListFixture f;
  std::string outside = f.dir.File("outside.pdf");
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF outside"));
  f.Add(1, "copy", "I");
  ASSERT_TRUE(WriteFileAtomic(f.Native(1, kKindPdf), "%PDF copy"));
  f.Add(2, "outside", "O", FromNativePath(outside));
  f.Add(3, "record file deleted by hand");
  ASSERT_TRUE(RemoveFile(f.Native(3, kKindText)));
  f.Add(4, "not selected");
  // A cell that is no serial (a hand-edited list file) must not lead out of the store.
  ASSERT_TRUE(WriteFileAtomic(f.store.StoreRoot() + "/victim.TXT", "keep"));
  f.list.AppendRow({"5", "../../victim"}, true);
  for (int row : {0, 1, 2}) f.list.SetSelected(row, true);

  f.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(DeleteFromStore(f.list, f.store, f.prompter));
  EXPECT_EQ(f.prompter.shown.size(), 1u);  // the question only
  EXPECT_EQ(f.Column(1), (Strings{"00000003", "00000004", "../../victim"}));
  EXPECT_EQ(f.Column(0), (Strings{"1", "2", "3"}));
  EXPECT_FALSE(PathExists(f.Native(1, kKindText)));
  EXPECT_FALSE(PathExists(f.Native(1, kKindPdf)));
  EXPECT_FALSE(PathExists(f.Native(2, kKindText)));
  EXPECT_TRUE(IsFile(outside));
  EXPECT_TRUE(IsFile(f.Native(4, kKindText)));
  EXPECT_TRUE(IsFile(f.store.StoreRoot() + "/victim.TXT"));
}

TEST(RefreshList, ShowsTheRecordFilesAsTheyAreNowWithProgress) {
  ListFixture f;
  std::string outside = f.dir.File("moved.pdf");
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF"));
  f.Add(1, J("旧題"));
  f.Add(2, "B", "O", FromNativePath(outside));
  f.Add(3, "C", "I");
  f.Add(4, "D");
  f.list.SetCell(0, 16, "x");

  IndexRecord edited;  // by hand: a new title and size
  edited[FieldTag::PT] = J("新題");
  edited[FieldTag::FS] = "1000";
  f.PutRecord("00000001", edited);
  ASSERT_TRUE(RemoveFile(outside));
  ASSERT_TRUE(WriteFileAtomic(f.Native(3, kKindPdf), "%PDF"));

  RefreshList(f.list, f.store, f.progress);
  EXPECT_EQ(f.list.Cell(0, 3), J("新題"));
  EXPECT_EQ(f.list.Cell(0, 11), "1,000");
  EXPECT_EQ(f.list.Cell(0, 16), "x");
  EXPECT_EQ(f.Column(2), (Strings{kMarkMissing, kMarkMissing, kMarkAvailable, kMarkMissing}));
  Strings texts;
  for (const auto& [pane, text] : f.progress.paneTexts) {
    EXPECT_EQ(pane, StatusPane::Url);
    texts.push_back(text);
  }
  EXPECT_EQ(texts, (Strings{"0%", "25%", "50%", "75%", ""}));
  EXPECT_EQ(f.progress.maxWaitDepth, 1);
  EXPECT_EQ(f.progress.waitDepth, 0);
}
