// The serial counter as the store reads it (a damaged value is refused, never read as 0), the
// serial a new record takes, the scan of the record files, and the index file built from the
// counter.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "store/Store.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;
using folidex::test::StoreFixture;

namespace {

void Spit(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

std::string TxtPath(const StoreFixture& f, const std::string& serial) {
  return f.dir.path() + "/DOCDATA/TXT/" + serial.substr(serial.size() - 2) + "/" + serial + ".TXT";
}

// A complete record file (seventeen lines) for `serial`.
void PutComplete(StoreFixture& f, const std::string& serial) {
  IndexRecord r;
  r[FieldTag::PT] = "kept " + serial;
  f.PutRecord(serial, r);
}

}  // namespace

TEST(SerialCounter, ValidWhenItsLeadingDigitsGiveZeroToNinetyNineMillion) {
  EXPECT_EQ(ParseSerialCounter("00000000"), 0);
  EXPECT_EQ(ParseSerialCounter("5"), 5);
  EXPECT_EQ(ParseSerialCounter("00000107x"), 107);
  EXPECT_EQ(ParseSerialCounter("99999999"), 99'999'999);
  for (const char* bad : {"-5", "abc", "", " 5", "+5", "100000000", "99999999999"})
    EXPECT_EQ(ParseSerialCounter(bad), std::nullopt) << bad;
  EXPECT_EQ(ParseSerialCounter("0000000000000000000000012"), 12);  // zeros do not count against the limit
}

TEST(SerialCounter, ADamagedCounterIsReportedWithItsValueAndTheSettingsFile) {
  StoreFixture f;
  f.settings.SetText(setting::SerialCounter, "-5");
  EXPECT_EQ(f.store.ReadSerialCount(), std::nullopt);
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(f.prompter.TextsUtf8()[0], std::string("Sys/No = \"-5\"\n設定ファイル: (メモリ上の設定)\n") +
                                           MessageTextUtf8(Msg::SerialCounterInvalid));
  // A long value is shown cut short.
  f.settings.SetText(setting::SerialCounter, std::string(500, '9'));
  EXPECT_EQ(f.store.ReadSerialCount(), std::nullopt);
  EXPECT_LT(f.prompter.shown.back().text.size(), 300u);

  f.settings.SetText(setting::SerialCounter, "00000042");
  EXPECT_EQ(f.store.ReadSerialCount(), 42);
  EXPECT_EQ(f.prompter.shown.size(), 2u);
}

TEST(ScanNextSerial, OnlyEightDigitNamesCount) {
  StoreFixture f;
  const std::string txt = f.dir.path() + "/DOCDATA/TXT";
  Spit(txt + "/03/00000003.TXT", "");
  Spit(txt + "/99/999999999999.TXT", "");  // twelve digits: a stray file, not a record
  Spit(txt + "/99/000000099.TXT", "");     // nine
  Spit(txt + "/99/0000099.TXT", "");       // seven
  Spit(txt + "/99/0000009x.TXT", "");
  Spit(txt + "/99/00000099.TXT.tmp0123abcd", "");
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 4);
  Spit(txt + "/99/99999999.TXT", "");
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 100'000'000);
}

