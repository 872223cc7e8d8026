// The search index against the scan: the same stores and conditions searched both ways give
// the same rows, the same index-file bytes and the same messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "search/SearchRun.h"
#include "search/index/IndexText.h"
#include "search/index/IndexUpkeep.h"
#include "search/index/SearchIndex.h"
#include "search/index/StatusSweep.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// Pieces of text: Japanese and Latin, variant kanji, full- and half-width forms, and characters
// whose folded form depends on their neighbours (ー after a kana, voiced marks, spaces).
const std::vector<std::string>& Fragments() {
  static const std::vector<std::string> fragments = [] {
    std::vector<std::string> f;
    for (const char* s :
         {"会社",     "東京",     "契約",  "澤",     "沢",   "齋藤", "斉藤",   "ＰＤＦ", "pdf", "PDF",
          "ファイル", "ふぁいる", "ｶﾞｲﾄﾞ", "ガイド", "ｶ",    "ﾞ",    "ー",     "－",     "-",   "コーヒー",
          "ｺｰﾋｰ",     "　",       " ",     "  ",     "①",    "1",    "ａｂｃ", "abc",    "ABC", "x",
          "髙",       "高",       "・",    "文書",   "検索", "の",   "は",     "Zz9"})
      f.push_back(J(s));
    return f;
  }();
  return fragments;
}

std::string RandomText(std::mt19937& rng, int most) {
  std::uniform_int_distribution<int> count(0, most), pick(0, static_cast<int>(Fragments().size()) - 1);
  std::string text;
  for (int k = count(rng); k > 0; --k) text += Fragments()[static_cast<std::size_t>(pick(rng))];
  return text;
}

// A term: a piece of some text of the store (so that searches find something), or random.
std::string RandomTerm(std::mt19937& rng, const std::vector<std::string>& texts) {
  if (texts.empty() || rng() % 3 == 0) return RandomText(rng, 3);
  const std::string& text = texts[rng() % texts.size()];
  if (text.empty()) return {};
  std::size_t begin = rng() % text.size();
  while (begin > 0 && begin < text.size() && IsCp932TrailByte(static_cast<unsigned char>(text[begin])) &&
         IsCp932LeadByte(static_cast<unsigned char>(text[begin - 1])))
    --begin;  // near enough to a character's start; a term may still split one
  return text.substr(begin, 1 + rng() % 8);
}

struct IndexFixture : StoreFixture {
  TempDir cache;
  ListRows list;
  NullProgress progress;
  FixedClock clock;
  std::vector<std::string> texts;  // the texts written, for terms
  long counter = 0;
  long long listingNow = -1;  // the moment remembered folder listings are judged by

  IndexFixture() {
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    settings.SetInt(setting::Kakunin, 0);
  }
  ~IndexFixture() { Store::SetRecordHook(nullptr); }

  std::string Root() { return dir.path() + "/DOCDATA"; }
  std::string TxtPath(long i) { return store.RecordFilePath(FormatSerial(i), "TXT"); }
  std::string IndexFile() {
    std::string bytes;
    ReadFileBytes(Root() + "/index", bytes);
    return bytes;
  }

  void Write(long i, const std::string& bytes) {
    store.StoreFilePath(FormatSerial(i), "TXT");
    std::ofstream(TxtPath(i), std::ios::binary | std::ios::trunc) << bytes;
  }

  // A random store: records with random fields, some missing, some damaged, and an index file
  // shorter than the counter.
  void MakeStore(std::mt19937& rng, long n) {
    counter = n;
    store.WriteSerialCounter(n);
    for (long i = 0; i < n; ++i) {
      const unsigned kind = rng() % 20;
      if (kind == 0) continue;  // missing
      if (kind == 1) {
        Write(i, "<PT>" + RandomText(rng, 3) + "\r\n<PA>x\r\n");  // damaged: too few lines
        continue;
      }
      IndexRecord r;
      r[FieldTag::PT] = RandomText(rng, 4);
      r[FieldTag::PA] = RandomText(rng, 2);
      r[FieldTag::PS] = RandomText(rng, 2);
      r[FieldTag::PK] = RandomText(rng, 3);
      r[FieldTag::TY] = "O";
      if (rng() % 3)
        r[FieldTag::PC] = "20" + std::to_string(10 + rng() % 10) + ".0" + std::to_string(1 + rng() % 9) + ".01";
      r[FieldTag::FC] = "2015/0" + std::to_string(1 + rng() % 9) + "/01 10:00:00";
      r[FieldTag::FA] = "2012/0" + std::to_string(1 + rng() % 9) + "/11";
      r[FieldTag::TX] = NormalizeBodyText(RandomText(rng, 30));
      for (FieldTag t : {FieldTag::PT, FieldTag::PK, FieldTag::TX}) texts.push_back(r[t]);
      Write(i, FormatRecordFile(r));
    }
    std::ofstream(Root() + "/index", std::ios::binary | std::ios::trunc)
        << std::string(static_cast<std::size_t>(n / 2), '1');
  }

