#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/DuplicateCheck.h"
#include "store/Digest.h"
#include "store/RecordCommands.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

using Entries = std::vector<std::pair<long, int>>;

Entries EntriesOf(const std::vector<ListRows::DuplicateEntry>& table) {
  Entries entries;
  for (const auto& e : table) entries.emplace_back(e.serial, e.group);
  return entries;
}

std::string Fingerprint(char c) { return std::string(64, c); }

struct DupFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;

  // A record with the given Y2, listed as a row.
  void Add(long serial, const std::string& y2, const std::string& title = "T") {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = "O";
    r[FieldTag::Y2] = y2;
    PutRecord(FormatSerial(serial), r);
    list.AppendRow({std::to_string(list.RowCount() + 1), FormatSerial(serial)}, false);
  }
  std::string RecordPath(long serial) { return ToNativePath(store.StoreFilePath(FormatSerial(serial), kKindText)); }
};

// Grouping exactly as described for the check: every fingerprint compared with every later
// unmarked one.
DuplicateGrouping QuadraticGrouping(const std::vector<std::string>& fp, const std::vector<long>& serials, long hitMax) {
  DuplicateGrouping result;
  const int m = static_cast<int>(fp.size());
  std::vector<bool> marked(m, false);
  for (int h = 0; h < m; ++h) {
    if (fp[h].empty()) continue;
    if (hitMax > 0 && static_cast<long>(result.entries.size()) >= hitMax) {
      result.stop = GroupingStop::HitMax;
      break;
    }
    std::vector<ListRows::DuplicateEntry> group;
    std::vector<int> positions;
    for (int i = h + 1; i < m; ++i)
      if (!marked[i] && fp[i] == fp[h]) {
        group.push_back({serials[i], result.groups});
        positions.push_back(i);
      }
    if (group.empty()) continue;
    group.push_back({serials[h], result.groups});
    if (result.entries.size() + group.size() >= 3000) {
      result.stop = GroupingStop::TableFull;
      break;
    }
    for (int i : positions) marked[i] = true;
    result.entries.insert(result.entries.end(), group.begin(), group.end());
    if (++result.groups == 30) {
      result.stop = GroupingStop::GroupLimit;
      break;
    }
  }
  return result;
}

}  // namespace

TEST(FileDigestHex, StreamsTheFileIntoUpperCaseSha256) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("abc.pdf"), "abc"));
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("abc.pdf"))),
            "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  ASSERT_TRUE(WriteFileAtomic(dir.File("empty.pdf"), ""));
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("empty.pdf"))),
            "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
  // Several blocks and a partial last one, zero bytes included.
  std::string big(3 * 256 * 1024 + 12345, '\0');
  std::mt19937 random(7);
  for (char& c : big) c = static_cast<char>(random());
  ASSERT_TRUE(WriteFileAtomic(dir.File("big.pdf"), big));
  unsigned char md[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(big.data()), big.size(), md);
  std::string expected;
  for (unsigned char b : md) {
    static const char* hex = "0123456789ABCDEF";
    expected += hex[b >> 4];
    expected += hex[b & 15];
  }
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("big.pdf"))), expected);
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("absent.pdf"))), "");
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.path())), "");  // a folder is no file
  EXPECT_EQ(FileDigestHex(""), "");
}

TEST(GroupFingerprints, GivesExactlyTheEntriesOfComparingEveryPairInOrder) {
  std::mt19937 random(12345);
  NullProgress progress;
  for (int round = 0; round < 300; ++round) {
    int m = 1 + static_cast<int>(random() % 200);
    int alphabet = 1 + static_cast<int>(random() % 60);
    long hitMax = round % 3 == 0 ? 0 : 1 + static_cast<long>(random() % 40);
    std::vector<std::string> fp(m);
    std::vector<long> serials(m);
    for (int i = 0; i < m; ++i) {
      int v = static_cast<int>(random() % (alphabet + 1));
      fp[i] = v == 0 ? std::string() : Fingerprint(static_cast<char>('0' + v % 75));
      serials[i] = static_cast<long>(random() % 50);  // serials may repeat
    }
    DuplicateGrouping fast = GroupFingerprints(fp, serials, hitMax, progress);
    DuplicateGrouping slow = QuadraticGrouping(fp, serials, hitMax);
    ASSERT_EQ(EntriesOf(fast.entries), EntriesOf(slow.entries)) << "round " << round;
    ASSERT_EQ(fast.groups, slow.groups);
    ASSERT_EQ(fast.stop, slow.stop);
  }
}

