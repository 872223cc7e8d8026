#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/DuplicateCheck.h"
#include "store/Digest.h"
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

std::string Fp(char c) { return std::string(64, c); }

struct DupFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;

  // A record with the given Y2, listed as a row.
  void Add(long serial, const std::string& y2, const std::string& title = "T", const std::string& fg = {}) {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = fg;
    r[FieldTag::Y2] = y2;
    r[FieldTag::TX] = "BODY";
    PutRecord(FormatSerial(serial), r);
    list.AppendRow({std::to_string(list.RowCount() + 1), FormatSerial(serial)}, false);
  }
};

// The grouping as the check describes it: every fingerprint against every later unmarked one.
DuplicateGrouping PairwiseGrouping(const std::vector<std::string>& fp, const std::vector<long>& serials, long hitMax) {
  DuplicateGrouping result;
  std::vector<bool> marked(fp.size(), false);
  for (std::size_t h = 0; h < fp.size(); ++h) {
    if (fp[h].empty()) continue;
    if (hitMax > 0 && static_cast<long>(result.entries.size()) >= hitMax) {
      result.stop = GroupingStop::HitMax;
      break;
    }
    std::vector<ListRows::DuplicateEntry> group;
    for (std::size_t i = h + 1; i < fp.size(); ++i)
      if (!marked[i] && fp[i] == fp[h]) group.push_back({serials[i], result.groups}), marked[i] = true;
    if (group.empty()) continue;
    group.push_back({serials[h], result.groups});
    if (result.entries.size() + group.size() >= 3000) {
      result.stop = GroupingStop::TableFull;
      break;
    }
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
  // Several blocks and a partial last one, zero bytes included.
  std::string big(3 * 256 * 1024 + 12345, '\0');
  std::mt19937 random(7);
  for (char& c : big) c = static_cast<char>(random());
  ASSERT_TRUE(WriteFileAtomic(dir.File("big.pdf"), big));
  unsigned char md[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(big.data()), big.size(), md);
  std::string expected;
  for (unsigned char b : md) expected += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("big.pdf"))), expected);
  EXPECT_EQ(FileDigestHex(FromNativePath(dir.File("absent.pdf"))), "");
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
      fp[i] = v == 0 ? std::string() : Fp(static_cast<char>('0' + v));
      serials[i] = static_cast<long>(random() % 50);  // serials may repeat
    }
    DuplicateGrouping fast = GroupFingerprints(fp, serials, hitMax, progress);
    DuplicateGrouping slow = PairwiseGrouping(fp, serials, hitMax);
    ASSERT_EQ(EntriesOf(fast.entries), EntriesOf(slow.entries)) << "round " << round;
    ASSERT_EQ(fast.groups, slow.groups);
    ASSERT_EQ(fast.stop, slow.stop);
  }
  // A table that would reach 3000 entries: the group is left out and the others stay drawn.
  std::vector<std::string> fp(2000, "a");
  fp.insert(fp.end(), 1000, "b");
  DuplicateGrouping full = GroupFingerprints(fp, std::vector<long>(3000, 1), 0, progress);
  ListRows list;
  ScriptedPrompter prompter;
  EXPECT_EQ(ApplyGrouping(full, list, prompter), 1);
  EXPECT_EQ(list.DuplicateCount(), 2000);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::DuplicateGroupsExceeded));
  EXPECT_EQ(list.DuplicateGroupOf(1), 0);
}

