#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "dialogs/PropertyEdit.h"
#include "list/RecordRow.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

struct PropertyFixture : StoreFixture {
  ListRows list;

  IndexRecord Sample(long serial) {
    IndexRecord r;
    for (int k = 0; k < kFieldCount; ++k) r.fields[k] = J("値") + std::to_string(serial * 100 + k);
    r[FieldTag::TY] = "I";
    r[FieldTag::PT] = J("古い題名");
    return r;
  }
  void Add(long serial, bool selected = false) {
    PutRecord(FormatSerial(serial), Sample(serial));
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
    list.SetSelected(list.RowCount() - 1, selected);
  }
  std::string Path(long serial) { return store.StoreFilePath(FormatSerial(serial), kKindText); }
  std::string Bytes(long serial) {
    std::string bytes;
    ReadFileBytes(Path(serial), bytes);
    return bytes;
  }
};

PropertyTexts With(PropertyTexts texts, int field, const std::string& value) {
  texts[field] = value;
  return texts;
}

}  // namespace

TEST(PropertyEdit, SavingAChangedTitleRewritesOnlyItsLineAndTheRow) {
  PropertyFixture f;
  f.Add(1, true);
  std::string bytes = f.Bytes(1) + "a line after the record\r\n";  // kept as it stands
  ASSERT_TRUE(WriteFileAtomic(f.Path(1), bytes));
  PropertyEditor editor(f.store, f.prompter, f.list, 0);
  EXPECT_EQ(editor.Shown(1), "00000001");
  EXPECT_EQ(editor.ShownInfo()[0], J("古い題名"));
  EXPECT_FALSE(editor.Changed(editor.ShownInfo()));

  // A date is stored as typed, without any check.
  PropertyTexts typed = With(editor.ShownInfo(), 0, J("新しい題名"));
  ASSERT_TRUE(editor.Changed(typed));
  ASSERT_TRUE(editor.Save(typed));
  const std::string old = "<PT>" + J("古い題名") + "\r\n";
  bytes.replace(bytes.find(old), old.size(), "<PT>" + J("新しい題名") + "\r\n");
  EXPECT_EQ(f.Bytes(1), bytes);
  EXPECT_EQ(f.list.Cell(0, 3), J("新しい題名"));
  EXPECT_TRUE(f.prompter.shown.empty());

  typed = With(typed, 4, "2010/12/01");
  ASSERT_TRUE(editor.Save(typed));
  ASSERT_TRUE(f.store.ReadRecordFile("00000001", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PC], "2010/12/01");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], J("新しい題名"));
  EXPECT_EQ(f.list.Cell(0, 7), "2010/12/01");
}

TEST(PropertyEdit, TheReferenceStaysTheLoadedRowButARevertedValueIsStillSaved) {
  PropertyFixture f;
  f.Add(1);
  f.Add(2);
  PropertyEditor editor(f.store, f.prompter, f.list, 0);
  const PropertyTexts loaded = editor.ShownInfo();
  const PropertyTexts typed = With(loaded, 1, J("著者"));
  ASSERT_TRUE(editor.Save(typed));
  // After a save the dialog still counts the values as changed against the loaded row.
  EXPECT_TRUE(editor.Changed(typed));
  // Typing the old value back is a change too: the file holds the saved one.
  EXPECT_TRUE(editor.Changed(loaded));
  ASSERT_TRUE(editor.Save(loaded));
  ASSERT_TRUE(f.store.ReadRecordFile("00000001", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PA], loaded[1]);
  EXPECT_EQ(f.list.Cell(0, 4), loaded[1]);
}

