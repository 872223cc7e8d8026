#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "search/SearchRun.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// A clock that moves on by `step` seconds each time it is read.
class SteppingClock : public Clock {
 public:
  explicit SteppingClock(long step) : step_(step) {}
  std::time_t Now() const override { return now_ += step_; }

 private:
  long step_;
  mutable std::time_t now_ = 1291166430;
};

struct SearchFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;
  FixedClock clock;
  SearchInputs inputs;
  SearchRunOptions options;

  SearchFixture() {
    settings.SetInt(setting::Kakunin, 0);
    options.readers = 0;
  }

  std::string Serial(long i) { return FormatSerial(i); }
  void Put(long i, IndexRecord r) {
    if (r[FieldTag::TY].empty()) r[FieldTag::TY] = "O";
    // Written directly: the search only reads, and hundreds of atomic writes would be slow.
    std::ofstream(store.StoreFilePath(Serial(i), "TXT"), std::ios::binary) << FormatRecordFile(r);
  }
  void Counter(long n) { store.WriteSerialCounter(n); }
  std::string IndexPath() { return dir.path() + "/DOCDATA/index"; }
  std::string Index() {
    std::string bytes;
    if (!ReadFileBytes(IndexPath(), bytes)) return "<none>";
    return bytes;
  }
  void SetIndex(const std::string& bytes) {
    std::filesystem::create_directories(dir.path() + "/DOCDATA");
    std::ofstream(IndexPath(), std::ios::binary) << bytes;
  }
  std::string TxtPath(long i) { return store.RecordFilePath(Serial(i), "TXT"); }

  // Collects the conditions from `inputs` and runs the search; the serials listed, in order.
  std::vector<std::string> Search() {
    prompter.shown.clear();
    SearchConditions conditions;
    if (!CollectSearchConditions(inputs, list, settings, prompter, conditions)) return {"<abandoned>"};
    prompter.shown.clear();
    RunDbSearch(conditions, store, list, settings, prompter, progress, clock, options);
    std::vector<std::string> serials;
    for (int r = 0; r < list.RowCount(); ++r) serials.push_back(list.Cell(r, 1));
    return serials;
  }
  std::string LastMessage() { return prompter.shown.empty() ? "" : prompter.TextsUtf8().back(); }
};

IndexRecord Rec(const char* title, const char* body = "", const char* keywords = "") {
  IndexRecord r;
  r[FieldTag::PT] = J(title);
  r[FieldTag::PK] = J(keywords);
  r[FieldTag::TX] = J(body);
  r[FieldTag::FS] = "1234567";
  return r;
}

}  // namespace

TEST(RunDbSearch, EmptyStoreCreatesAnEmptyIndexAndReportsNoData) {
  SearchFixture f;
  f.list.AppendRow({}, false);
  EXPECT_TRUE(f.Search().empty());
  EXPECT_EQ(f.Index(), "");
  EXPECT_EQ(f.LastMessage(), MessageTextUtf8(Msg::NoMatchingData));
  EXPECT_EQ(f.list.RowCount(), 0);  // AddList off: cleared before the walk
}

TEST(RunDbSearch, AStoreThatIsNotThereIsReportedAndLeftAsItWas) {
  SearchFixture f;
  f.Counter(3);
  for (long i : {0, 1, 2}) f.Put(i, Rec("T"));
  ASSERT_EQ(f.Search().size(), 3u);
  const std::string index = f.Index();
  // The drive is unplugged: DOCDATA is gone.
  std::filesystem::rename(f.dir.path() + "/DOCDATA", f.dir.path() + "/away");
  f.Search();
  EXPECT_EQ(f.list.RowCount(), 3);  // the list untouched
  EXPECT_EQ(f.LastMessage(), f.dir.path() + "/DOCDATA\n" + MessageTextUtf8(Msg::StoreFolderMissing));
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA"));
  // It comes back: every record is found again.
  std::filesystem::rename(f.dir.path() + "/away", f.dir.path() + "/DOCDATA");
  EXPECT_EQ(f.Index(), index);
  EXPECT_EQ(f.Search().size(), 3u);
}

