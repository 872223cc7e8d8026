#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "store/Store.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;
using folidex::test::StoreFixture;

namespace {

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

void Spit(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

IndexRecord SampleRecord() {
  IndexRecord r;
  r[FieldTag::PT] = J("報告書");
  r[FieldTag::PC] = "2010.12.01 10:20:30";
  r[FieldTag::TY] = "I";
  r[FieldTag::FN] = "a.pdf";
  r[FieldTag::FS] = "1234";
  r[FieldTag::TS] = "3";
  r[FieldTag::FG] = J("/home/資料/a.pdf");
  r[FieldTag::TX] = "ABC";
  return r;
}

}  // namespace

TEST(StorePaths, SerialSelectsTheSubFolder) {
  StoreFixture f;
  std::string path = f.store.StoreFilePath("00000107", "TXT");
  EXPECT_EQ(path, f.dir.path() + "/DOCDATA/TXT/07/00000107.TXT");
  EXPECT_TRUE(IsDirectory(f.dir.path() + "/DOCDATA/TXT/07"));  // created on the way
  EXPECT_EQ(f.store.StoreFilePath("00000107", "PDF"), f.dir.path() + "/DOCDATA/PDF/07/00000107.PDF");
  EXPECT_EQ(f.store.StoreFilePath("7", "TXT"), f.dir.path() + "/DOCDATA/TXT/7/7.TXT");
}

TEST(StorePaths, UnusableLocationsGiveEmptyPathsWithoutMessages) {
  StoreFixture f;
  for (const char* location : {"", "relative/dir", "//server/share"}) {
    f.store.SetLocation(NativePath(location));
    EXPECT_EQ(f.store.StoreFilePath("00000001", "TXT"), "") << location;
    EXPECT_FALSE(f.store.ReadRecordFile("00000001", true));
    EXPECT_FALSE(f.store.WriteRecordFile("00000001"));
  }
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(StorePaths, LocationsOutsideCp932StayThemselvesOnDisk) {
  // "資料〜2024" holds U+301C (the wave dash Linux input methods type), which CP932 would turn
  // into U+FF5E; "café" holds a letter CP932 has not at all. Both are folders of their own.
  for (const char* name : {"/資料〜2024", "/café", "/資料"}) {
    StoreFixture f;
    const std::string location = f.dir.path() + name;
    std::filesystem::create_directories(location + "/DOCDATA");
    f.store.SetLocation(NativePath(location));
    EXPECT_EQ(f.store.Location(), location);
    f.PutRecord("00000003", SampleRecord());
    EXPECT_TRUE(IsFile(location + "/DOCDATA/TXT/03/00000003.TXT")) << name;
    ASSERT_TRUE(f.store.ReadRecordFile("00000003", false)) << name;
    EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], SampleRecord()[FieldTag::PT]);
    // Nothing made beside it: the fixture's DOCDATA and the location only.
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.path()))
      entries.push_back(entry.path().filename().string());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"DOCDATA", std::string(name + 1)}));
  }
}

TEST(StorePaths, NothingIsCreatedForAStoreThatIsNotThere) {
  StoreFixture f;
  const std::string location = f.dir.path() + "/unplugged";
  f.store.SetLocation(NativePath(location));
  f.store.WorkingRecord() = SampleRecord();
  EXPECT_FALSE(f.store.ReadRecordFile("00000001", false));
  EXPECT_TRUE(f.prompter.shown.empty());  // a missing record is no message
  EXPECT_FALSE(f.store.WriteRecordFile("00000001"));
  EXPECT_EQ(f.prompter.TextsUtf8().back(), location + "/DOCDATA\n" + MessageTextUtf8(Msg::StoreFolderMissing));
  EXPECT_FALSE(f.store.OpenIndexFile());
  EXPECT_FALSE(PathExists(location));
}