TEST(PropertyEdit, AFailedSaveChangesNeitherFileNorRowAndStopsTheStep) {
  PropertyFixture f;
  f.Add(1, true);
  f.Add(2);
  std::string sixteen = f.Bytes(1);
  sixteen.resize(sixteen.rfind("<TX>"));
  ASSERT_TRUE(WriteFileAtomic(f.Path(1), sixteen));
  PropertyEditor editor(f.store, f.prompter, f.list, 0);
  const PropertyTexts typed = With(editor.ShownInfo(), 0, "x");
  EXPECT_FALSE(editor.Save(typed));
  EXPECT_EQ(f.Bytes(1), sixteen);
  EXPECT_EQ(f.list.Cell(0, 3), J("古い題名"));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].text,
            f.store.RecordFilePath("00000001", kKindText) + "\n" + MessageText(Msg::IndexFileDamaged));

  // Yes to 30068 with a save that fails: the dialog stays on the row with the edits.
  f.prompter.shown.clear();
  f.prompter.answers = {Answer::Yes};
  EXPECT_FALSE(editor.Step(+1, typed));
  EXPECT_EQ(editor.Row(), 0);
  EXPECT_TRUE(f.list.IsSelected(0));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SavePdfInfoQuestion));

  // A missing record file: nothing is reported as saved, even with nothing to change.
  ASSERT_TRUE(RemoveFile(f.Path(1)));
  f.prompter.shown.clear();
  EXPECT_FALSE(editor.Save(editor.ShownInfo()));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileOpenFailed));
}

TEST(PropertyEdit, StepsMoveTheSelectionAndAskAboutChanges) {
  PropertyFixture f;
  for (long s = 1; s <= 4; ++s) f.Add(s);
  f.list.SetSelected(1, true);
  f.list.SetSelected(3, true);  // another selected row keeps its state
  PropertyEditor editor(f.store, f.prompter, f.list, 1);
  EXPECT_TRUE(editor.CanStepPrevious());
  EXPECT_TRUE(editor.CanStepNext());

  // Unchanged: no question.
  ASSERT_TRUE(editor.Step(+1, editor.ShownInfo()));
  EXPECT_EQ(editor.Row(), 2);
  EXPECT_TRUE(f.prompter.shown.empty());
  EXPECT_FALSE(f.list.IsSelected(1));
  EXPECT_TRUE(f.list.IsSelected(2));
  EXPECT_TRUE(f.list.IsSelected(3));
  EXPECT_EQ(editor.Shown(1), "00000003");

  // Changed, answered No: not saved, still stepped.
  const std::string before = f.Bytes(3);
  f.prompter.answers = {Answer::No};
  ASSERT_TRUE(editor.Step(+1, With(editor.ShownInfo(), 0, "no")));
  EXPECT_EQ(f.Bytes(3), before);
  EXPECT_EQ(editor.Row(), 3);
  EXPECT_FALSE(editor.CanStepNext());
  EXPECT_FALSE(editor.Step(+1, editor.ShownInfo()));
  EXPECT_EQ(editor.Row(), 3);

  for (int i = 0; i < 3; ++i) ASSERT_TRUE(editor.Step(-1, editor.ShownInfo()));
  EXPECT_EQ(editor.Row(), 0);
  EXPECT_FALSE(editor.CanStepPrevious());
  EXPECT_FALSE(editor.Step(-1, editor.ShownInfo()));
  EXPECT_EQ(f.list.FirstSelectedRow(), 0);
}

TEST(PropertyEdit, PastedTextLosesItsSpacesAndSourcesAreWebAddresses) {
  EXPECT_EQ(RemovePastedSpaces(J("資料 名　2010")), J("資料名2010"));
  EXPECT_EQ(RemovePastedSpaces(J(" a\r\nb　")), "ab");
  // 0x88 0x81 is one character; the 0x40 after it is "@", not the tail of a full-width space.
  EXPECT_EQ(RemovePastedSpaces("\x88\x81\x40 x"), "\x88\x81\x40x");
  EXPECT_EQ(RemovePastedSpaces("\x81"), "\x81");  // a stray lead byte stays
  EXPECT_TRUE(IsWebSource("hTtPs://example.com/a.pdf"));
  EXPECT_FALSE(IsWebSource("ftp://x"));
  EXPECT_FALSE(IsWebSource("htt"));
}