TEST(RunDbSearch, RecordsAreMarkedDeletedOnlyWhenTheirTxtFolderIsThere) {
  SearchFixture f;
  f.Counter(2);
  for (long i : {0, 1}) f.Put(i, Rec("T"));
  f.SetIndex("11");
  std::filesystem::rename(f.dir.path() + "/DOCDATA/TXT", f.dir.path() + "/TXT.away");
  EXPECT_TRUE(f.Search().empty());
  EXPECT_EQ(f.Index(), "11");
  std::filesystem::rename(f.dir.path() + "/TXT.away", f.dir.path() + "/DOCDATA/TXT");
  EXPECT_EQ(f.Search().size(), 2u);
}

TEST(RunDbSearch, AFreshStoreWithoutTxtIsEmpty) {
  SearchFixture f;  // DOCDATA only, nothing imported yet
  EXPECT_TRUE(f.Search().empty());
  EXPECT_EQ(f.LastMessage(), MessageTextUtf8(Msg::NoMatchingData));
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/TXT"));
}

TEST(RunDbSearch, RepairsTheIndexAndNeverOpensAMissingRecordAgain) {
  SearchFixture f;
  f.Counter(7);
  for (long i : {0, 1, 3, 5, 6}) f.Put(i, Rec("T"));
  f.SetIndex("1x1");  // shorter than the counter; any byte but '0' is present
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "00000001", "00000003", "00000005", "00000006"}));
  EXPECT_EQ(f.Index(), "1x01011");
  EXPECT_EQ(f.LastMessage(), "該当 5件");
  // Serial 2 comes back on disk, but the index says it is gone.
  f.Put(2, Rec("T"));
  EXPECT_EQ(f.Search().size(), 5u);
  EXPECT_EQ(f.Index(), "1x01011");

  // A record that exists but cannot be opened just now is skipped without losing its entry,
  // and a damaged one (fewer than sixteen lines) is skipped without marking.
  std::filesystem::remove(f.TxtPath(5));
  std::filesystem::create_symlink(f.TxtPath(5), f.TxtPath(5));  // a link loop: open fails, the name exists
  std::ofstream(f.TxtPath(6), std::ios::binary) << "<PT>T\r\n<PA>\r\n<PS>\r\n";
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "00000001", "00000003"}));
  EXPECT_EQ(f.Index(), "1x01011");
}

TEST(RunDbSearch, TitleIsCaseSensitiveWhileBodyAndFullTextFoldCaseAndVariants) {
  SearchFixture f;
  f.Counter(4);
  f.Put(0, Rec("REPORT", "ANNUAL REPORT"));
  f.Put(1, Rec("report", "NOTHING"));
  f.Put(2, Rec("x", "渡辺沢子の報告"));
  f.Put(3, Rec("y", "Z", "keyword報告"));
  f.inputs.editTexts[0] = "report";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000001"});
  f.inputs.editTexts[0] = "";
  f.inputs.editTexts[4] = "report";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000000"});
  f.inputs.editTexts[4] = J("渡邊澤子");
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000002"});

  // Full text: a term in the keywords hits as typed; the body is matched normalised.
  f.inputs.flags.zenbun = true;
  f.inputs.editTexts[5] = J("報告");
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000002", "00000003"}));
  f.inputs.editTexts[5] = "annual";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000000"});
  EXPECT_EQ(f.LastMessage(), "該当 1件");
}

TEST(RunDbSearch, BodyMatchesTheTextNotTheLineTagAndNeverStartsOnATrailByte) {
  SearchFixture f;
  f.Counter(2);
  f.Put(0, Rec("a", "PLAIN WORDS"));
  // 0x82 0xA0 is one character; "\xA0" + "X" must not be found inside it.
  IndexRecord r = Rec("b");
  r[FieldTag::TX] = "\x82\xA0X";
  f.Put(1, r);
  f.inputs.editTexts[4] = "TX";
  EXPECT_TRUE(f.Search().empty());
  f.inputs.editTexts[4] = "\xA0X";
  EXPECT_TRUE(f.Search().empty());
  f.inputs.editTexts[4] = "\x82\xA0X";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000001"});
}

