// A store the user may not write to (a read-only copy, a backup mounted read-only) and files the
// user may not read: every failure is reported and leaves the files as they were. File modes do
// not stop root, so these tests skip there; ./test.sh --ci runs them again as nobody.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "dialogs/KeywordEdit.h"
#include "list/DuplicateCheck.h"
#include "list/RecordRow.h"
#include "search/Search.h"
#include "search/SearchRun.h"
#include "store/StoreLocation.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

constexpr fs::perms kReadOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec;

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

struct ReadOnlyFixture : StoreFixture {
  ListRows list;
  RecordingProgress progress;

  std::string Folder(long serial) { return dir.path() + "/DOCDATA/TXT/" + FormatSerial(serial).substr(6); }
  std::string Path(long serial) { return Folder(serial) + "/" + FormatSerial(serial) + ".TXT"; }
  void Put(long serial, const std::string& fg = {}) {
    IndexRecord r;
    r[FieldTag::PT] = "T" + std::to_string(serial);
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = fg;
    r[FieldTag::TX] = "BODY";
    PutRecord(FormatSerial(serial), r);
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
  }
  void Lock(const std::string& folder) { fs::permissions(folder, kReadOnlyFolder); }
  ~ReadOnlyFixture() {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(dir.path(), ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
};

}  // namespace

TEST(ReadOnlyStore, ARewriteThatCannotBeWrittenLeavesTheRecordAndNoTemporaryFile) {
  FOLIDEX_REQUIRE_FILE_MODES();
  ReadOnlyFixture f;
  f.Put(1);
  const std::string before = Slurp(f.Path(1));
  f.Lock(f.Folder(1));
  PatchStatus status = f.store.PatchRecordFile("00000001", {{FieldTag::Y2, std::string(64, 'A')}});
  EXPECT_EQ(status, PatchStatus::WriteFailed);
  f.store.ReportPatchFailure("00000001", status);
  EXPECT_EQ(f.prompter.TextsUtf8(),
            (std::vector<std::string>{f.Path(1) + "\n" + MessageTextUtf8(Msg::FileOpenFailed)}));
  EXPECT_EQ(Slurp(f.Path(1)), before);
  EXPECT_EQ(ListFiles(f.Folder(1)).size(), 1u);

  // A new record there cannot be written either.
  f.prompter.shown.clear();
  EXPECT_FALSE(f.store.WriteRecordFile("00000101"));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::WriteNotPermitted));
  EXPECT_FALSE(PathExists(f.Path(101)));
}

TEST(ReadOnlyStore, TheDuplicateCheckUsesADigestItCannotStoreAndGoesOn) {
  FOLIDEX_REQUIRE_FILE_MODES();
  ReadOnlyFixture f;
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("a.pdf"), "same"));
  f.Put(1, FromNativePath(f.dir.File("a.pdf")));
  f.Put(2, FromNativePath(f.dir.File("a.pdf")));
  const std::string before = Slurp(f.Path(1));
  f.Lock(f.Folder(1));
  f.prompter.answers = {Answer::Yes};
  DuplicateCheckCommand(f.list, f.store, f.prompter, f.progress);
  EXPECT_EQ(f.list.DuplicateCount(), 2);  // both took part
  EXPECT_EQ(Slurp(f.Path(1)), before);
  ASSERT_TRUE(f.store.ReadRecordFile("00000002", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::Y2].size(), 64u);  // the writable one stored it
  std::vector<std::string> texts = f.prompter.TextsUtf8();
  EXPECT_NE(std::find(texts.begin(), texts.end(), f.Path(1) + "\n" + MessageTextUtf8(Msg::FileOpenFailed)),
            texts.end());
}

TEST(ReadOnlyStore, TheKeywordEditKeepsARecordItCannotRewrite) {
  FOLIDEX_REQUIRE_FILE_MODES();
  ReadOnlyFixture f;
  f.Put(1);
  f.Put(2);
  f.Lock(f.Folder(1));
  const std::string before = Slurp(f.Path(1));
  auto ask = [](const std::string&) -> std::optional<std::string> { return std::string("new"); };
  EXPECT_EQ(KeywordEditCommand(f.list, f.store, f.prompter, f.progress, ask), 1);
  EXPECT_EQ(Slurp(f.Path(1)), before);
  EXPECT_EQ(f.list.Cell(0, ListColumn::Keywords), "");
  EXPECT_EQ(f.list.Cell(1, ListColumn::Keywords), "new");
  EXPECT_EQ(f.prompter.TextsUtf8(),
            (std::vector<std::string>{f.Path(1) + "\n" + MessageTextUtf8(Msg::FileOpenFailed)}));
}

TEST(ReadOnlyStore, AnUnreadableRecordIsSkippedButNeverMarkedMissing) {
  FOLIDEX_REQUIRE_FILE_MODES();
  ReadOnlyFixture f;
  f.Put(0);
  f.Put(1);
  f.store.WriteSerialCounter(2);
  ASSERT_EQ(chmod(f.Path(0).c_str(), 0), 0);
  f.store.WorkingRecord()[FieldTag::PT] = "kept";
  EXPECT_FALSE(f.store.ReadRecordFile("00000000", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], "kept");

  SearchInputs inputs;
  f.settings.SetInt(setting::Kakunin, 0);
  SearchConditions conditions;
  ASSERT_TRUE(CollectSearchConditions(inputs, f.list, f.settings, f.prompter, conditions));
  SearchRunOptions options;
  options.readers = 0;
  FixedClock clock;
  EXPECT_EQ(RunDbSearch(conditions, f.store, f.list, f.settings, f.prompter, f.progress, clock, options).hits, 1);
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "11");  // a search when it is readable again finds it
}

TEST(ReadOnlyStore, AnIndexThatCannotBeCreatedOrWrittenIsReported) {
  FOLIDEX_REQUIRE_FILE_MODES();
  ReadOnlyFixture f;
  f.store.WriteSerialCounter(3);
  fs::create_directories(f.dir.path() + "/DOCDATA");
  f.Lock(f.dir.path() + "/DOCDATA");
  EXPECT_FALSE(f.store.OpenIndexFile());
  fs::permissions(f.dir.path() + "/DOCDATA", fs::perms::owner_all);
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/index"));

  std::ofstream(f.dir.path() + "/DOCDATA/index") << "101";
  ASSERT_EQ(chmod((f.dir.path() + "/DOCDATA/index").c_str(), 0444), 0);
  EXPECT_FALSE(f.store.OpenIndexFile());
  EXPECT_EQ(f.prompter.TextsUtf8(),
            (std::vector<std::string>{"索引" + std::string(MessageTextUtf8(Msg::FileCreateFailed)),
                                      "索引" + std::string(MessageTextUtf8(Msg::FileOpenFailed))}));
  EXPECT_EQ(Slurp(f.dir.path() + "/DOCDATA/index"), "101");
}

TEST(ReadOnlyStore, ALocationWithoutAStoreThatCannotBeCreatedChangesNothing) {
  FOLIDEX_REQUIRE_FILE_MODES();
  StoreFixture f;
  TempDir other;
  f.settings.SetText(setting::SerialCounter, "00000007");
  RecordingProgress progress;
  fs::permissions(other.path(), kReadOnlyFolder);
  EXPECT_FALSE(ChangeStoreLocation(NativePath(other.path()), f.store, f.settings, f.prompter, progress));
  fs::permissions(other.path(), fs::perms::owner_all);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::StoreFolderCreateFailed));
  EXPECT_EQ(f.settings.GetText(setting::SerialCounter), "00000007");
  EXPECT_EQ(f.store.Location(), f.dir.path());
}
