// The inbox over a real store and folder, with a faked engine, a driven millisecond clock and
// listings taken when the test says: no test sleeps.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "import/BulkImport.h"
#include "import/Inbox.h"
#include "store/RecordListing.h"
#include "support/FakePdf.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

class DrivenTicks : public TickClock {
 public:
  std::int64_t now = 1'000'000;
  std::int64_t NowMs() const override { return now; }
};

// Damaged whenever the file's name says so.
class NamedFailurePdf : public FakePdf {
 public:
  PdfOpenResult Open(const std::string& path) override {
    FakePdf::Open(path);
    if (path.find("damaged") != std::string::npos) {
      isOpen = false;
      return PdfOpenResult::Damaged;
    }
    return PdfOpenResult::Opened;
  }
};

class Quiet : public DocumentTextMonitor {
  bool Cancelled() override { return false; }
};

class InboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = NativePath(inboxDir.path());
    pdf.texts = {u"Scanned invoice"};
    options.recognise = false;
    MakeInbox(true);
  }
  void MakeInbox(bool moveDone) {
    importer = std::make_unique<BulkImporter>(fx.store, clock, pdf, nullptr, options, monitor);
    ASSERT_TRUE(importer->Prepare());
    InboxOptions o{folder, moveDone, NativePath(data.File("kept.txt")),
                   NativePath(fx.dir.path() + "/DOCDATA/LOG/inbox.log")};
    fs::create_directories(fx.dir.path() + "/DOCDATA/LOG");
    inbox = std::make_unique<Inbox>(
        fx.store, o, [this](const NativePath& path) { return importer->ImportFile(path); }, clock, ticks, listing);
    ASSERT_TRUE(inbox->Prepare());
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = folder.str() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string PdfBytes(const std::string& tag) { return "%PDF-1.4\n% " + tag + "\n%%EOF\n"; }
  // Every file complete now taken, as the watcher does after the settling time.
  std::vector<InboxResult> Settle() {
    inbox->Poll();
    ticks.now += inbox::kSettleMs;
    std::vector<InboxResult> results;
    for (const NativePath& path : inbox->Poll()) results.push_back(inbox->Take(path));
    return results;
  }
  std::size_t Records() { return ListRecordFiles(fx.dir.path() + "/DOCDATA/TXT").serials.size(); }
  std::string Log() {
    std::string bytes;
    ReadFileBytes(fx.dir.path() + "/DOCDATA/LOG/inbox.log", bytes);
    return bytes;
  }

  StoreFixture fx;
  TempDir inboxDir, data;
  NativePath folder;
  FixedClock clock;
  DrivenTicks ticks;
  DirectoryListing listing;
  NamedFailurePdf pdf;
  Quiet monitor;
  BulkImportOptions options;
  std::unique_ptr<BulkImporter> importer;
  std::unique_ptr<Inbox> inbox;
};

TEST(InboxNames, OnlyVisibleTopLevelPdfsOfAnyCaseAreTaken) {
  EXPECT_TRUE(IsInboxCandidate("scan.pdf"));
  EXPECT_TRUE(IsInboxCandidate("SCAN.PdF"));
  EXPECT_FALSE(IsInboxCandidate(".scan.pdf"));
  EXPECT_FALSE(IsInboxCandidate("scan.pdf.part"));
  EXPECT_FALSE(IsInboxCandidate("scan.pdf.crdownload"));
  EXPECT_FALSE(IsInboxCandidate("scan.PDF.Part"));
  EXPECT_FALSE(IsInboxCandidate(".pdf"));
  EXPECT_FALSE(IsInboxCandidate("scan.txt"));
}