TEST(RecordFile, WritesSeventeenCrLfLinesByteForByte) {
  StoreFixture f;
  IndexRecord r = SampleRecord();
  f.PutRecord("00000107", r);
  std::string expected = "<PT>" + J("報告書") +
                         "\r\n<PA>\r\n<PS>\r\n<PK>\r\n<PC>2010.12.01 10:20:30\r\n<PM>\r\n<TY>I\r\n"
                         "<FN>a.pdf\r\n<FS>1234\r\n<TS>3\r\n<FC>\r\n<FA>\r\n<FP>\r\n<FG>" +
                         J("/home/資料/a.pdf") + "\r\n<Y1>\r\n<Y2>\r\n<TX>ABC\r\n";
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/TXT/07/00000107.TXT"), expected);

  f.store.WorkingRecord().Clear();
  ASSERT_TRUE(f.store.ReadRecordFile("00000107", false));
  EXPECT_EQ(f.store.WorkingRecord().fields, r.fields);
  ASSERT_TRUE(f.store.WriteRecordFile("00000108"));
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/TXT/08/00000108.TXT"), expected);
}

TEST(RecordFile, ReadsLinesByTheirTagWhateverTheOrder) {
  StoreFixture f;
  std::string path = f.dir.path() + "/DOCDATA/TXT/01/00000001.TXT";
  // Out of order, extra lines, LF-only ends, a tag compared only on its second and third
  // character, a repeated tag keeping its last value, and a short line.
  Spit(path, "<TX>BODY\r\njunk line\nxPTy" + J("報告") + "\n<PA>first\r\n<PA>second\r\n<P\r\n<FS>\n");
  f.store.WorkingRecord()[FieldTag::Y2] = "left over";
  ASSERT_TRUE(f.store.ReadRecordFile("00000001", false));
  const IndexRecord& r = f.store.WorkingRecord();
  EXPECT_EQ(r[FieldTag::TX], "BODY");
  EXPECT_EQ(r[FieldTag::PT], J("報告"));
  EXPECT_EQ(r[FieldTag::PA], "second");
  EXPECT_EQ(r[FieldTag::FS], "");
  EXPECT_EQ(r[FieldTag::Y2], "");  // every field is emptied first
}

TEST(RecordFile, StopAfterTextIgnoresLaterLines) {
  StoreFixture f;
  Spit(f.dir.path() + "/DOCDATA/TXT/02/00000002.TXT", "<PT>a\r\n<TX>body\r\n<PA>late\r\n");
  ASSERT_TRUE(f.store.ReadRecordFile("00000002", true));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PA], "");
  ASSERT_TRUE(f.store.ReadRecordFile("00000002", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PA], "late");
}

TEST(RecordFile, LineBreakInAValueSplitsItsLineOfAnOldFile) {
  StoreFixture f;
  // A file an earlier writer made with line breaks in values: the continuation line looks like
  // a PK line.
  Spit(f.dir.path() + "/DOCDATA/TXT/04/00000004.TXT", "<PA>x\ny\r\n<TX>body\r\nxPK>late\r\n");
  ASSERT_TRUE(f.store.ReadRecordFile("00000004", true));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PA], "x");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "body");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PK], "");
  ASSERT_TRUE(f.store.ReadRecordFile("00000004", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PK], "late");
}

// A name that tries to plant its own line, and every other control character: a new record
// is seventeen lines whatever its values hold, and patches keep one line per field as well.
TEST(RecordFile, ValuesAreWrittenAsOneLine) {
  StoreFixture f;
  IndexRecord r = SampleRecord();
  r[FieldTag::FN] = "x\n<TX>EVIL.pdf";
  r[FieldTag::FG] = "/home/a\r\n<PT>b\t\x01\x7f.pdf";
  r[FieldTag::PT] = J("報告\n書");
  f.PutRecord("00000005", r);
  const std::string bytes = Slurp(f.dir.path() + "/DOCDATA/TXT/05/00000005.TXT");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 17);
  ASSERT_TRUE(f.store.ReadRecordFile("00000005", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::FN], "x <TX>EVIL.pdf");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::FG], "/home/a  <PT>b   .pdf");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], J("報告 書"));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "ABC");
  ASSERT_EQ(f.store.PatchRecordFile("00000005", {{FieldTag::PK, "a\vb\nc"}}), PatchStatus::Patched);
  ASSERT_TRUE(f.store.ReadRecordFile("00000005", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PK], "a b c");
}