TEST(RunDbSearch, LongHeadersAndBodiesAreReadWhole) {
  SearchFixture f;
  f.Counter(2);
  IndexRecord r = Rec("");
  r[FieldTag::PT] = std::string(10000, 'a') + "NEEDLE";  // beyond the first read of the header
  r[FieldTag::TX] = std::string(600000, 'B') + "DEEP";   // beyond the first read of the body
  f.Put(0, r);
  r[FieldTag::TX] = "<PT>NEEDLE";  // a body line that looks like a header line
  r[FieldTag::PT] = "x";
  f.Put(1, r);
  f.inputs.editTexts[0] = "NEEDLE";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000000"});
  f.inputs.editTexts[0] = "";
  f.inputs.editTexts[4] = "deep";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000000"});
  EXPECT_EQ(f.list.Cell(0, 3).size(), 10006u);
}

TEST(RunDbSearch, SpaceCutRemovesSpacesFromBodyAndTerm) {
  SearchFixture f;
  f.Counter(3);
  f.Put(0, Rec("a", "ＰＤＦファイル"));
  f.Put(1, Rec("b", "ＰＤＦ    ファイル"));
  f.Put(2, Rec("c", "ＰＤＦ ファイル"));
  f.inputs.flags.zenbun = true;
  f.inputs.editTexts[5] = J("ｐｄｆ ファイル");
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000002"});
  f.inputs.flags.spaceCut = true;
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "00000001", "00000002"}));
  f.inputs.editTexts[5] = J("ＰＤＦ　ファイル");  // an ideographic space in the term
  EXPECT_EQ(f.Search().size(), 3u);
}

TEST(RunDbSearch, DateRangeUsesCreationDateThenFileDateOrTheAcquisitionDate) {
  SearchFixture f;
  f.Counter(5);
  IndexRecord r = Rec("a");
  r[FieldTag::FC] = "2011/01/05 10:00:00";
  f.Put(0, r);         // PC empty: FC decides
  f.Put(1, Rec("b"));  // no date at all: never listed
  r = Rec("c");
  r[FieldTag::PC] = "2010.12.01 10:20:30";
  r[FieldTag::FC] = "2012/01/01 00:00:00";
  f.Put(2, r);  // PC decides, below the bound
  r = Rec("d");
  r[FieldTag::PC] = "2011.01.01 00:00:00";
  r[FieldTag::FA] = "2009/01/01 10:00";
  f.Put(3, r);  // the lower bound is inclusive
  r = Rec("e");
  r[FieldTag::FA] = "2011/02/01 10:00";
  f.Put(4, r);
  f.inputs.flags.useDateFrom = true;
  f.inputs.date1Text = "2011/01/01";
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "00000003"}));
  f.inputs.flags.useDateTo = true;
  f.inputs.date2Text = "2011/01/04";
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000003"});
  f.inputs.flags.onCreationDate = false;  // acquisition date
  f.inputs.flags.useDateTo = false;
  EXPECT_EQ(f.Search(), std::vector<std::string>{"00000004"});
}

TEST(RunDbSearch, HitMaxStopsTheWalkAndTheIndexIsExtendedOnlyAsFarAsItWent) {
  for (int readers : {0, 2}) {
    SearchFixture f;
    f.options.readers = readers;
    f.options.batch = 7;
    f.settings.SetInt(setting::HitMax, 500);
    f.Counter(820);
    for (long i = 0; i < 820; ++i) {
      if (i % 41 != 40) f.Put(i, Rec("T"));  // every 41st record is missing
    }
    f.SetIndex("");
    std::vector<std::string> hits = f.Search();
    ASSERT_EQ(hits.size(), 500u) << readers;
    long last = 0;
    for (int present = 0; present < 500; ++last) present += last % 41 != 40;
    --last;  // the serial of the 500th present record
    EXPECT_EQ(hits.back(), FormatSerial(last));
    EXPECT_EQ(f.list.Cell(499, 0), "500");
    EXPECT_EQ(f.list.Cell(0, 11), "1,234,567");
    ASSERT_EQ(f.prompter.shown.size(), 2u);
    EXPECT_TRUE(f.prompter.ShowedMessage(Msg::HitLimitReached));
    EXPECT_EQ(f.LastMessage(), "該当 500件");
    std::string expected;
    for (long i = 0; i <= last; ++i) expected += i % 41 == 40 ? '0' : '1';
    EXPECT_EQ(f.Index(), expected) << readers;
  }
}