  bool Build() { return SearchIndex::Build(Root(), ListedSerials(Root()), nullptr); }

  SearchInputs RandomInputs(std::mt19937& rng) {
    SearchInputs in;
    in.flags.zenbun = rng() % 2;
    in.flags.yure = rng() % 2;
    in.flags.spaceCut = rng() % 2;
    in.flags.onCreationDate = rng() % 2;
    in.flags.useDateFrom = rng() % 4 == 0;
    in.flags.useDateTo = rng() % 4 == 0;
    in.date1Text = "2013/01/01";
    in.date2Text = "2017/01/01";
    if (in.flags.zenbun) {
      in.editTexts[5] = RandomTerm(rng, texts);
    } else {
      for (int k = 0; k < 5; ++k)
        if (rng() % (k == 4 ? 2 : 4) == 0) in.editTexts[static_cast<std::size_t>(k)] = RandomTerm(rng, texts);
    }
    return in;
  }

  struct Outcome {
    std::vector<ListRows::Cells> rows;
    std::string indexFile;
    std::vector<std::string> messages;
    SearchRunResult result;
  };

  Outcome Run(SearchInputs inputs, int useIndex, long hitMax = -1) {
    Outcome out;
    SearchConditions conditions;
    prompter.shown.clear();
    if (!CollectSearchConditions(inputs, list, settings, prompter, conditions)) return out;
    prompter.shown.clear();
    SearchRunOptions options;
    options.readers = 0;
    options.useIndex = useIndex;
    options.hitMax = hitMax;
    options.listingNowNs = listingNow;
    out.result = RunDbSearch(conditions, store, list, settings, prompter, progress, clock, options);
    for (int r = 0; r < list.RowCount(); ++r) {
      ListRows::Cells cells;
      for (int c = 0; c < ListRows::kColumns; ++c) cells[static_cast<std::size_t>(c)] = list.Cell(r, c);
      out.rows.push_back(cells);
    }
    out.indexFile = IndexFile();
    out.messages = prompter.TextsUtf8();
    return out;
  }

  // The same search by the scan and with the index, from the same index file; both outcomes.
  std::pair<Outcome, Outcome> Both(const SearchInputs& inputs, long hitMax = -1) {
    const std::string before = IndexFile();
    Outcome scan = Run(inputs, 0, hitMax);
    std::ofstream(Root() + "/index", std::ios::binary | std::ios::trunc) << before;
    Outcome indexed = Run(inputs, 1, hitMax);
    return {scan, indexed};
  }
};

void ExpectSame(const IndexFixture::Outcome& scan, const IndexFixture::Outcome& indexed, const std::string& what) {
  EXPECT_EQ(scan.rows, indexed.rows) << what;
  EXPECT_EQ(scan.indexFile, indexed.indexFile) << what;
  EXPECT_EQ(scan.messages, indexed.messages) << what;
}

std::string Describe(const SearchInputs& in) {
  std::string d = std::string(in.flags.zenbun ? "full" : "fields") + (in.flags.yure ? " folded" : " exact") +
                  (in.flags.spaceCut ? " spacecut" : "");
  for (const std::string& t : in.editTexts) d += " [" + Cp932ToUtf8(t) + "]";
  return d;
}

}  // namespace

