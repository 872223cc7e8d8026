// folidex-cli on a store that has been damaged, restored from an old backup or tampered with:
// every run ends (each one under a time limit), nothing crashes, and no byte of a record is
// lost.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "CliRunner.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

constexpr int kLimit = 20;  // seconds; every run here takes well under one

struct DamagedStore : StoreFixture {
  std::string settingsFile;

  explicit DamagedStore(const std::string& counter) {
    settingsFile =
        WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\nKakunin=0\n[Sys]\nNo=" + counter + "\n");
  }
  std::string Path(long serial) {
    std::string s = FormatSerial(serial);
    return dir.path() + "/DOCDATA/TXT/" + s.substr(6) + "/" + s + ".TXT";
  }
  void Put(long serial, const std::string& title, const std::string& fg = {}, const std::string& y2 = {}) {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = fg;
    r[FieldTag::Y2] = y2;
    r[FieldTag::TX] = "BODY";
    PutRecord(FormatSerial(serial), r);
  }
  std::string Bytes(long serial) {
    std::string bytes;
    ReadFileBytes(Path(serial), bytes);
    return bytes;
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", settingsFile});
    CliResult result = RunCli(args, kLimit);
    EXPECT_FALSE(result.timedOut) << "folidex-cli hung on " << args[2];
    return result;
  }
};

}  // namespace

TEST(CliDamagedStore, DupesRewritesOnlyTheY2LineOfOddlyShapedRecords) {
  DamagedStore f("00000003");
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("doc.pdf"), "same"));
  const std::string fg = FromNativePath(f.dir.File("doc.pdf"));
  f.Put(0, J("報告書"), fg);
  f.Put(1, "first\r\nsecond", fg);  // a title that held a line break: its continuation line
  f.Put(2, "plain", fg);
  const std::string withBom = "\xEF\xBB\xBF" + f.Bytes(0);
  ASSERT_TRUE(WriteFileAtomic(f.Path(0), withBom));
  const std::string continued = f.Bytes(1) + "<ZZ>after the record\r\n";
  ASSERT_TRUE(WriteFileAtomic(f.Path(1), continued));

  CliResult result = f.Run({"dupes", "--all"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("group 1 (3 records)"), std::string::npos) << result.out;
  const std::string digest = f.Bytes(2).substr(f.Bytes(2).find("<Y2>") + 4, 64);
  ASSERT_EQ(digest.size(), 64u);
  for (auto [serial, before] : {std::pair<long, std::string>{0, withBom}, {1, continued}}) {
    std::string expected = before;
    expected.replace(expected.find("<Y2>\r\n"), 6, "<Y2>" + digest + "\r\n");
    EXPECT_EQ(f.Bytes(serial), expected) << serial;
  }
  // The BOM line is still the title's line, byte for byte.
  EXPECT_EQ(f.Bytes(0).substr(0, 3 + 4 + J("報告書").size()), "\xEF\xBB\xBF<PT>" + J("報告書"));
}

TEST(CliDamagedStore, ADamagedCounterIsReportedAndNothingIsWritten) {
  for (const char* bad : {"-5", "abc", "100000000", "99999999999"}) {
    DamagedStore f(bad);
    f.Put(0, "A");
    const std::string record = f.Bytes(0);
    for (std::vector<std::string> args :
         {std::vector<std::string>{"search", "--title", "A"}, std::vector<std::string>{"dupes", "--all"},
          std::vector<std::string>{"counter"}}) {
      CliResult result = f.Run(args);
      EXPECT_EQ(result.status, 1) << bad << " " << args[0];
      EXPECT_TRUE(result.out.empty()) << bad << " " << args[0];
      EXPECT_NE(result.err.find(MessageTextUtf8(Msg::SerialCounterInvalid)), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(std::string("Sys/No = \"") + bad + "\""), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(f.settingsFile), std::string::npos) << result.err;
    }
    EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/index")) << bad;
    EXPECT_EQ(f.Bytes(0), record);
  }
}