TEST(RunDbSearch, ReadersDeliverTheSameResultsInSerialOrder) {
  SearchFixture f;
  f.Counter(300);
  for (long i = 0; i < 300; ++i) f.Put(i, Rec(i % 3 ? "A" : "B", i % 5 ? "BODY" : "BODY KEY"));
  f.inputs.editTexts[4] = "key";
  std::vector<std::string> inline_ = f.Search();
  EXPECT_EQ(inline_.size(), 60u);
  for (int readers : {1, 2, 3}) {
    f.options.readers = readers;
    f.options.batch = 4;
    EXPECT_EQ(f.Search(), inline_) << readers;
  }
  // The working record holds the last record read, not the last hit.
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], "A");
}

TEST(RunDbSearch, AddListAppendsAndFeedbackEndsCleared) {
  SearchFixture f;
  SteppingClock clock(86400 + 3725);  // more than a day: the hours are counted within the day
  f.Counter(2);
  f.Put(0, Rec("A"));
  f.Put(1, Rec("B"));
  f.list.AppendRow({"1", "99999999"}, true);
  f.inputs.flags.addList = true;
  SearchConditions conditions;
  ASSERT_TRUE(CollectSearchConditions(f.inputs, f.list, f.settings, f.prompter, conditions));
  EXPECT_EQ(RunDbSearch(conditions, f.store, f.list, f.settings, f.prompter, f.progress, clock), 2);
  ASSERT_EQ(f.list.RowCount(), 3);
  EXPECT_EQ(f.list.Cell(2, 0), "3");
  // The hits come in unselected; the row already there keeps its selection.
  EXPECT_TRUE(f.list.IsSelected(0) && !f.list.IsSelected(1) && !f.list.IsSelected(2));
  EXPECT_EQ(f.LastMessage(), "該当 2件");
  ASSERT_GE(f.progress.bar.size(), 2u);
  EXPECT_EQ(f.progress.bar.front(), 0);
  EXPECT_EQ(f.progress.bar.back(), 0);
  ASSERT_GE(f.progress.paneTexts.size(), 3u);
  EXPECT_EQ(f.progress.paneTexts[0], std::make_pair(StatusPane::Url, f.TxtPath(0)));
  EXPECT_EQ(f.progress.paneTexts.back(), std::make_pair(StatusPane::Url, std::string()));
  EXPECT_EQ(f.progress.paneTexts[f.progress.paneTexts.size() - 2],
            std::make_pair(StatusPane::ProcessingTime, std::string("01:02:05")));

  // AddList off and nothing found: the list is empty afterwards.
  f.inputs.flags.addList = false;
  f.inputs.editTexts[0] = "none";
  EXPECT_TRUE(f.Search().empty());
  EXPECT_EQ(f.LastMessage(), MessageTextUtf8(Msg::NoMatchingData));
}

TEST(RunDbSearch, AnIndexThatCannotBeOpenedEndsBeforeTheListIsTouched) {
  SearchFixture f;
  f.Counter(1);
  f.Put(0, Rec("A"));
  std::filesystem::create_directories(f.IndexPath());  // a folder where the index file belongs
  f.list.AppendRow({"1"}, false);
  SearchConditions conditions;
  ASSERT_TRUE(CollectSearchConditions(f.inputs, f.list, f.settings, f.prompter, conditions));
  SearchRunResult result =
      RunDbSearch(conditions, f.store, f.list, f.settings, f.prompter, f.progress, f.clock, SearchRunOptions{});
  EXPECT_FALSE(result.ran);
  EXPECT_EQ(f.list.RowCount(), 1);
  EXPECT_EQ(f.LastMessage(), f.IndexPath() + "\n" + MessageTextUtf8(Msg::NotARegularFile));
  EXPECT_TRUE(f.progress.paneTexts.empty());
}

