#include <gtest/gtest.h>

#include "CliRunner.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/SavedLists.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

struct DupesFixture : StoreFixture {
  std::string settingsFile;

  explicit DupesFixture(const std::string& counter) {
    settingsFile = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\n[Sys]\nNo=" + counter + "\n");
  }
  void Add(long serial, const std::string& title, const std::string& y2, const std::string& fg = {}) {
    IndexRecord r;
    r[FieldTag::PT] = title;
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = fg;
    r[FieldTag::Y2] = y2;
    PutRecord(FormatSerial(serial), r);
  }
};

}  // namespace

TEST(CliDupes, PrintsEachGroupsSerialsAndTitlesForTheStoreOrASavedList) {
  DupesFixture f("00000005");
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("a.pdf"), "same bytes"));
  ASSERT_TRUE(WriteFileAtomic(f.dir.File("b.pdf"), "same bytes"));
  f.Add(0, J("報告書"), "", FromNativePath(f.dir.File("a.pdf")));
  f.Add(1, "one", std::string(64, 'C'));
  f.Add(2, "unique", std::string(64, 'D'));
  f.Add(3, "copy", "", FromNativePath(f.dir.File("b.pdf")));
  f.Add(4, "four", std::string(64, 'C'));

  CliResult all = RunCli({"--settings", f.settingsFile, "dupes", "--all"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out,
            "group 1 (2 records)\n00000003\tcopy\n00000000\t報告書\n"
            "group 2 (2 records)\n00000004\tfour\n00000001\tone\n");
  ASSERT_TRUE(f.store.ReadRecordFile("00000000", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::Y2].size(), 64u);  // computed and stored

  std::string folder = f.store.StoreRoot() + "/LIST";
  ASSERT_TRUE(EnsureFolders(folder));
  ASSERT_TRUE(
      WriteFileAtomic(folder + "/ListData.csv", FormatListLine({"1", "00000001"}) + FormatListLine({"2", "00000002"})));
  ASSERT_TRUE(
      WriteFileAtomic(folder + "/twice.list", FormatListLine({"1", "00000002"}) + FormatListLine({"2", "00000002"})));
  CliResult none = RunCli({"--settings", f.settingsFile, "dupes"});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find(MessageTextUtf8(Msg::NoDuplicates)), std::string::npos);
  CliResult twice = RunCli({"--settings", f.settingsFile, "dupes", "twice"});  // a saved list by name
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_EQ(twice.out, "group 1 (2 records)\n00000002\tunique\n00000002\tunique\n");
  EXPECT_NE(RunCli({"--settings", f.settingsFile, "dupes", "absent"}).status, 0);
}
