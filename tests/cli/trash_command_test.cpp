// folidex-cli trash and restore: records deleted from the store come back from its trash.

#include <gtest/gtest.h>

#include "CliRunner.h"
#include "common/FileSystem.h"
#include "store/Trash.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

TEST(CliTrash, ListsRestoresAndEmptiesTheTrash) {
  StoreFixture f;
  IndexRecord r;
  r[FieldTag::PT] = J("契約書");
  r[FieldTag::TY] = "I";
  f.PutRecord("00000004", r);
  r[FieldTag::PT] = "Minutes";
  f.PutRecord("00000007", r);
  const std::string copy = f.dir.path() + "/DOCDATA/PDF/04/00000004.PDF";
  ASSERT_TRUE(EnsureFolders(f.dir.path() + "/DOCDATA/PDF/04"));
  ASSERT_TRUE(WriteFileAtomic(copy, "%PDF-1.4 copy"));
  const std::string settings =
      WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n[Sys]\nNo=00000008\n");
  TrashRun run(f.store, FixedClock().Now());
  ASSERT_TRUE(run.Move("00000004"));
  ASSERT_TRUE(run.Move("00000007"));
  EXPECT_FALSE(PathExists(copy));

  CliResult listed = RunCli({"--settings", settings, "trash"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const std::string folder = run.Folder().substr(run.Folder().rfind('/') + 1);
  EXPECT_EQ(listed.out, "00000004\t" + folder + "\t契約書\n00000007\t" + folder + "\tMinutes\n");
  EXPECT_NE(listed.err.find("2件"), std::string::npos);

  CliResult restored = RunCli({"--settings", settings, "restore", "4", "00000005"});
  EXPECT_EQ(restored.status, 1);  // 5 was never deleted
  EXPECT_EQ(restored.out, "00000004\t契約書\n");
  EXPECT_NE(restored.err.find("00000005: ごみ箱にありません"), std::string::npos);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(copy, bytes));
  EXPECT_EQ(bytes, "%PDF-1.4 copy");
  CliResult found = RunCli({"--settings", settings, "search", "--title", "契約"});
  EXPECT_NE(found.out.find("00000004"), std::string::npos) << found.err;

  // Emptying asks; without a terminal only --yes empties it.
  EXPECT_EQ(RunCli({"--settings", settings, "trash", "--empty"}).status, 1);
  EXPECT_TRUE(PathExists(run.Folder()));
  CliResult emptied = RunCli({"--settings", settings, "trash", "--empty", "--yes"});
  EXPECT_EQ(emptied.status, 0) << emptied.err;
  EXPECT_FALSE(PathExists(run.Folder()));
  EXPECT_EQ(RunCli({"--settings", settings, "restore", "7"}).status, 1);
}