TEST(RunDbSearch, ADamagedCounterStopsTheSearchBeforeAnyFileOrRowIsTouched) {
  SearchFixture f;  // which counters are damaged: serial_counter_test
  f.Put(0, Rec("A"));
  f.settings.SetText(setting::SerialCounter, "99999999999");
  f.list.AppendRow({"1", "00000009"}, false);
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000009"}));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.LastMessage(), "Sys/No = \"99999999999\"\n設定ファイル: (メモリ上の設定)\n" +
                                 std::string(MessageTextUtf8(Msg::SerialCounterInvalid)));
  EXPECT_EQ(f.Index(), "<none>");
}

TEST(RunDbSearch, OddRecordFilesAreSkippedWithoutWaitingAndWithoutLosingTheirEntries) {
  for (int readers : {0, 2}) {
    SearchFixture f;
    f.options.readers = readers;
    f.options.batch = 2;
    f.Counter(4);
    for (long i : {0, 3}) f.Put(i, Rec("T", "BODY"));
    f.Put(2, Rec("T"));
    // A FIFO is never waited on; an oversize (sparse) file is that record's failure.
    std::filesystem::create_directories(std::filesystem::path(f.TxtPath(1)).parent_path());
    ASSERT_EQ(mkfifo(f.TxtPath(1).c_str(), 0644), 0);
    std::filesystem::resize_file(f.TxtPath(2), kMaxRecordFileSize + 1);
    f.inputs.editTexts[4] = "body";
    EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "00000003"})) << readers;
    EXPECT_EQ(f.prompter.TextsUtf8(),
              (std::vector<std::string>{f.TxtPath(2) + "\n" + MessageTextUtf8(Msg::RecordFileOversize), "該当 2件"}));
    EXPECT_EQ(f.Index(), "1111");
  }
}