TEST(RecordFile, MissingFileLeavesTheWorkingRecordUntouched) {
  StoreFixture f;
  f.store.WorkingRecord()[FieldTag::PT] = "kept";
  EXPECT_FALSE(f.store.ReadRecordFile("00000099", true));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], "kept");
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(RecordFile, FailedRewriteKeepsTheOldFile) {
  StoreFixture f;
  IndexRecord old = SampleRecord();
  f.PutRecord("00000010", old);
  std::string path = f.dir.path() + "/DOCDATA/TXT/10/00000010.TXT";
  std::string before = Slurp(path);

  // A write that fails half-way: the file-size limit stops the new file after 64 bytes (the
  // writer's lock, a longer file, is taken before).
  const StoreWriteLock lock = f.store.LockForWriting();
  ASSERT_TRUE(lock);
  IndexRecord big = old;
  big[FieldTag::TX] = std::string(100000, 'X');
  f.store.WorkingRecord() = big;
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool written = f.store.WriteRecordFile("00000010");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(written);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileOpenFailed));
  EXPECT_EQ(Slurp(path), before);
  EXPECT_EQ(ListFiles(f.dir.path() + "/DOCDATA/TXT/10").size(), 1u);  // no temporary file left
}

TEST(BodyText, LoadsAndNormalisesTheWorkText) {
  StoreFixture f;
  EXPECT_TRUE(f.store.LoadBodyText(NativePath("")));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TS], "0");

  std::string work = f.dir.File("tmp.txt");
  Spit(work, std::string("\0abc", 4));
  EXPECT_TRUE(f.store.LoadBodyText(NativePath(work)));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TS], "0");

  Spit(work, "line one\r\nline two");
  EXPECT_TRUE(f.store.LoadBodyText(NativePath(work)));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "LINE ONE LINE TWO");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TS], "17");

  EXPECT_FALSE(f.store.LoadBodyText(NativePath(f.dir.File("missing.txt"))));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].text, f.dir.File("missing.txt") + "\n" + MessageText(Msg::FileOpenFailed));
}

TEST(DocumentFile, CopiesThePdfAndWritesTheRecord) {
  StoreFixture f;
  std::string source = f.dir.File("in.pdf");
  Spit(source, std::string("%PDF-1.4\0binary", 15));
  ASSERT_TRUE(f.store.StoreDocumentFile("PDF", NativePath(source), "00000005"));
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/PDF/05/00000005.PDF"), std::string("%PDF-1.4\0binary", 15));

  EXPECT_FALSE(f.store.StoreDocumentFile("PDF", NativePath(f.dir.File("absent.pdf")), "00000006"));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileSaveFailed));

  std::string work = f.dir.File("tmp.txt");
  Spit(work, "text");
  f.store.WorkingRecord() = SampleRecord();
  ASSERT_TRUE(f.store.StoreDocumentFile("TXT", NativePath(work), "00000005"));
  ASSERT_TRUE(f.store.ReadRecordFile("00000005", true));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "TEXT");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], J("報告書"));
}

TEST(IndexFile, CreatedWithOneEntryPerSerialHandedOut) {
  StoreFixture f;
  f.store.WriteSerialCounter(5);
  {
    FileHandle index = f.store.OpenIndexFile();
    ASSERT_TRUE(index);
    EXPECT_EQ(lseek(index.get(), 0, SEEK_CUR), 0);
    char first = 0;
    EXPECT_EQ(read(index.get(), &first, 1), 1);
    EXPECT_EQ(first, '1');
  }
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "11111");
  // An existing index is opened as it is, not truncated.
  Spit(f.dir.path() + "/DOCDATA/index", "1011");
  f.store.WriteSerialCounter(9);
  EXPECT_TRUE(f.store.OpenIndexFile());
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "1011");
}

TEST(IndexFile, UncreatableIndexReportsWithItsPrefix) {
  StoreFixture f;
  f.store.SetLocation(NativePath("//server/share"));
  EXPECT_FALSE(f.store.OpenIndexFile());
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].text, J("索引") + MessageText(Msg::FileCreateFailed));
}

TEST(SerialCounter, ReadsAndWritesEightDigits) {
  StoreFixture f;
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000000");
  f.store.WriteSerialCounter(108);
  EXPECT_EQ(f.store.ReadSerialCounter(), "00000108");
  EXPECT_EQ(f.settings.Raw("Sys", "No").value(), "00000108");
}