TEST_F(InboxTest, AFileWrittenInPiecesIsTakenOnlyOnceItHasNotChangedForTwoSeconds) {
  const std::string path = Put("scan.pdf", "%PDF-1.4\n");
  EXPECT_TRUE(inbox->Poll().empty());
  for (int piece = 0; piece < 3; ++piece) {
    ticks.now += 1500;  // the scanner writes again before two seconds have passed
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100 * (piece + 1), 'x');
    EXPECT_TRUE(inbox->Poll().empty()) << piece;
  }
  std::ofstream(path, std::ios::binary | std::ios::app) << "\n%%EOF\n";
  EXPECT_TRUE(inbox->Poll().empty());
  ASSERT_TRUE(inbox->NextPollIn().has_value());
  EXPECT_EQ(*inbox->NextPollIn(), inbox::kSettleMs);
  ticks.now += inbox::kSettleMs - 1;
  EXPECT_TRUE(inbox->Poll().empty());
  ticks.now += 1;
  const std::vector<NativePath> due = inbox->Poll();
  ASSERT_EQ(due, std::vector<NativePath>{NativePath(path)});
  EXPECT_TRUE(inbox->Poll().empty());  // offered once, not again while it is being taken

  const InboxResult result = inbox->Take(NativePath(path));
  EXPECT_EQ(result.outcome, InboxOutcome::Stored) << Cp932ToUtf8(result.note);
  EXPECT_EQ(result.serial, "00000000");
  EXPECT_EQ(result.movedTo, folder.str() + "/登録済み/scan.pdf");
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(fx.store.ReadRecordFile("00000000", false));
  EXPECT_EQ(fx.store.WorkingRecord()[FieldTag::TY], "I");
  EXPECT_TRUE(fs::exists(fx.dir.path() + "/DOCDATA/PDF/00/00000000.PDF"));
  EXPECT_NE(Log().find(path), std::string::npos);
  EXPECT_NE(Log().find("シリアル番号 00000000"), std::string::npos);
}

TEST_F(InboxTest, ADuplicateIsNotStoredAgainAndCollidingNamesGetNumbers) {
  Put("a.pdf", PdfBytes("one"));
  ASSERT_EQ(Settle().at(0).outcome, InboxOutcome::Stored);
  // The same document twice more under the same name, and an unrelated file already there.
  fs::create_directories(folder.str() + "/登録済み");
  Put("登録済み/a (2).pdf", "someone else's");
  Put("a.pdf", PdfBytes("one"));
  const std::vector<InboxResult> again = Settle();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].outcome, InboxOutcome::Duplicate);
  EXPECT_EQ(again[0].serial, "00000000");
  EXPECT_EQ(again[0].movedTo, folder.str() + "/登録済み/a (3).pdf");
  Put("A.PDF", PdfBytes("two"));
  const std::vector<InboxResult> other = Settle();
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0].outcome, InboxOutcome::Stored);
  EXPECT_EQ(other[0].movedTo, folder.str() + "/登録済み/A.PDF");
  EXPECT_EQ(Records(), 2u);
  std::string untouched;
  ReadFileBytes(folder.str() + "/登録済み/a (2).pdf", untouched);
  EXPECT_EQ(untouched, "someone else's");
  EXPECT_NE(Log().find("登録済みの文書のため登録しませんでした: シリアル番号 00000000"), std::string::npos);
}

TEST_F(InboxTest, ADamagedFileGoesToTheErrorFolderWithItsReasonAndIsNotRetried) {
  Put("damaged.pdf", PdfBytes("broken"));
  fs::create_directories(folder.str() + "/エラー");
  Put("エラー/damaged.pdf.txt", "an older reason whose file was moved back");
  const std::vector<InboxResult> results = Settle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, InboxOutcome::Failed);
  EXPECT_EQ(results[0].movedTo, folder.str() + "/エラー/damaged (2).pdf");
  std::string reason;
  ASSERT_TRUE(ReadFileBytes(folder.str() + "/エラー/damaged (2).pdf.txt", reason));
  EXPECT_EQ(reason, std::string(MessageTextUtf8(Msg::PdfDamaged)) + "\n");
  EXPECT_EQ(Records(), 0u);
  EXPECT_EQ(fx.store.ReadSerialCount(), 0);  // no serial spent on it
  ticks.now += 60'000;
  EXPECT_TRUE(inbox->Poll().empty());
  EXPECT_NE(Log().find(MessageTextUtf8(Msg::PdfDamaged)), std::string::npos);
}