TEST(TakeNewSerial, ReservesTheSerialInBothCountersPastEveryRecordFile) {
  StoreFixture f;
  const std::string counterFile = f.dir.path() + "/DOCDATA/counter";
  f.settings.SetText(setting::SerialCounter, "5");
  EXPECT_EQ(f.store.TakeNewSerial(), "00000005");
  // Reserved before any file is written: a kill from here on leaves a gap, never a record past
  // the counters.
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000006");
  EXPECT_EQ(Slurp(counterFile), "00000006");
  EXPECT_EQ(f.settings.syncs, 1);

  // A counter restored from an old settings file and no store counter: serial 3 exists, 7 is
  // the highest record file, 5 a gap the next record must not fill. Any record file counts,
  // complete or not (what a killed run of an earlier version left).
  std::filesystem::remove(counterFile);
  for (const char* serial : {"00000000", "00000003", "00000004", "00000006"}) PutComplete(f, serial);
  Spit(TxtPath(f, "00000007"), "<PT>x\r\n");
  f.settings.SetText(setting::SerialCounter, "00000003");
  const std::string before = Slurp(TxtPath(f, "00000003"));
  EXPECT_EQ(f.store.TakeNewSerial(), "00000008");
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000009");
  EXPECT_EQ(Slurp(counterFile), "00000009");
  EXPECT_EQ(Slurp(TxtPath(f, "00000003")), before);
  EXPECT_TRUE(f.prompter.shown.empty());

  // Another computer's settings (Sys/No 2) see the store's counter: N is the greater of the two,
  // and the user's Sys/No is brought up to it.
  f.settings.SetText(setting::SerialCounter, "00000002");
  EXPECT_EQ(f.store.ReadSerialCount(), 9);
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000009");
}

TEST(TakeNewSerial, ASettingsFileThatCannotBeSavedStopsBeforeAnyWrite) {
  StoreFixture f;
  f.settings.SetText(setting::SerialCounter, "4");
  f.settings.failSync = true;
  EXPECT_EQ(f.store.TakeNewSerial(), "");
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SettingsSyncFailed));
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/counter"));
}

TEST(StoreCounter, ADamagedCounterFileIsDamageLikeADamagedSysNo) {
  StoreFixture f;
  f.settings.SetText(setting::SerialCounter, "4");
  for (const char* bad : {"", "12", "0000000x", "-0000001", "000000012", "abcdefgh"}) {
    Spit(f.dir.path() + "/DOCDATA/counter", bad);
    f.prompter.shown.clear();
    EXPECT_EQ(f.store.ReadSerialCount(), std::nullopt) << bad;
    EXPECT_TRUE(f.prompter.ShowedMessage(Msg::StoreCounterInvalid)) << bad;
    EXPECT_EQ(f.store.TakeNewSerial(), "") << bad;
    EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/counter"), bad);
  }
  Spit(f.dir.path() + "/DOCDATA/counter", "00000012\n");
  EXPECT_EQ(f.store.ReadSerialCount(), 12);
}

TEST(IndexFile, ARecordWrittenAtASerialMarkedGoneIsMarkedPresent) {
  StoreFixture f;
  f.settings.SetText(setting::SerialCounter, "4");
  Spit(f.dir.path() + "/DOCDATA/index", "1100");
  f.store.WorkingRecord()[FieldTag::PT] = "t";
  ASSERT_TRUE(f.store.WriteRecordFile("00000002"));
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "1110");
  ASSERT_TRUE(f.store.WriteRecordFile("00000009"));  // past the end: nothing to change
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "1110");
}

TEST(TakeNewSerial, ADamagedCounterOrNoSerialLeftGivesNothing) {
  StoreFixture f;
  for (const char* bad : {"-5", "abc", "100000000", "99999999999"}) {
    f.settings.SetText(setting::SerialCounter, bad);
    f.prompter.shown.clear();
    EXPECT_EQ(f.store.TakeNewSerial(), "") << bad;
    EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SerialCounterInvalid)) << bad;
    EXPECT_EQ(f.store.ReadSerialCounter(), bad);
  }
  PutComplete(f, "99999999");
  f.settings.SetText(setting::SerialCounter, "99999999");
  f.prompter.shown.clear();
  EXPECT_EQ(f.store.TakeNewSerial(), "");
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SerialNumbersExhausted));
  EXPECT_EQ(f.store.ReadSerialCounter(), "99999999");
}