TEST(SerialCounter, ScanFindsTheNextSerial) {
  StoreFixture f;
  std::string txt = f.dir.path() + "/DOCDATA/TXT";
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 0);  // no tree at all
  std::filesystem::create_directories(txt + "/00");
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 0);
  Spit(txt + "/00/00000000.TXT", "");
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 1);
  Spit(txt + "/03/00000003.TXT", "");
  Spit(txt + "/07/00000107.TXT", "");
  Spit(txt + "/07/notes.txt", "");                                // not a record file
  Spit(txt + "/08/00009999.PDF", "");                             // wrong kind
  Spit(txt + "/100/00000500.TXT", "");                            // not a two-digit folder
  std::filesystem::create_directories(txt + "/09/00000900.TXT");  // a folder, skipped
  EXPECT_EQ(Store::ScanNextSerial(NativePath(txt)), 108);
}

TEST(WorkFolder, PerUserClosedToOthers) {
  StoreFixture f;
  std::string tmp = f.dir.path() + "/tmp";
  std::filesystem::create_directories(tmp);
  setenv("TMPDIR", tmp.c_str(), 1);
  std::string folder = f.store.WorkFolderPath();
  std::string expected = tmp + "/Folidex-" + std::to_string(getuid());
  EXPECT_EQ(folder, expected);
  struct stat st;
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  Spit(folder + "/tmp.txt", "old");
  EXPECT_TRUE(f.store.ResetWorkText());
  EXPECT_EQ(f.store.WorkTextPath(), folder + "/tmp.txt");
  EXPECT_FALSE(PathExists(folder + "/tmp.txt"));

  // A folder of that name owned by another user is refused (needs the right to hand it over).
  if (getuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(f.store.WorkFolderPath(), "");
    EXPECT_TRUE(f.prompter.ShowedMessage(Msg::WorkFolderFailed));
  }
  unsetenv("TMPDIR");
}

TEST(ResolveDocument, CopiesAndOutsideLinks) {
  StoreFixture f;
  // "I": the store's copy decides.
  EXPECT_EQ(ResolveDocumentPath(f.store, "00000001", "I", "").mark, kMarkMissing);
  Spit(f.dir.path() + "/DOCDATA/PDF/01/00000001.PDF", "%PDF");
  DocumentLocation copy = ResolveDocumentPath(f.store, "00000001", "I", "");
  EXPECT_EQ(copy.mark, kMarkAvailable);
  EXPECT_EQ(copy.path, f.dir.path() + "/DOCDATA/PDF/01/00000001.PDF");

  // "O" (and anything that is not "I"): the file FG names, tested as written.
  std::string outside = f.dir.path() + "/docs/a.pdf";
  for (const char* ty : {"O", "", "x"}) {
    EXPECT_EQ(ResolveDocumentPath(f.store, "00000002", ty, outside).mark, kMarkMissing) << ty;
  }
  Spit(outside, "%PDF");
  DocumentLocation link = ResolveDocumentPath(f.store, "00000002", "O", outside);
  EXPECT_EQ(link.mark, kMarkAvailable);
  EXPECT_EQ(link.path, outside);
  EXPECT_EQ(ResolveDocumentPath(f.store, "00000002", "", outside).mark, kMarkAvailable);
  std::string upper = f.dir.path() + "/DOCS/A.PDF";  // another file on a case-sensitive system
  EXPECT_EQ(ResolveDocumentPath(f.store, "00000002", "O", upper).mark, kMarkMissing);
}

TEST(ResolveDocument, FileUrlsAndWebAddresses) {
  StoreFixture f;
  std::string outside = f.dir.path() + "/資料 a.pdf";
  Spit(outside, "%PDF");
  DocumentLocation viaUrl = ResolveDocumentPath(f.store, "1", "O", J(("file://" + outside).c_str()));
  EXPECT_EQ(viaUrl.mark, kMarkAvailable);
  EXPECT_EQ(viaUrl.path, outside);  // native, as the file system names it
  EXPECT_EQ(
      ResolveDocumentPath(f.store, "1", "O", "FILE://localhost" + f.dir.path() + "/%E8%B3%87%E6%96%99%20a.pdf").mark,
      kMarkAvailable);
  EXPECT_EQ(ResolveDocumentPath(f.store, "1", "O", "file:///nowhere/x.pdf").mark, kMarkMissing);

  for (const char* web : {"http://example.com/a.pdf", "HTTPS://example.com/b.pdf", "Http:odd"}) {
    DocumentLocation w = ResolveDocumentPath(f.store, "1", "O", web);
    EXPECT_EQ(w.mark, kMarkAvailable) << web;
    EXPECT_EQ(w.path, "") << web;
  }
}