TEST_F(InboxTest, AStoreThatCannotBeWrittenLeavesTheFileForALaterTry) {
  Put("later.pdf", PdfBytes("later"));
  // Another writer holds the store's lock, and does not let go.
  StoreLockOptions lockOptions;
  lockOptions.wait = std::chrono::milliseconds(0);
  fx.store.SetLockOptions(lockOptions);
  StoreLock other(fx.store.LockFilePath(), StoreLockOptions{});
  ASSERT_EQ(other.Acquire(), LockResult::Taken);
  const std::vector<InboxResult> results = Settle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, InboxOutcome::Deferred);
  EXPECT_TRUE(fs::exists(folder.str() + "/later.pdf"));
  EXPECT_FALSE(fs::exists(folder.str() + "/エラー"));
  other.Release();
  ticks.now += inbox::kRetryMs - 1;
  EXPECT_TRUE(inbox->Poll().empty());
  ticks.now += 1;
  const std::vector<NativePath> due = inbox->Poll();
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(inbox->Take(due[0]).outcome, InboxOutcome::Stored);
}

TEST_F(InboxTest, AKillAfterTheRecordAndBeforeTheMoveMakesTheFileADuplicateNextTime) {
  // The first run stored the record and was killed before moving the file: the import ran,
  // the inbox never got to the move.
  const std::string path = Put("scan.pdf", PdfBytes("killed"));
  ASSERT_EQ(importer->ImportFile(NativePath(path)).outcome, FileOutcome::Stored);
  // The next start.
  MakeInbox(true);
  const std::vector<InboxResult> results = Settle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, InboxOutcome::Duplicate);
  EXPECT_EQ(results[0].serial, "00000000");
  EXPECT_EQ(Records(), 1u);
  EXPECT_TRUE(fs::exists(folder.str() + "/登録済み/scan.pdf"));
}

TEST_F(InboxTest, RecordsStoredByOthersWhileWatchingAreKnownAsDuplicates) {
  const std::string elsewhere = data.File("dropped.pdf");
  std::ofstream(elsewhere, std::ios::binary) << PdfBytes("dropped");
  BulkImporter other(fx.store, clock, pdf, nullptr, options, monitor);
  ASSERT_TRUE(other.Prepare());
  ASSERT_EQ(other.ImportFile(NativePath(elsewhere)).outcome, FileOutcome::Stored);
  Put("same.pdf", PdfBytes("dropped"));
  EXPECT_EQ(Settle().at(0).outcome, InboxOutcome::Duplicate);
  EXPECT_EQ(Records(), 1u);
}

TEST_F(InboxTest, KeptFilesStayAndAreRememberedAcrossARestartUntilTheyChange) {
  MakeInbox(false);
  const std::string path = Put("keep.pdf", PdfBytes("keep"));
  ASSERT_EQ(Settle().at(0).outcome, InboxOutcome::Stored);
  EXPECT_TRUE(fs::exists(path));
  const std::string logged = Log();
  MakeInbox(false);  // a restart: nothing hashed, logged or stored again
  EXPECT_TRUE(Settle().empty());
  EXPECT_EQ(Log(), logged);
  // Written over with another document: taken as the new file it is.
  std::ofstream(path, std::ios::binary) << PdfBytes("keep, second edition, longer");
  const std::vector<InboxResult> changed = Settle();
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].outcome, InboxOutcome::Stored);
  EXPECT_EQ(Records(), 2u);
}

TEST_F(InboxTest, TheLogIsSetAsideAtAMegabyte) {
  const std::string log = fx.dir.path() + "/DOCDATA/LOG/inbox.log";
  std::ofstream(log, std::ios::binary) << std::string(inbox::kLogRotateBytes, 'x');
  Put("r.pdf", PdfBytes("r"));
  ASSERT_EQ(Settle().size(), 1u);
  EXPECT_EQ(fs::file_size(fx.dir.path() + "/DOCDATA/LOG/inbox.log.1"), inbox::kLogRotateBytes);
  EXPECT_LT(fs::file_size(log), 1000u);
  const std::vector<std::string> recent = RecentLogLines(log, 5);
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_NE(recent[0].find("r.pdf"), std::string::npos);
}

}  // namespace