TEST(RunDbSearch, TheIndexOfACounterFarAheadIsWrittenInAFewWrites) {
  SearchFixture f;
  f.Counter(1'000'000);
  for (long i : {0, 1, 2}) f.Put(i, Rec("T"));
  f.Put(999'999, Rec("T"));
  const std::optional<std::uint64_t> before = WriteSystemCalls();
  if (!before) GTEST_SKIP() << "no write accounting in /proc/self/io";
  EXPECT_EQ(f.Search().size(), 4u);
  EXPECT_LE(*WriteSystemCalls() - *before, 16u);  // creation and the repairs: a handful, not one per serial
  std::string expected(1'000'000, '0');
  expected[0] = expected[1] = expected[2] = expected[999'999] = '1';
  EXPECT_EQ(f.Index(), expected);
}

TEST(RunDbSearch, ACounterAtTheLastSerialWalksTheListingsNotEverySerial) {
  // Three records and a counter at the very end: every other serial has no file. Opening each
  // of them would take hours; the listings tell which exist, and the index still ends up with
  // one byte per serial handed out, '0' for each serial without a record.
  SearchFixture f;
  f.options.readers = 2;
  f.Counter(kMaxSerialCount);
  for (long i : {0L, 4'242'424L, kMaxSerialCount - 1}) f.Put(i, Rec("T"));
  std::ofstream(f.TxtPath(4'242'400) + ".tmp0000abcd") << "x";  // not a record's name
  f.SetIndex("");
  const std::optional<std::uint64_t> before = WriteSystemCalls();
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000", "04242424", "99999998"}));
  if (before) {
    EXPECT_LE(*WriteSystemCalls() - *before, 64u);  // a few large writes, not one per serial
  }
  EXPECT_EQ(f.LastMessage(), "該当 3件");
  std::string index = f.Index();
  ASSERT_EQ(index.size(), static_cast<std::size_t>(kMaxSerialCount));
  EXPECT_EQ(std::count(index.begin(), index.end(), '1'), 3);
  EXPECT_EQ(index[0], '1');
  EXPECT_EQ(index[4'242'424], '1');
  EXPECT_EQ(index[kMaxSerialCount - 1], '1');
  index.clear();
  index.shrink_to_fit();

  // A record file past the counter is not listed.
  f.store.WriteSerialCounter(3);
  f.Put(5, Rec("T"));
  EXPECT_EQ(f.Search(), (std::vector<std::string>{"00000000"}));
}

TEST(RunDbSearch, AFolderThatCannotBeListedIsStillSearchedAndKeepsItsEntries) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder modes do not stop root";
  SearchFixture f;
  f.Counter(300);
  for (long i : {3, 103, 5}) f.Put(i, Rec("T"));
  f.SetIndex("");
  const std::string folder = std::filesystem::path(f.TxtPath(3)).parent_path();
  ASSERT_EQ(::chmod(folder.c_str(), 0111), 0);  // names may be opened, not listed
  std::vector<std::string> hits = f.Search();
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(hits, (std::vector<std::string>{"00000003", "00000005", "00000103"}));
  std::string expected(300, '0');
  expected[3] = expected[103] = expected[5] = '1';
  expected[203] = '0';  // opened and not there: gone
  EXPECT_EQ(f.Index(), expected);
}

TEST(RunDbSearch, FoldedMatchingFindsWhatExactMatchingMisses) {
  SearchFixture f;
  f.Counter(3);
  f.Put(0, Rec("Doc 1", "ＰＤＦ 形式の ﾃﾞｰﾀﾍﾞｰｽ サーバ－ 東京 都庁", "ひらがな"));
  f.Put(1, Rec("渡邊の記録", "NOTHING"));
  f.Put(2, Rec("other", "PDFS"));
  auto both = [&f](int field, const char* term) {
    f.inputs.editTexts = {};
    f.inputs.editTexts[field] = J(term);
    f.inputs.flags.yure = false;
    std::vector<std::string> exact = f.Search();
    f.inputs.flags.yure = true;
    return std::make_pair(exact, f.Search());
  };
  const std::vector<std::string> none, first{"00000000"};
  for (const char* term : {"データベース", "サーバー", "東京都庁", "形式のデータベース"})
    EXPECT_EQ(both(4, term), std::make_pair(none, first)) << term;
  EXPECT_EQ(both(4, "ＰＤＦ").second, (std::vector<std::string>{"00000000", "00000002"}));
  EXPECT_EQ(both(0, "doc"), std::make_pair(none, first));
  EXPECT_EQ(both(3, "ヒラガナ"), std::make_pair(none, first));
  // The variant kanji fold in the title only when folded; in the body they always do.
  EXPECT_EQ(both(0, "渡辺"), std::make_pair(none, std::vector<std::string>{"00000001"}));
  // Full text: the raw term meets the fields folded too.
  f.inputs.editTexts = {};
  f.inputs.flags.zenbun = true;
  f.inputs.editTexts[5] = J("ＤＯＣ");
  f.inputs.flags.yure = false;
  EXPECT_EQ(f.Search(), none);
  f.inputs.flags.yure = true;
  EXPECT_EQ(f.Search(), first);
}

TEST(SearchFlags, TheYureSwitchIsOnUnlessTheSettingsSayOtherwise) {
  MemorySettings settings;
  EXPECT_TRUE(LoadSearchFlags(settings).yure);
  SearchFlags flags = LoadSearchFlags(settings);
  FixedClock clock;
  EXPECT_FALSE(ToggleSearchFlag(flags, SearchToggle::Yure, settings, clock));
  EXPECT_EQ(settings.GetInt(setting::Yure), 0);
  EXPECT_FALSE(LoadSearchFlags(settings).yure);
}

namespace {

// A random store for the differential tests: records that match (title A, or KEY in the body),
// records that do not, missing files, damaged files, index entries already '0' and an index
// shorter than the counter. Returns the index file's bytes before any search.
std::string RandomStore(SearchFixture& f, std::mt19937& random, long n) {
  f.Counter(n);
  std::string index;
  for (long i = 0; i < n; ++i) {
    switch (random() % 8) {
      case 0:
        break;  // no record file
      case 1:
        std::ofstream(f.TxtPath(i), std::ios::binary) << "<PT>A\r\n<PA>\r\n";  // damaged
        break;
      default:
        f.Put(i, Rec(random() % 3 ? "A" : "B", random() % 4 ? "BODY" : "BODY KEY"));
    }
    index += random() % 10 == 0 ? '0' : '1';
  }
  index.resize(static_cast<std::size_t>(random() % (n + 1)));
  f.SetIndex(index);
  return index;
}

struct Outcome {
  std::vector<std::string> rows;
  std::string index;
  std::vector<std::string> messages;
  bool operator==(const Outcome&) const = default;
};

Outcome SearchFrom(SearchFixture& f, const std::string& index) {
  f.SetIndex(index);
  Outcome outcome;
  outcome.rows = f.Search();
  outcome.index = f.Index();
  outcome.messages = f.prompter.TextsUtf8();
  return outcome;
}

}  // namespace

TEST(RunDbSearch, ReadersAndReadAheadHintsNeverChangeWhatASearchDoes) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 6; ++round) {
    SearchFixture f;
    const std::string index = RandomStore(f, random, 150 + static_cast<long>(random() % 400));
    f.inputs.editTexts[4] = round % 2 ? "key" : "";
    f.inputs.editTexts[0] = round % 2 ? "" : "A";
    f.settings.SetInt(setting::HitMax, round < 3 ? 3000 : 20 + static_cast<long>(random() % 60));
    f.options.readers = 0;
    f.options.hints = 0;
    const Outcome reference = SearchFrom(f, index);
    ASSERT_FALSE(reference.rows.empty());
    for (int readers : {1, 4, 9}) {
      f.options.readers = readers;
      f.options.hints = readers == 1 ? 0 : 8;
      f.options.batch = 1 + static_cast<int>(random() % 40);
      EXPECT_EQ(SearchFrom(f, index), reference) << round << " readers " << readers << " batch " << f.options.batch;
    }
  }
}