TEST(CheckListDuplicates, GroupsLaterRowsFirstAndTheSameSerialTwice) {
  DupFixture f;
  for (long s = 1; s <= 8; ++s) f.Add(s, s == 2 || s == 5 || s == 7 ? Fp('A') : Fp('0' + s));
  f.list.AppendRow({"9", "00000003"}, false);  // record 3 listed twice
  f.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(EntriesOf(f.list.Duplicates()), (Entries{{5, 0}, {7, 0}, {2, 0}, {3, 1}, {3, 1}}));
  ASSERT_EQ(f.prompter.shown.size(), 2u);
  EXPECT_EQ(f.prompter.TextsUtf8()[1], std::string("2件の") + MessageTextUtf8(Msg::DuplicatesColoured));
  EXPECT_EQ(f.list.RowCount(), 9);  // the rows stay where they are
  EXPECT_EQ(f.progress.paneTexts.back().second, "");

  DupFixture none;  // no fingerprint, no readable PDF, no record file
  none.Add(1, "");
  none.list.AppendRow({"2", "00000009"}, false);
  none.list.AddDuplicate(4, 0);
  none.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(none.list, none.store, none.prompter, none.progress);
  EXPECT_TRUE(none.prompter.ShowedMessage(Msg::NoDuplicates));
  EXPECT_EQ(none.list.DuplicateCount(), 0);
}

TEST(RecordFingerprint, ComputesAndStoresAnyY2ThatIsNotSixtyFourCharacters) {
  DupFixture f;
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("doc.pdf"), "abc"));
  const std::string digest = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  f.Add(1, std::string(63, 'F'), J("題"), FromNativePath(f.dir.File("doc.pdf")));
  f.Add(2, std::string(65, 'F'), J("題"), FromNativePath(f.dir.File("doc.pdf")));
  // A hand-arranged file with a field after the TX line: the write-back keeps it.
  std::string path = f.store.StoreFilePath("00000002", kKindText), bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  ASSERT_TRUE(WriteFileAtomic(path, bytes + "<FP>after\r\n"));

  for (long s : {1L, 2L}) {
    EXPECT_EQ(RecordFingerprint(f.store, FormatSerial(s)), digest);
    ASSERT_TRUE(f.store.ReadRecordFile(FormatSerial(s), false));
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::Y2], digest);
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "BODY");
  }
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::FP], "after");
  // Exactly 64 characters are taken as they stand.
  f.Add(3, Fp('z'), "T", FromNativePath(f.dir.File("doc.pdf")));
  EXPECT_EQ(RecordFingerprint(f.store, "00000003"), Fp('z'));
}