TEST(IndexFile, AMillionSerialsAreWrittenInAFewWrites) {
  StoreFixture f;
  f.store.WriteSerialCounter(1'000'000);
  const std::optional<std::uint64_t> before = test::WriteSystemCalls();
  if (!before) GTEST_SKIP() << "no write accounting in /proc/self/io";
  {
    FileHandle index = f.store.OpenIndexFile();
    ASSERT_TRUE(index);
  }
  EXPECT_LE(*test::WriteSystemCalls() - *before, 16u);  // a handful (sanitizers add a few of their own)
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), std::string(1'000'000, '1'));
}

TEST(IndexFile, ADamagedCounterCreatesNothing) {
  StoreFixture f;
  for (const char* bad : {"-5", "abc", "100000000", "99999999999"}) {
    f.settings.SetText(setting::SerialCounter, bad);
    f.prompter.shown.clear();
    EXPECT_FALSE(f.store.OpenIndexFile()) << bad;
    EXPECT_TRUE(f.prompter.ShowedMessage(Msg::SerialCounterInvalid)) << bad;
    EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/index")) << bad;
  }
}

TEST(IndexFile, ASymlinkOrFifoInItsPlaceIsRefusedAndNothingOutsideIsWritten) {
  StoreFixture f;
  test::TempDir outside;
  std::filesystem::create_directories(f.dir.path() + "/DOCDATA");
  const std::string index = f.dir.path() + "/DOCDATA/index";
  const std::string expected = index + "\n" + MessageText(Msg::NotARegularFile);

  Spit(outside.File("target"), "precious");
  ASSERT_EQ(symlink(outside.File("target").c_str(), index.c_str()), 0);
  EXPECT_FALSE(f.store.OpenIndexFile());
  EXPECT_EQ(Slurp(outside.File("target")), "precious");

  // A dangling link creates no file where it points.
  std::filesystem::remove(index);
  ASSERT_EQ(symlink(outside.File("new").c_str(), index.c_str()), 0);
  f.store.WriteSerialCounter(3);
  EXPECT_FALSE(f.store.OpenIndexFile());
  EXPECT_FALSE(PathExists(outside.File("new")));

  std::filesystem::remove(index);
  ASSERT_EQ(mkfifo(index.c_str(), 0644), 0);
  EXPECT_FALSE(f.store.OpenIndexFile());

  ASSERT_EQ(f.prompter.shown.size(), 3u);
  for (const auto& shown : f.prompter.shown) EXPECT_EQ(shown.text, expected);
}

TEST(TakeNewSerial, ARecordFilePutBetweenTakingsIsNeverOvertakenByTheNextSerial) {
  // The counters set back before each taking, so that only the record files tell the next serial:
  // the folders listed for one taking and changed before the next are listed again, whether
  // changed a moment ago or after they had stood a while (their time set back too).
  StoreFixture f;
  const std::string txt = f.dir.path() + "/DOCDATA/TXT";
  const std::string counterFile = f.dir.path() + "/DOCDATA/counter";
  std::mt19937 random(7);
  long taken = -1;
  for (int round = 0; round < 40; ++round) {
    if (round == 20) std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    if (round % 3 == 0) {
      const long foreign = taken + 1 + static_cast<long>(random() % 150);
      char serial[9];
      std::snprintf(serial, sizeof serial, "%08ld", foreign);
      const std::string folder = txt + "/" + std::string(serial + 6, 2);
      std::filesystem::create_directories(folder);
      struct stat before {};
      ::stat(folder.c_str(), &before);
      Spit(TxtPath(f, serial), "<PT>x\r\n");
      const struct timespec times[2] = {before.st_atim, before.st_mtim};
      ::utimensat(AT_FDCWD, folder.c_str(), times, 0);
    }
    std::filesystem::remove(counterFile);
    f.settings.SetText(setting::SerialCounter, "00000000");
    const long expected = Store::ScanNextSerial(NativePath(txt));
    const std::string serial = f.store.TakeNewSerial();
    ASSERT_EQ(serial, std::string(8 - std::to_string(expected).size(), '0') + std::to_string(expected)) << round;
    taken = expected;
    PutComplete(f, serial);
  }
}