TEST(SearchIndexPieces, EveryTextHoldingATermHoldsItsPieces) {
  // A property over random texts and terms: wherever the raw (or folded) text holds the term,
  // its index form holds every piece of the term.
  std::mt19937 rng(7);
  for (int trial = 0; trial < 4000; ++trial) {
    const std::string text = RandomText(rng, 12);
    const std::string term = RandomTerm(rng, {text});
    for (bool folded : {false, true}) {
      const std::string haystack = folded ? FoldForMatch(text) : text;
      const std::string needle = folded ? FoldForMatch(term) : term;
      if (!ContainsCp932(haystack, needle)) continue;
      const std::string form = IndexForm(text);
      for (const std::string& piece : QueryPieces(needle, folded))
        EXPECT_NE(form.find(piece), std::string::npos)
            << Cp932ToUtf8(text) << " / " << Cp932ToUtf8(term) << " / " << Cp932ToUtf8(piece) << " folded " << folded;
    }
  }
  // Terms the index cannot narrow: nothing of two characters once the unsure edges are gone.
  EXPECT_TRUE(QueryPieces(J("会"), false).empty());
  EXPECT_TRUE(QueryPieces(J("ｶﾞ"), false).empty());
  EXPECT_TRUE(QueryPieces(J("ア－"), false).empty());
  EXPECT_EQ(QueryPieces(J("契約 書"), false), std::vector<std::string>{J("契約書")});
}

TEST(SearchIndex, RandomStoresAndConditionsGiveTheScansResults) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    IndexFixture f;
    std::mt19937 rng(seed);
    f.MakeStore(rng, 40 + static_cast<long>(rng() % 60));
    ASSERT_TRUE(f.Build());
    int used = 0;
    for (int trial = 0; trial < 30; ++trial) {
      const SearchInputs inputs = f.RandomInputs(rng);
      const long hitMax = trial % 5 == 0 ? 1 + static_cast<long>(rng() % 4) : -1;
      auto [scan, indexed] = f.Both(inputs, hitMax);
      ExpectSame(scan, indexed, "seed " + std::to_string(seed) + ": " + Describe(inputs));
      EXPECT_EQ(scan.result.index, IndexUse::Off);
      if (indexed.result.index == IndexUse::Used) {
        ++used;
        EXPECT_EQ(indexed.result.changed, 0);
      }
    }
    EXPECT_GT(used, 5) << "seed " << seed;
  }
}

TEST(SearchIndex, AddListAppendsTheSameRows) {
  IndexFixture f;
  std::mt19937 rng(11);
  f.MakeStore(rng, 50);
  ASSERT_TRUE(f.Build());
  SearchInputs inputs;
  inputs.flags.addList = true;
  inputs.editTexts[4] = J("会社");
  f.list.AppendRow({}, false);
  auto [scan, indexed] = f.Both(inputs);
  // The second run appended after the first: the same records again, numbered on.
  ASSERT_GT(scan.rows.size(), 1u);
  ASSERT_EQ(indexed.rows.size(), 2 * scan.rows.size() - 1);
  for (std::size_t r = 1; r < scan.rows.size(); ++r) {
    ListRows::Cells first = scan.rows[r], again = indexed.rows[scan.rows.size() - 1 + r];
    first[0] = again[0] = "";
    EXPECT_EQ(first, again);
  }
  EXPECT_EQ(indexed.result.index, IndexUse::Used);
}

TEST(SearchIndex, HandEditsBehindTheProgramsBackAreFoundAndIndexedAgain) {
  IndexFixture f;
  std::mt19937 rng(3);
  f.MakeStore(rng, 30);
  IndexRecord r;
  r[FieldTag::TY] = "O";
  r[FieldTag::TX] = NormalizeBodyText(J("旧い本文です"));
  f.Write(5, FormatRecordFile(r));
  r[FieldTag::TX] = NormalizeBodyText(J("旧い本文"));
  f.Write(6, FormatRecordFile(r));
  ASSERT_TRUE(f.Build());
  struct stat before5, before6;
  ASSERT_EQ(::stat(f.TxtPath(5).c_str(), &before5), 0);
  ASSERT_EQ(::stat(f.TxtPath(6).c_str(), &before6), 0);
  // Same size, new time.
  r[FieldTag::TX] = NormalizeBodyText(J("新い本文です"));
  f.Write(5, FormatRecordFile(r));
  // New size, the same second as before.
  r[FieldTag::TX] = NormalizeBodyText(J("新い本文です追記"));
  f.Write(6, FormatRecordFile(r));
  timespec times[2] = {before6.st_atim, before6.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, f.TxtPath(6).c_str(), times, 0), 0);
  // A record removed by hand.
  std::filesystem::remove(f.TxtPath(2));

  SearchInputs inputs;
  inputs.editTexts[4] = J("新い");
  auto [scan, indexed] = f.Both(inputs);
  ExpectSame(scan, indexed, "hand edits");
  EXPECT_EQ(indexed.rows.size(), 2u);
  EXPECT_EQ(indexed.result.index, IndexUse::Used);
  EXPECT_GE(indexed.result.changed, 2);
  // Indexed again within that search: the next one finds nothing changed.
  auto [scan2, indexed2] = f.Both(inputs);
  ExpectSame(scan2, indexed2, "after the sweep");
  EXPECT_EQ(indexed2.result.changed, 0);
  EXPECT_LT(indexed2.result.read, 5);
}

