#include <gtest/gtest.h>

#include "CliRunner.h"
#include "common/FileSystem.h"
#include "list/SavedLists.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

TEST(CliList, PrintsTheRowsOfASavedListByNameOrPath) {
  StoreFixture f;
  ListRows list;
  ListRows::Cells cells;
  cells[0] = "1";
  cells[1] = "00000007";
  cells[3] = J("報告,書");
  cells[11] = "1,234";
  list.AppendRow(cells, false);
  cells[1] = "00000008";
  cells[3] = "tab\there";
  list.AppendRow(cells, false);
  ASSERT_EQ(SaveListFile(list, f.store, f.prompter, "mine.list"), kListFileDone);
  std::string settings = WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n");

  const std::string expected =
      "00000007\t\t報告,書\t\t\t\t\t\t\t\t1,234\t\t\t\t\t\n"
      "00000008\t\ttab here\t\t\t\t\t\t\t\t1,234\t\t\t\t\t\n";
  CliResult byName = RunCli({"--settings", settings, "list", "mine"});
  ASSERT_EQ(byName.status, 0) << byName.err;
  EXPECT_EQ(byName.out, expected);
  CliResult byPath = RunCli({"--settings", settings, "list", f.dir.path() + "/DOCDATA/LIST/mine.list"});
  EXPECT_EQ(byPath.status, 0);
  EXPECT_EQ(byPath.out, expected);

  CliResult missing = RunCli({"--settings", settings, "list", "absent"});
  EXPECT_NE(missing.status, 0);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_EQ(RunCli({"--settings", settings, "list"}).status, 2);
}