TEST(GroupFingerprints, StopsAtTheThirtiethGroupAndBeforeAGroupTheTableCannotHold) {
  NullProgress progress;
  std::vector<std::string> fp;
  std::vector<long> serials;
  for (int g = 0; g < 31; ++g)
    for (int k = 0; k < 2; ++k) {
      fp.push_back(std::to_string(g));
      serials.push_back(g);
    }
  DuplicateGrouping limited = GroupFingerprints(fp, serials, 0, progress);
  EXPECT_EQ(limited.groups, 30);
  EXPECT_EQ(limited.entries.size(), 60u);
  EXPECT_EQ(limited.stop, GroupingStop::GroupLimit);

  // 2000 equal, then 1000 equal: the second group would fill the table to 3000 entries.
  fp.assign(2000, "a");
  fp.insert(fp.end(), 1000, "b");
  serials.assign(3000, 1);
  DuplicateGrouping full = GroupFingerprints(fp, serials, 0, progress);
  EXPECT_EQ(full.groups, 1);
  EXPECT_EQ(full.entries.size(), 2000u);
  EXPECT_EQ(full.stop, GroupingStop::TableFull);
  ListRows list;
  ScriptedPrompter prompter;
  EXPECT_EQ(ApplyGrouping(full, list, prompter), 1);
  EXPECT_TRUE(prompter.ShowedMessage(30063));
  EXPECT_EQ(list.DuplicateGroupOf(1), 0);  // still drawn
}

TEST(CheckListDuplicates, GroupsLaterRowsFirstAndTheSameSerialTwice) {
  DupFixture f;
  for (long s = 1; s <= 8; ++s) f.Add(s, s == 2 || s == 5 || s == 7 ? Fingerprint('A') : Fingerprint('0' + s));
  f.list.AppendRow({"9", "00000003"}, false);  // record 3 listed twice
  f.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(EntriesOf(f.list.Duplicates()), (Entries{{5, 0}, {7, 0}, {2, 0}, {3, 1}, {3, 1}}));
  ASSERT_EQ(f.prompter.shown.size(), 2u);
  EXPECT_EQ(f.prompter.TextsUtf8()[1], std::string("2件の") + MessageTextUtf8(30065));
  EXPECT_EQ(f.list.RowCount(), 9);  // the rows stay where they are
  EXPECT_EQ(f.progress.paneTexts.back().second, "");
  EXPECT_EQ(f.progress.waitDepth, 0);
  EXPECT_GE(f.progress.maxWaitDepth, 1);

  ClearDuplicateCheck(f.list);
  EXPECT_EQ(f.list.DuplicateCount(), 0);
}

TEST(CheckListDuplicates, ReportsNoDuplicatesAndCancelDoesNothing) {
  DupFixture f;
  f.Add(1, "");  // no fingerprint and no readable PDF
  f.Add(2, "");
  f.list.AppendRow({"3", "00000009"}, false);  // no record file
  f.list.AddDuplicate(4, 0);
  f.prompter.answers = {Answer::Cancel};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.list.DuplicateCount(), 1);

  f.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_TRUE(f.prompter.ShowedMessage(30064));
  EXPECT_EQ(f.list.DuplicateCount(), 0);
}

TEST(CheckListDuplicates, TheThirtiethGroupEndsTheCheckWith30063) {
  DupFixture f;
  for (long s = 0; s < 64; ++s) f.Add(s, Fingerprint(static_cast<char>('0' + s / 2)));
  EXPECT_EQ(CheckListDuplicates(f.list, f.store, f.prompter, f.progress), 30);
  EXPECT_EQ(f.list.DuplicateCount(), 60);
  EXPECT_EQ(f.list.Duplicates().back().group, 29);
  ASSERT_EQ(f.prompter.shown.size(), 2u);
  EXPECT_TRUE(f.prompter.TextsUtf8()[0].ends_with(MessageTextUtf8(30063)));
  EXPECT_EQ(f.prompter.TextsUtf8()[1], std::string("30件の") + MessageTextUtf8(30065));
}