TEST(SearchIndex, RememberedFolderListingsStillSeeFilesAddedOrRemovedBehindItsBack) {
  IndexFixture f;
  std::mt19937 rng(17);
  f.MakeStore(rng, 160);  // every folder there
  ASSERT_TRUE(f.Build());
  const std::string memo = IndexFolderOf(f.Root()) + "/listing";
  SearchInputs inputs;
  inputs.editTexts[4] = J("会社");
  // Folders changed a moment ago are listed anew and not remembered.
  auto [scan0, indexed0] = f.Both(inputs);
  ExpectSame(scan0, indexed0, "fresh folders");
  EXPECT_FALSE(PathExists(memo));
  // An hour on, every folder is remembered: only their status tells a change now.
  f.listingNow = static_cast<long long>(std::time(nullptr) + 3600) * 1000000000LL;
  auto [scan1, indexed1] = f.Both(inputs);
  ExpectSame(scan1, indexed1, "remembered");
  ASSERT_TRUE(PathExists(memo));
  IndexRecord r;
  r[FieldTag::TY] = "O";
  r[FieldTag::TX] = NormalizeBodyText(J("会社の記録"));
  const std::string outside = f.dir.File("outside.TXT");
  // Each record file removed, then put back by a rename; each time the folder's times are put
  // back as they were, as a copy that keeps times, or a change within the same tick, leaves them.
  const auto behindItsBack = [&](const std::string& path, bool add) {
    const std::string folder = path.substr(0, path.rfind('/'));
    struct stat before;
    ASSERT_EQ(::stat(folder.c_str(), &before), 0);
    if (add) {
      std::ofstream(outside, std::ios::binary | std::ios::trunc) << FormatRecordFile(r);
      ASSERT_EQ(::rename(outside.c_str(), path.c_str()), 0);
    } else {
      ASSERT_TRUE(RemoveFile(path));
    }
    timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
  };
  // Records written by another program (another machine's import: the counter goes up) and
  // records removed, each where a remembered listing does not expect it.
  for (int step = 0; step < 6; ++step) {
    const long add = f.counter++;
    f.store.WriteSerialCounter(f.counter);
    const std::vector<long> listed = ListedSerials(f.Root());
    const long remove = listed[rng() % listed.size()];
    for (long serial : {add, remove}) {
      behindItsBack(f.store.StoreFilePath(FormatSerial(serial), "TXT"), serial == add);
      auto [scan, indexed] = f.Both(inputs);
      ExpectSame(scan, indexed, "step " + std::to_string(step) + " serial " + std::to_string(serial));
      EXPECT_EQ(indexed.result.index, IndexUse::Used);
      EXPECT_EQ(indexed.rows.size(), scan.rows.size());
    }
  }
  // A memo that does not add up is not used.
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(memo, bytes));
  bytes[bytes.size() / 2] ^= 0x10;
  std::ofstream(memo, std::ios::binary | std::ios::trunc) << bytes;
  const long gone = ListedSerials(f.Root()).front();
  ASSERT_TRUE(RemoveFile(f.TxtPath(gone)));
  auto [scan2, indexed2] = f.Both(inputs);
  ExpectSame(scan2, indexed2, "damaged memo");
}