TEST(CheckStoreDuplicates, StopsAtHitMaxAndRebuildsTheListInGroupOrder) {
  DupFixture f;
  const char fps[] = {'a', 'b', 'c', 'a', 'd', 'b', 'c', 'e'};  // pairs (0,3), (1,5), (2,6)
  for (long s = 0; s < 8; ++s) f.Add(s, Fp(fps[s]), "T" + std::to_string(s));
  f.settings.SetText(setting::SerialCounter, "00000008");
  f.settings.SetInt(setting::HitMax, 3);
  ListRows::Cells before = f.list.RowCells(0);

  f.prompter.answers = {Answer::No, Answer::No};  // all data; then keep the list
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  ASSERT_EQ(f.prompter.shown.size(), 3u);
  EXPECT_TRUE(f.prompter.TextsUtf8()[1].ends_with(MessageTextUtf8(Msg::DuplicateCheckStopped)));
  EXPECT_EQ(f.prompter.TextsUtf8()[2], std::string("2件の") + MessageTextUtf8(Msg::DuplicatesReplaceListQuestion));
  EXPECT_EQ(f.list.DuplicateCount(), 0);
  EXPECT_EQ(f.list.RowCells(0), before);

  f.prompter.answers = {Answer::No, Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(EntriesOf(f.list.Duplicates()), (Entries{{3, 0}, {0, 0}, {5, 1}, {1, 1}}));
  std::vector<std::string> rows;
  for (int i = 0; i < f.list.RowCount(); ++i)
    rows.push_back(f.list.Cell(i, 0) + " " + f.list.Cell(i, 1) + " " + f.list.Cell(i, 3));
  EXPECT_EQ(rows, (std::vector<std::string>{"1 00000003 T3", "2 00000000 T0", "3 00000005 T5", "4 00000001 T1"}));
}

TEST(RecordFingerprint, TheWriteBackChangesOnlyTheY2LineAndAddsNone) {
  DupFixture f;
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("doc.pdf"), "abc"));
  const std::string digest = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  const std::string fg = FromNativePath(f.dir.File("doc.pdf"));
  auto lines = [&](const std::string& end, const std::string& title, bool withY2) {
    std::string bytes;
    for (int k = 0; k < kFieldCount; ++k) {
      std::string tag(kFieldTagNames[k]);
      if (tag == "Y2" && !withY2) continue;
      std::string value = tag == "PT" ? title : tag == "TY" ? "O" : tag == "FG" ? fg : tag == "TX" ? "BODY" : "";
      bytes += "<" + tag + ">" + value + end;
    }
    return bytes;
  };
  auto path = [&](long serial) { return f.store.StoreFilePath(FormatSerial(serial), kKindText); };
  // A byte-order mark on the first line; LF line ends with the continuation of a title that
  // held a line break and a line after the seventeenth; a file without a Y2 line.
  const std::string files[] = {"\xEF\xBB\xBF" + lines("\r\n", J("報告書"), true),
                               lines("\n", "first\nsecond", true) + "trailing note\n",
                               lines("\r\n", "T", false) + "<ZZ>seventeenth\r\n"};
  for (long s = 1; s <= 3; ++s) {
    ASSERT_TRUE(WriteFileAtomic(path(s), files[s - 1]));
    f.list.AppendRow({std::to_string(s), FormatSerial(s)}, false);
  }
  f.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(f.list.DuplicateCount(), 3);  // the third takes part with a digest it does not store

  for (long s = 1; s <= 2; ++s) {
    std::string expected = files[s - 1];
    std::string end = s == 1 ? "\r\n" : "\n";
    expected.replace(expected.find("<Y2>" + end), 4 + end.size(), "<Y2>" + digest + end);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path(s), bytes));
    EXPECT_EQ(bytes, expected) << s;
  }
  std::string third;
  ASSERT_TRUE(ReadFileBytes(path(3), third));
  EXPECT_EQ(third, files[2]);
  EXPECT_EQ(f.prompter.shown.size(), 2u);  // the question and the result: no failure reported
}

TEST(CheckStoreDuplicates, AnOversizeOrFifoRecordAloneTakesNoPart) {
  DupFixture f;
  f.Add(0, Fp('a'));
  f.Add(1, Fp('a'));
  f.Add(2, Fp('a'));
  f.Add(3, Fp('a'));
  std::string oversize = f.store.StoreFilePath("00000002", kKindText);
  std::filesystem::resize_file(oversize, kMaxRecordFileSize + 1);
  std::string fifo = f.store.StoreFilePath("00000003", kKindText);
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  f.settings.SetText(setting::SerialCounter, "00000004");

  ListRows table;
  EXPECT_EQ(FindStoreDuplicates(table, f.store, f.prompter, f.progress), 1);
  EXPECT_EQ(EntriesOf(table.Duplicates()), (Entries{{1, 0}, {0, 0}}));
  EXPECT_EQ(f.prompter.TextsUtf8(), (std::vector<std::string>{Cp932ToUtf8(FromNativePath(oversize)) + "\n" +
                                                              MessageTextUtf8(Msg::RecordFileOversize)}));
}

TEST(CheckStoreDuplicates, ADamagedCounterEndsTheCheckWithItsMessage) {
  DupFixture f;
  f.Add(0, Fp('a'));
  f.Add(1, Fp('a'));
  f.settings.SetText(setting::SerialCounter, "-5");  // read as 0 it reported "no duplicates"
  f.prompter.answers = {Answer::No};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  ASSERT_EQ(f.prompter.shown.size(), 2u);  // the question, then the counter's error only
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SerialCounterInvalid));
  EXPECT_EQ(f.list.DuplicateCount(), 0);
  EXPECT_EQ(f.list.RowCount(), 2);
}