TEST(RunDbSearch, ACancelledSearchKeepsItsHitsAndRepairsTheIndexAsFarAsItCame) {
  std::mt19937 random(7);
  for (int readers : {0, 3}) {
    SearchFixture f;
    const long n = 400;
    const std::string before = RandomStore(f, random, n);
    f.inputs.editTexts[0] = "A";
    f.options.readers = readers;
    f.options.batch = 16;
    const Outcome full = SearchFrom(f, before);
    ASSERT_GT(full.rows.size(), 20u);
    for (std::size_t keep : {std::size_t{0}, std::size_t{1}, full.rows.size() / 2}) {
      f.options.cancelled = [&f, keep] { return static_cast<std::size_t>(f.list.RowCount()) >= keep; };
      f.progress.paneTexts.clear();
      const Outcome cancelled = SearchFrom(f, before);
      f.options.cancelled = nullptr;
      // The hits before the cancel, in serial order, and no message box.
      EXPECT_EQ(cancelled.rows, std::vector<std::string>(full.rows.begin(), full.rows.begin() + keep));
      EXPECT_TRUE(cancelled.messages.empty()) << cancelled.messages.front();
      ASSERT_FALSE(f.progress.paneTexts.empty());
      EXPECT_EQ(f.progress.paneTexts.back(), std::make_pair(StatusPane::Url, MessageText(Msg::SearchCancelled)));
      // The index: repaired exactly as the whole search repairs it up to some serial past the
      // last hit kept, and as it was from there on.
      const long last = keep == 0 ? -1 : std::stol(cancelled.rows.back());
      bool consistent = false;
      for (long r = last + 1; r <= n && !consistent; ++r) {
        const std::size_t at = static_cast<std::size_t>(r);
        consistent = cancelled.index == full.index.substr(0, at) + (before.size() > at ? before.substr(at) : "");
      }
      EXPECT_TRUE(consistent) << readers << " keep " << keep;
      // Nothing is lost: the next search over what the cancelled one left finds it all.
      f.options.cancelled = nullptr;
      EXPECT_EQ(SearchFrom(f, cancelled.index), full) << readers << " keep " << keep;
    }
  }
}
