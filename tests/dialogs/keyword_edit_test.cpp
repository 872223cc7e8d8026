#include <gtest/gtest.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "dialogs/KeywordEdit.h"
#include "list/ListCommands.h"
#include "list/RecordRow.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

constexpr int kKeywordColumn = static_cast<int>(ListColumn::Keywords);

struct KeywordFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;
  std::vector<std::string> asked;

  IndexRecord Sample(long serial) {
    IndexRecord r;
    for (int k = 0; k < kFieldCount; ++k) r.fields[k] = J("値") + std::to_string(serial * 100 + k);
    r[FieldTag::PK] = J("とても長い古いキーワード");
    return r;
  }
  void Add(long serial) {
    IndexRecord r = Sample(serial);
    PutRecord(FormatSerial(serial), r);
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
  }
  std::string Path(long serial) { return store.StoreFilePath(FormatSerial(serial), kKindText); }
  std::string Bytes(long serial) {
    std::string bytes;
    ReadFileBytes(Path(serial), bytes);
    return bytes;
  }
  KeywordAsker Answering(std::optional<std::string> answer) {
    return [this, answer](const std::string& initial) {
      asked.push_back(initial);
      return answer;
    };
  }
};

}  // namespace

TEST(KeywordEdit, RewritesOnlyThePkLineOfEverySelectedRecordAndRefusesAShortFile) {
  KeywordFixture f;
  for (long s = 1; s <= 5; ++s) f.Add(s);
  f.list.SetSelected(2, false);
  f.list.SetCell(0, kKeywordColumn, J("最初"));
  const std::string unselected = f.Bytes(3);
  std::string sixteen = f.Bytes(4);  // the TX line missing
  sixteen.resize(sixteen.rfind("<TX>"));
  ASSERT_TRUE(WriteFileAtomic(f.Path(4), sixteen));
  const std::string oldCell = f.list.Cell(3, kKeywordColumn);

  const std::string text = J("会議,予算");
  EXPECT_EQ(KeywordEditCommand(f.list, f.store, f.prompter, f.progress, f.Answering(text)), 3);
  EXPECT_EQ(f.asked, (std::vector<std::string>{J("最初")}));
  for (long s : {1L, 2L, 5L}) {
    // The other sixteen lines byte for byte, and nothing left of the longer old text.
    IndexRecord expected = f.Sample(s);
    expected[FieldTag::PK] = text;
    EXPECT_EQ(f.Bytes(s), FormatRecordFile(expected)) << s;
    EXPECT_EQ(f.list.Cell(static_cast<int>(s) - 1, kKeywordColumn), text);
  }
  EXPECT_EQ(f.Bytes(3), unselected);
  EXPECT_EQ(f.Bytes(4), sixteen);
  EXPECT_EQ(f.list.Cell(3, kKeywordColumn), oldCell);
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(f.prompter.shown[0].text,
            f.store.StoreFilePath("00000004", kKindText) + "\n" + MessageText(Msg::IndexFileDamaged));
  EXPECT_EQ(f.progress.waitDepth, 0);

  // Cancelling the dialog changes nothing.
  EXPECT_EQ(KeywordEditCommand(f.list, f.store, f.prompter, f.progress, f.Answering(std::nullopt)), 0);
  EXPECT_EQ(f.Bytes(3), unselected);
}

TEST(KeywordEdit, KeepsTheBodyTextOfAFileWhoseValueBrokeItsLine) {
  KeywordFixture f;
  // PT held a line break when the file was written: eighteen lines, PK on the fifth.
  IndexRecord r = f.Sample(1);
  r[FieldTag::PT] = "first\r\nsecond";
  f.PutRecord("00000001", r);
  f.list.AppendRow({"1", "00000001"}, true);

  EXPECT_EQ(KeywordEditCommand(f.list, f.store, f.prompter, f.progress, f.Answering("a\r\nb")), 1);
  ASSERT_TRUE(f.store.ReadRecordFile("00000001", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PK], "a  b");  // one line: breaks became spaces
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PS], r[FieldTag::PS]);
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], r[FieldTag::TX]);
  EXPECT_EQ(f.list.Cell(0, kKeywordColumn), "a  b");
}

TEST(KeywordEdit, KeepsTheFilesOwnLineEndsAndEveryOtherByte) {
  KeywordFixture f;
  f.Add(1);
  std::string lf = f.Bytes(1);
  for (std::size_t cr = lf.find('\r'); cr != std::string::npos; cr = lf.find('\r', cr)) lf.erase(cr, 1);
  lf = "\xEF\xBB\xBF" + lf + "note after the record\n";
  ASSERT_TRUE(WriteFileAtomic(f.Path(1), lf));
  ASSERT_TRUE(RewriteKeywords(f.store, f.prompter, "00000001", J("新")));
  std::string expected = lf;
  const std::string old = "<PK>" + J("とても長い古いキーワード") + "\n";
  expected.replace(expected.find(old), old.size(), "<PK>" + J("新") + "\n");
  EXPECT_EQ(f.Bytes(1), expected);
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(KeywordEdit, TheDialogAcceptsUpToAHundredBytesAndEmptyClears) {
  StoreFixture fx;
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += J("語");
  // The keyword mode of the rename dialog's rule: no list-name checks.
  EXPECT_TRUE(AcceptRenameName(fx.store, fx.prompter, false, "", fifty));
  EXPECT_TRUE(AcceptRenameName(fx.store, fx.prompter, false, "", "a/b:c"));
  EXPECT_FALSE(AcceptRenameName(fx.store, fx.prompter, false, "", fifty + "a"));
  EXPECT_TRUE(AcceptRenameName(fx.store, fx.prompter, false, "", ""));  // clears the keywords
  EXPECT_EQ(fx.prompter.TextsUtf8(), (std::vector<std::string>{MessageTextUtf8(Msg::NameTooLong)}));
}