TEST(CliDamagedStore, AFifoInPlaceOfARecordOrADocumentIsNeverWaitedOn) {
  DamagedStore f("00000003");
  f.Put(0, "zero", f.dir.File("fifo.pdf"));  // its document is a FIFO
  f.Put(2, "two");
  fs::create_directories(fs::path(f.Path(1)).parent_path());
  ASSERT_EQ(mkfifo(f.Path(1).c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(f.dir.File("fifo.pdf").c_str(), 0644), 0);

  CliResult record = f.Run({"record", "00000001"});
  EXPECT_EQ(record.status, 1);
  EXPECT_NE(record.err.find("00000001"), std::string::npos);

  CliResult search = f.Run({"search", "--title", "t"});
  EXPECT_EQ(search.status, 0) << search.err;
  EXPECT_NE(search.out.find("00000002"), std::string::npos);
  std::string index;
  ASSERT_TRUE(ReadFileBytes(f.dir.path() + "/DOCDATA/index", index));
  EXPECT_EQ(index, "111");  // the FIFO's serial is not taken for a missing record

  const std::string zero = f.Bytes(0);
  CliResult dupes = f.Run({"dupes", "--all"});
  EXPECT_EQ(dupes.status, 0) << dupes.err;
  EXPECT_EQ(f.Bytes(0).substr(0, zero.find("<Y2>")), zero.substr(0, zero.find("<Y2>")));
}

TEST(CliDamagedStore, ASymlinkedIndexIsRefusedAndItsTargetLeftAlone) {
  DamagedStore f("00000002");
  f.Put(0, "zero");
  TempDir outside;
  ASSERT_TRUE(WriteFileAtomic(outside.File("target"), "precious"));
  fs::create_directories(f.dir.path() + "/DOCDATA");
  const std::string index = f.dir.path() + "/DOCDATA/index";
  ASSERT_EQ(symlink(outside.File("target").c_str(), index.c_str()), 0);

  CliResult result = f.Run({"search", "--title", "zero"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(MessageTextUtf8(Msg::NotARegularFile)), std::string::npos) << result.err;
  std::string target;
  ASSERT_TRUE(ReadFileBytes(outside.File("target"), target));
  EXPECT_EQ(target, "precious");

  // A dangling link creates nothing outside the store.
  fs::remove(index);
  ASSERT_EQ(symlink(outside.File("created").c_str(), index.c_str()), 0);
  EXPECT_EQ(f.Run({"search", "--title", "zero"}).status, 1);
  EXPECT_FALSE(PathExists(outside.File("created")));
}

TEST(CliDamagedStore, AnOversizeRecordIsThatRecordsFailureOnly) {
  DamagedStore f("00000003");
  f.Put(0, "same", "", std::string(64, 'A'));
  f.Put(1, "big", "", std::string(64, 'A'));
  f.Put(2, "same", "", std::string(64, 'A'));
  fs::resize_file(f.Path(1), kMaxRecordFileSize + 1);  // sparse: no disk space needed

  CliResult record = f.Run({"record", "00000001"});
  EXPECT_EQ(record.status, 1);
  EXPECT_NE(record.err.find(MessageTextUtf8(Msg::RecordFileOversize)), std::string::npos) << record.err;

  CliResult search = f.Run({"search", "--title", "same"});
  EXPECT_EQ(search.status, 0) << search.err;
  EXPECT_NE(search.out.find("00000002"), std::string::npos);
  EXPECT_NE(search.err.find(MessageTextUtf8(Msg::RecordFileOversize)), std::string::npos);

  CliResult dupes = f.Run({"dupes", "--all"});
  EXPECT_EQ(dupes.status, 0) << dupes.err;
  EXPECT_EQ(dupes.out, "group 1 (2 records)\n00000002\tsame\n00000000\tsame\n");
  EXPECT_EQ(fs::file_size(f.Path(1)), kMaxRecordFileSize + 1);
}
