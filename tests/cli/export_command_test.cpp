#include <gtest/gtest.h>

#include "CliRunner.h"
#include "common/FileSystem.h"
#include "list/SavedLists.h"
#include "support/TestSupport.h"
#include "support/WorkbookXml.h"

using namespace folidex;
using namespace folidex::test;

namespace {

void SaveRows(StoreFixture& f, const std::string& fileName, int count) {
  ListRows list;
  for (int i = 0; i < count; ++i) {
    ListRows::Cells cells;
    cells[0] = "99";  // the number at saving time; the export numbers the rows afresh
    cells[1] = "0000000" + std::to_string(i % 10);
    cells[3] = J("題名,") + std::to_string(i);
    cells[11] = "12,345";
    list.AppendRow(cells, false);
  }
  ASSERT_EQ(SaveListFile(list, f.store, f.prompter, fileName), kListFileDone);
}

}  // namespace

TEST(CliExport, WritesTheWorkbookOfTheCurrentOrANamedListAndPrintsTheRowCount) {
  StoreFixture f;
  SaveRows(f, std::string(kCurrentListFile), 1);
  SaveRows(f, "mine.list", 250);
  std::string settings = WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n");

  CliResult current = RunCli({"--settings", settings, "export", f.dir.File("current.xlsx")});
  ASSERT_EQ(current.status, 0) << current.err;
  EXPECT_EQ(current.out, "1\n");
  std::vector<SheetRow> rows = ParseSheetRows(ReadWorkbookPart(f.dir.File("current.xlsx"), "xl/worksheets/sheet1.xml"));
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[1].cells.size(), 16u);
  EXPECT_EQ(rows[0].cells[0].value, "No");
  EXPECT_EQ(rows[0].cells[15].value, " ");
  EXPECT_EQ(rows[1].cells[0].value, "1");
  EXPECT_EQ(rows[1].cells[2].value, "題名,0");
  EXPECT_EQ(rows[1].cells[10].value, "12345");

  CliResult named = RunCli({"--settings", settings, "export", "mine", f.dir.File("mine.xlsx")});
  ASSERT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(named.out, "250\n");
  rows = ParseSheetRows(ReadWorkbookPart(f.dir.File("mine.xlsx"), "xl/worksheets/sheet1.xml"));
  ASSERT_EQ(rows.size(), 251u);
  EXPECT_EQ(rows[250].number, 251);
  EXPECT_EQ(rows[250].cells[0].value, "250");
  EXPECT_EQ(rows[250].cells[2].value, "題名,249");
  EXPECT_EQ(rows[250].cells[15].ref, "P251");

  // By path, replacing the workbook written before.
  CliResult byPath =
      RunCli({"--settings", settings, "export", f.dir.File("DOCDATA/LIST/mine.list"), f.dir.File("current.xlsx")});
  ASSERT_EQ(byPath.status, 0) << byPath.err;
  EXPECT_EQ(ParseSheetRows(ReadWorkbookPart(f.dir.File("current.xlsx"), "xl/worksheets/sheet1.xml")).size(), 251u);
}

TEST(CliExport, FailuresWriteNothing) {
  StoreFixture f;
  std::string settings = WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n");
  CliResult missing = RunCli({"--settings", settings, "export", "absent", f.dir.File("x.xlsx")});
  EXPECT_NE(missing.status, 0);
  EXPECT_FALSE(PathExists(f.dir.File("x.xlsx")));

  SaveRows(f, "mine.list", 1);
  CliResult noFolder = RunCli({"--settings", settings, "export", "mine", f.dir.File("no/such/x.xlsx")});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_TRUE(noFolder.out.empty());

  EXPECT_EQ(RunCli({"--settings", settings, "export"}).status, 2);
  EXPECT_EQ(RunCli({"--settings", settings, "export", "a", "b", "c"}).status, 2);
}
