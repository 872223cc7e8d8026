#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/RecordCommands.h"
#include "store/Trash.h"
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
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
    list.SetSelected(list.RowCount() - 1, false);
  }
  std::string Native(long serial, std::string_view kind) { return store.StoreFilePath(FormatSerial(serial), kind); }
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

TEST(DeleteFromStore, MovesRecordFilesAndCopiesToTheTrashButNeverAnOutsidePdf) {
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

  std::string recordBytes, copyBytes;
  ASSERT_TRUE(ReadFileBytes(f.Native(1, kKindText), recordBytes));
  ASSERT_TRUE(ReadFileBytes(f.Native(1, kKindPdf), copyBytes));
  f.prompter.answers = {Answer::Yes};
  const FixedClock clock;
  EXPECT_TRUE(DeleteFromStore(f.list, f.store, f.prompter, clock));
  EXPECT_EQ(f.prompter.shown.size(), 1u);  // the question only
  EXPECT_EQ(f.Column(1), (Strings{"00000003", "00000004", "../../victim"}));
  EXPECT_EQ(f.Column(0), (Strings{"1", "2", "3"}));
  EXPECT_FALSE(PathExists(f.Native(1, kKindText)));
  EXPECT_FALSE(PathExists(f.Native(1, kKindPdf)));
  EXPECT_FALSE(PathExists(f.Native(2, kKindText)));
  EXPECT_TRUE(IsFile(outside));
  EXPECT_TRUE(IsFile(f.Native(4, kKindText)));
  EXPECT_TRUE(IsFile(f.store.StoreRoot() + "/victim.TXT"));

  // Both deleted records wait in one run folder of the trash, under their own names.
  const std::string run = f.store.StoreRoot() + "/TRASH/" + FormatLocalTime(clock.Now(), "%Y%m%d-%H%M%S");
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(run + "/00000001.TXT", bytes));
  EXPECT_EQ(bytes, recordBytes);
  ASSERT_TRUE(ReadFileBytes(run + "/00000001.PDF", bytes));
  EXPECT_EQ(bytes, copyBytes);
  EXPECT_TRUE(IsFile(run + "/00000002.TXT"));
  ASSERT_EQ(TrashContents(f.store).size(), 2u);
  EXPECT_EQ(
      TrashSize(f.store), recordBytes.size() + copyBytes.size() + [&] {
        std::string two;
        ReadFileBytes(run + "/00000002.TXT", two);
        return two.size();
      }());

  // Restored byte for byte; a serial in use again is refused and its trash kept.
  EXPECT_EQ(RestoreFromTrash(f.store, "00000001"), RestoreOutcome::Restored);
  ASSERT_TRUE(ReadFileBytes(f.Native(1, kKindText), bytes));
  EXPECT_EQ(bytes, recordBytes);
  ASSERT_TRUE(ReadFileBytes(f.Native(1, kKindPdf), bytes));
  EXPECT_EQ(bytes, copyBytes);
  EXPECT_EQ(RestoreFromTrash(f.store, "00000001"), RestoreOutcome::NotInTrash);
  f.Add(2, "serial handed out again");
  EXPECT_EQ(RestoreFromTrash(f.store, "00000002"), RestoreOutcome::InUse);
  EXPECT_TRUE(IsFile(run + "/00000002.TXT"));

  int removed = 0;
  EXPECT_TRUE(EmptyTrash(f.store, removed));
  EXPECT_EQ(removed, 1);
  EXPECT_TRUE(TrashContents(f.store).empty());
  EXPECT_FALSE(PathExists(run));
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

TEST(UpdateRecord, WritesOnlyTheChangedFieldsLinesAndTheirCells) {
  ListFixture f;
  f.Add(1, "old");
  std::string path = f.Native(1, kKindText), bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  for (std::size_t cr = bytes.find('\r'); cr != std::string::npos; cr = bytes.find('\r', cr)) bytes.erase(cr, 1);
  bytes += "kept line\n";  // LF line ends and a line after the record
  ASSERT_TRUE(WriteFileAtomic(path, bytes));

  auto change = [](IndexRecord& r) {
    r[FieldTag::PT] = J("新題");
    r[FieldTag::TS] = "12345";
    r[FieldTag::PA] = "not written";  // changed but not named: stays as it is in the file
  };
  ASSERT_TRUE(UpdateRecord(f.store, "00000001", true, change, &f.list, 0, {FieldTag::PT, FieldTag::TS}));
  std::string expected = bytes;
  expected.replace(expected.find("<PT>old\n"), 8, "<PT>" + J("新題") + "\n");
  expected.replace(expected.find("<TS>\n"), 5, "<TS>12345\n");
  std::string after;
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(after, expected);
  EXPECT_EQ(f.list.Cell(0, 3), J("新題"));
  EXPECT_EQ(f.list.Cell(0, 12), "12,345");
  EXPECT_TRUE(f.prompter.shown.empty());

  // A record of sixteen lines is not patched: reported, the file and the row as they were.
  f.Add(2, "two");
  std::string sixteen;
  ASSERT_TRUE(ReadFileBytes(f.Native(2, kKindText), sixteen));
  sixteen.resize(sixteen.rfind("<TX>"));
  ASSERT_TRUE(WriteFileAtomic(f.Native(2, kKindText), sixteen));
  EXPECT_FALSE(UpdateRecord(f.store, "00000002", true, change, &f.list, 1, {FieldTag::PT}));
  ASSERT_TRUE(ReadFileBytes(f.Native(2, kKindText), after));
  EXPECT_EQ(after, sixteen);
  EXPECT_EQ(f.list.Cell(1, 3), "two");
  EXPECT_EQ(f.prompter.TextsUtf8(), (Strings{f.store.RecordFilePath("00000002", kKindText).str() + "\n" +
                                             MessageTextUtf8(Msg::IndexFileDamaged)}));
}
