// Taking a record's text again: compared and written in the record file's own form.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileSystem.h"
#include "import/Retext.h"
#include "support/FakePdf.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

struct QuietMonitor : DocumentTextMonitor {
  bool Cancelled() override { return false; }
};

}  // namespace

TEST(Retext, ATextAsTheImportStoredItIsUnchangedEvenWithControlCharacters) {
  StoreFixture f;
  FakePdf pdf;
  // The record file holds the tab and the other control character as spaces.
  pdf.texts = {
      u"本日は東京\r\n都庁に行く\tTAB\x01"
      u"END"};
  const std::string outside = f.dir.File("doc.pdf");
  ASSERT_TRUE(WriteFileAtomic(outside, "%PDF-1.4\n"));
  IndexRecord& working = f.store.WorkingRecord();
  working[FieldTag::TY] = "O";
  working[FieldTag::FG] = outside;
  ASSERT_TRUE(f.store.SetBodyText(PrepareBodyText(pdf.texts[0])));
  f.PutRecord("00000000", IndexRecord(working));
  const std::string path = f.store.RecordFilePath("00000000", "TXT");
  std::string before;
  ASSERT_TRUE(ReadFileBytes(path, before));

  FixedClock clock;
  QuietMonitor monitor;
  Retexter retexter(f.store, clock, pdf, nullptr, false, monitor);
  EXPECT_EQ(retexter.Retext("00000000").outcome, RetextOutcome::Unchanged);
  std::string after;
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(after, before);
  EXPECT_TRUE(retexter.BackupFolder().empty());
  EXPECT_EQ(pdf.opened, std::vector<std::string>{outside});

  // A document that gives no text any more keeps the text it has.
  pdf.texts = {u""};
  EXPECT_EQ(retexter.Retext("00000000").outcome, RetextOutcome::Failed);
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(after, before);
}