TEST(SearchIndex, TheProgramsOwnWritesKeepItInStep) {
  IndexFixture f;
  InstallIndexUpkeep();
  std::mt19937 rng(5);
  f.MakeStore(rng, 20);
  IndexRecord kept;
  kept[FieldTag::TY] = "O";
  kept[FieldTag::TX] = NormalizeBodyText(J("本文"));
  f.Write(3, FormatRecordFile(kept));
  ASSERT_TRUE(f.Build());
  f.store.WorkingRecord() = IndexRecord{};
  f.store.WorkingRecord()[FieldTag::TX] = NormalizeBodyText(J("取り込んだ契約書"));
  f.store.WorkingRecord()[FieldTag::TY] = "O";
  ASSERT_TRUE(f.store.WriteRecordFile(FormatSerial(20)));
  f.store.WriteSerialCounter(21);
  ASSERT_EQ(f.store.PatchRecordFile(FormatSerial(3), {{FieldTag::PK, J("鍵語契約書")}}), PatchStatus::Patched);
  SearchInputs inputs;
  inputs.flags.zenbun = true;
  inputs.editTexts[5] = J("契約書");
  auto [scan, indexed] = f.Both(inputs);
  ExpectSame(scan, indexed, "program writes");
  EXPECT_GE(indexed.rows.size(), 2u);
  EXPECT_EQ(indexed.result.changed, 0);  // nothing left for the sweep
  // The changes are on the disk once the index closes, so a restart of the system keeps it; while
  // it is open, the boot that holds them is noted (a power cut meanwhile makes it untrusted).
  const std::string folder = IndexFolderOf(f.Root());
  EXPECT_FALSE(PathExists(folder + "/unsynced"));
  EXPECT_FALSE(PathExists(folder + "/writing"));
  {
    IndexBatch batch;
    ASSERT_EQ(f.store.PatchRecordFile(FormatSerial(3), {{FieldTag::PK, J("鍵語")}}), PatchStatus::Patched);
    std::string boot, noted;
    ASSERT_TRUE(ReadFileBytes("/proc/sys/kernel/random/boot_id", boot));
    ASSERT_TRUE(ReadFileBytes(folder + "/unsynced", noted));
    EXPECT_EQ(noted + "\n", boot);
  }
  EXPECT_FALSE(PathExists(folder + "/unsynced"));
  EXPECT_FALSE(PathExists(folder + "/writing"));
  ASSERT_TRUE(f.store.RemoveRecordFile(FormatSerial(20)));
  SearchIndex::OpenResult opened;
  EXPECT_EQ(SearchIndex::Open(f.Root(), opened)->StampOf(20), 0u);
}

// A build stopped at any point, the indexes' own making included, stops there: nothing more is
// asked, and the index that was there before is still the one used.
TEST(SearchIndex, AStoppedBuildStopsAndLeavesTheOldIndex) {
  IndexFixture f;
  std::mt19937 rng(12);
  f.MakeStore(rng, 600);
  ASSERT_TRUE(f.Build());
  SearchInputs inputs;
  inputs.editTexts[4] = J("会社");
  const IndexFixture::Outcome before = f.Run(inputs, 1);
  ASSERT_EQ(before.result.index, IndexUse::Used);
  for (int stopAt : {1, 3, 4, 6}) {
    int asked = 0, askedAfterStop = 0;
    auto progress = [&](const SearchIndex::BuildProgress&) {
      if (asked >= stopAt) ++askedAfterStop;
      return ++asked < stopAt;
    };
    EXPECT_FALSE(SearchIndex::Build(f.Root(), ListedSerials(f.Root()), progress)) << stopAt;
    EXPECT_EQ(askedAfterStop, 0) << stopAt;
    const IndexFixture::Outcome after = f.Run(inputs, 1);
    EXPECT_EQ(after.result.index, IndexUse::Used) << stopAt;
    ExpectSame(before, after, "after a stopped build");
  }
  // Nothing of the stopped builds is left beside the index.
  const std::filesystem::path folder = IndexFolderOf(f.Root());
  for (const auto& entry : std::filesystem::directory_iterator(folder.parent_path())) EXPECT_EQ(entry.path(), folder);
}

// Swept on several threads (a walk long enough to be split into slices that the threads and the
// caller share), every file's stamp lands at its place in the walk: files present, missing, in a
// folder that is not there, and of serials of eight and nine digits; walks of every length.
TEST(SearchIndex, TheStatusSweepGivesEachWalkedFileItsOwnStamp) {
  TempDir dir;
  const std::string txt = dir.path() + "/TXT/";
  std::vector<unsigned long> files;
  for (unsigned long i = 0; i < 300; ++i) files.push_back(i);
  for (unsigned long i : {12345678ul, 99999999ul, 123456789ul, 100000042ul}) files.push_back(i);
  for (unsigned long i : files) {
    if (i % 100 == 42) continue;  // folder 42 is not there
    std::filesystem::create_directories(txt + (i % 100 < 10 ? "0" : "") + std::to_string(i % 100));
    if (i % 7 == 3) continue;  // missing
    char name[16];
    std::snprintf(name, sizeof name, "/%08lu.TXT", i);
    std::ofstream(txt + (i % 100 < 10 ? "0" : "") + std::to_string(i % 100) + name) << std::string(i % 1000, 'x');
  }
  std::mt19937 rng(3);
  for (std::size_t length : {0u, 1u, 2049u, 20000u}) {
    for (int threads : {1, 4, -1}) {  // -1: one thread, and more once the sweep counts as cold
      std::vector<unsigned long> serials;
      for (std::size_t k = 0; k < length; ++k) serials.push_back(files[rng() % files.size()]);
      { StatusSweep stopped(txt, serials, std::abs(threads), 8, threads < 0 ? -1 : 64); }
      StatusSweep sweep(txt, serials, std::abs(threads), 8, threads < 0 ? -1 : 64);
      const std::vector<std::uint64_t>& stamps = *sweep.Stamps();
      ASSERT_EQ(stamps.size(), serials.size());
      for (std::size_t k = 0; k < serials.size(); ++k) {
        char path[64];
        std::snprintf(path, sizeof path, "%02lu/%08lu.TXT", serials[k] % 100, serials[k]);
        struct stat st;
        const std::uint64_t expected = ::stat((txt + path).c_str(), &st) == 0 ? FileStamp(st) : 0;
        ASSERT_EQ(stamps[k], expected) << path << " of " << length << " on " << threads;
      }
    }
  }
}