TEST(RecordFingerprint, ComputesAndStoresAnyY2ThatIsNotSixtyFourCharacters) {
  DupFixture f;
  std::string pdf = f.dir.File("doc.pdf");
  ASSERT_TRUE(WriteFileAtomic(pdf, "abc"));
  const std::string digest = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  for (long s : {1L, 2L}) {
    IndexRecord r;
    r[FieldTag::PT] = J("題");
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = FromNativePath(pdf);
    r[FieldTag::Y2] = std::string(s == 1 ? 63 : 65, 'F');
    r[FieldTag::TX] = "BODY";
    f.PutRecord(FormatSerial(s), r);
  }
  // A hand-arranged file with a field after the TX line: the write-back keeps it.
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(f.RecordPath(2), bytes));
  ASSERT_TRUE(WriteFileAtomic(f.RecordPath(2), bytes + "<FP>after\r\n"));

  EXPECT_EQ(RecordFingerprint(f.store, "00000001"), digest);
  EXPECT_EQ(RecordFingerprint(f.store, "00000002"), digest);
  for (long s : {1L, 2L}) {
    ASSERT_TRUE(f.store.ReadRecordFile(FormatSerial(s), false));
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::Y2], digest);
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "BODY");
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], J("題"));
  }
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::FP], "after");

  // Exactly 64 characters are taken as they stand, without reading the PDF.
  ASSERT_TRUE(RemoveFile(pdf));
  f.Add(3, Fingerprint('z'));
  EXPECT_EQ(RecordFingerprint(f.store, "00000003"), Fingerprint('z'));
  EXPECT_EQ(RecordFingerprint(f.store, "00000004"), "");
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(CheckStoreDuplicates, StopsAtHitMaxAndRebuildsTheListInGroupOrder) {
  DupFixture f;
  // Serials 0..7: pairs (0,3), (1,5), (2,6); 4 and 7 unique.
  const char fps[] = {'a', 'b', 'c', 'a', 'd', 'b', 'c', 'e'};
  for (long s = 0; s < 8; ++s) f.Add(s, Fingerprint(fps[s]), "T" + std::to_string(s));
  f.settings.SetText(setting::SerialCounter, "00000008");
  f.settings.SetInt(setting::HitMax, 3);
  ListRows::Cells before = f.list.RowCells(0);

  f.prompter.answers = {Answer::No, Answer::No};  // all data; then keep the list
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  ASSERT_EQ(f.prompter.shown.size(), 3u);
  EXPECT_TRUE(f.prompter.TextsUtf8()[1].ends_with(MessageTextUtf8(30067)));
  EXPECT_EQ(f.prompter.TextsUtf8()[2], std::string("2件の") + MessageTextUtf8(30066));
  EXPECT_EQ(f.list.DuplicateCount(), 0);
  EXPECT_EQ(f.list.RowCount(), 8);
  EXPECT_EQ(f.list.RowCells(0), before);

  f.prompter.shown.clear();
  f.prompter.answers = {Answer::No, Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(f.prompter.shown.size(), 3u);
  EXPECT_EQ(EntriesOf(f.list.Duplicates()), (Entries{{3, 0}, {0, 0}, {5, 1}, {1, 1}}));
  ASSERT_EQ(f.list.RowCount(), 4);
  std::vector<std::string> serials, numbers, titles;
  for (int i = 0; i < 4; ++i) {
    numbers.push_back(f.list.Cell(i, 0));
    serials.push_back(f.list.Cell(i, 1));
    titles.push_back(f.list.Cell(i, 3));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(serials, (std::vector<std::string>{"00000003", "00000000", "00000005", "00000001"}));
  EXPECT_EQ(titles, (std::vector<std::string>{"T3", "T0", "T5", "T1"}));
  EXPECT_EQ(f.progress.waitDepth, 0);
}