TEST(SearchIndex, ItsFiguresTellTheSpaceItTakes) {
  IndexFixture f;
  std::mt19937 rng(11);
  f.MakeStore(rng, 4);
  IndexFigures figures;
  const std::vector<long> serials = ListedSerials(f.Root());
  ASSERT_TRUE(SearchIndex::Build(f.Root(), serials, nullptr, &figures));
  EXPECT_EQ(figures.records, static_cast<long>(serials.size()));
  // Groonga's files are laid out for their largest size (over 100 MB for four records) but
  // take a few megabytes of the disk.
  EXPECT_GT(figures.bytes, 0u);
  EXPECT_LT(figures.bytes, 16u << 20);
}

TEST(SearchIndex, ADamagedIndexOrOneOfAnotherStoreIsNeverUsed) {
  IndexFixture f;
  std::mt19937 rng(9);
  f.MakeStore(rng, 30);
  SearchInputs inputs;
  inputs.editTexts[4] = J("会社");
  EXPECT_EQ(f.Run(inputs, 1).result.index, IndexUse::Missing);
  ASSERT_TRUE(f.Build());
  const std::string folder = IndexFolderOf(f.Root());
  SearchIndex::OpenResult opened;
  // A change that never finished.
  std::ofstream(folder + "/writing") << "";
  auto [scan, indexed] = f.Both(inputs);
  ExpectSame(scan, indexed, "damaged");
  EXPECT_EQ(indexed.result.index, IndexUse::Invalid);
  EXPECT_EQ(SearchIndex::Open(f.Root(), opened), nullptr);
  EXPECT_EQ(opened, SearchIndex::OpenResult::Invalid);
  // Rebuilt, it is used again.
  ASSERT_TRUE(f.Build());
  EXPECT_EQ(f.Run(inputs, 1).result.index, IndexUse::Used);
  // Changes held only by the page cache of an earlier boot of the system.
  std::ofstream(folder + "/unsynced") << "an-earlier-boot";
  EXPECT_EQ(f.Run(inputs, 1).result.index, IndexUse::Invalid);
  ASSERT_TRUE(f.Build());
  // A database file cut short.
  ::truncate((folder + "/db").c_str(), 10);
  EXPECT_EQ(f.Run(inputs, 1).result.index, IndexUse::Invalid);
  ASSERT_TRUE(f.Build());
  // Another store's index in this store's place.
  IndexFixture other;
  std::mt19937 rng2(10);
  other.MakeStore(rng2, 10);
  ASSERT_TRUE(other.Build());
  ::setenv("XDG_CACHE_HOME", other.cache.path().c_str(), 1);
  std::filesystem::remove_all(folder);
  const std::string otherFolder = IndexFolderOf(other.Root());
  std::filesystem::create_directories(std::filesystem::path(IndexFolderOf(f.Root())).parent_path());
  std::filesystem::copy(otherFolder, IndexFolderOf(f.Root()), std::filesystem::copy_options::recursive);
  auto [scan2, indexed2] = f.Both(inputs);
  ExpectSame(scan2, indexed2, "another store's");
  EXPECT_EQ(indexed2.result.index, IndexUse::Invalid);
  // Dropped, it is gone.
  EXPECT_TRUE(SearchIndex::Drop(f.Root()));
  EXPECT_FALSE(PathExists(IndexFolderOf(f.Root())));
}
